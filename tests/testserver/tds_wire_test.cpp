// The test server's packets and tokens read byte by byte by an independent
// raw client: login response, packet sizes, requests cut into small packets,
// DONE chaining, cancel and clients that misbehave or vanish.

#include "tests/testserver/fake_session_provider.h"
#include "tests/testserver/in_process_server.h"
#include "tests/testserver/raw_tds_client.h"
#include "tests/testserver/token_scanner.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace testserver::test {
namespace {

constexpr std::uint32_t kTds71 = 0x71000001;
constexpr std::uint32_t kTds74 = 0x74000004;

BatchResult manyRows(int count) {
    std::vector<std::vector<Value>> rows;
    for (int i = 0; i < count; ++i)
        rows.push_back({std::to_string(i), std::string(200, 'r')});
    return BatchResult{
        {rowsOutcome({{"n", ColumnType::Int, 0, false}, {"text", ColumnType::NVarChar, 200, false}},
                     std::move(rows))}};
}

class WireTest : public ::testing::TestWithParam<std::uint32_t> {
protected:
    WireTest() : m_provider({"hrms", "hrms_old"}), m_server(m_provider) {
        m_provider.answer("select many", manyRows(5000));
        m_provider.answer("select 1",
                          BatchResult{{rowsOutcome({{"", ColumnType::Int, 0, false}}, {{"1"}})}});
    }

    bool tds72() const { return GetParam() >= 0x72000000; }
    std::vector<ScannedToken> tokens(const RawTdsClient::Response& response) const {
        return scanTokens(response.payload, tds72());
    }
    // A fresh client can still log in and run a query.
    void expectServerStillServes() {
        RawTdsClient client(m_server.port());
        client.login("sa", "", "hrms", GetParam());
        client.sendBatch("select 1");
        auto t = tokens(client.readResponse());
        ASSERT_EQ(t.size(), 3u);
        EXPECT_EQ(t[1].values.at(0), "1");
    }

    FakeSessionProvider m_provider;
    InProcessServer m_server;
};

TEST_P(WireTest, LoginResponseIsWhatSqlServer2000Sends) {
    RawTdsClient client(m_server.port());
    auto response = client.login("sa", "pw", "HRMS", GetParam());
    ASSERT_FALSE(response.packets.empty());
    EXPECT_EQ(response.packets[0].type, 0x04);
    EXPECT_NE(response.packets[0].spid, 0) << "FreeTDS takes the SPID from the header";
    auto t = tokens(response);
    ASSERT_EQ(t.size(), 8u);
    EXPECT_EQ(t[0].type, 0xE3);
    EXPECT_EQ(t[0].envType, 1);
    EXPECT_EQ(t[0].newValue, "hrms"); // as the catalog spells it
    EXPECT_EQ(t[0].oldValue, "master");
    EXPECT_EQ(t[1].type, 0xAB);
    EXPECT_EQ(t[1].number, 5701);
    EXPECT_EQ(t[1].text, "Changed database context to 'hrms'.");
    EXPECT_EQ(t[1].server, "DBCTEST");
    EXPECT_EQ(t[2].envType, 7);
    EXPECT_EQ(t[2].newValue, std::string("\x04\x08\xD0\x00\x00", 5));
    EXPECT_EQ(t[3].envType, 2);
    EXPECT_EQ(t[3].newValue, "us_english");
    EXPECT_EQ(t[4].number, 5703);
    EXPECT_EQ(t[4].text, "Changed language setting to us_english.");
    EXPECT_EQ(t[5].type, 0xAD);
    EXPECT_EQ(t[5].interface, 1);
    EXPECT_EQ(t[5].tdsVersion, GetParam());
    EXPECT_EQ(t[5].programName, "Microsoft SQL Server");
    EXPECT_EQ(t[5].programVersion, "8.0.2039");
    EXPECT_EQ(t[6].envType, 4);
    EXPECT_EQ(t[6].newValue, "4096");
    EXPECT_EQ(t[7].type, 0xFD);
    EXPECT_EQ(t[7].status, 0);
    EXPECT_EQ(m_provider.lastLogin().password, "pw");
}

TEST_P(WireTest, OlderTdsVersionThan71IsRefusedAndTheConnectionClosed) {
    RawTdsClient client(m_server.port());
    auto t = scanTokens(client.login("sa", "", "hrms", 0x70000000).payload, false);
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0].type, 0xAA);
    EXPECT_EQ(t[1].status, 0x02);
    EXPECT_THROW(client.readPacket(), std::runtime_error);
}

TEST_P(WireTest, RefusedLoginSendsErrorAndDoneWithErrorThenCloses) {
    FakeSessionProvider strict({"hrms"}, Credentials{"sa", "right"});
    InProcessServer server(strict);
    RawTdsClient client(server.port());
    auto t = tokens(client.login("sa", "wrong", "hrms", GetParam()));
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0].type, 0xAA);
    EXPECT_EQ(t[0].number, 18456);
    EXPECT_EQ(t[0].severity, 14);
    EXPECT_EQ(t[0].text, "Login failed for user 'sa'.");
    EXPECT_EQ(t[1].type, 0xFD);
    EXPECT_EQ(t[1].status, 0x02);
    EXPECT_THROW(client.readPacket(), std::runtime_error);
}

// --verbose echoes each batch, but never one that may carry a password.
TEST_P(WireTest, VerboseLogLeavesOutBatchesWithPasswords) {
    FakeSessionProvider provider({"hrms"});
    provider.answer("select 1",
                    BatchResult{{rowsOutcome({{"", ColumnType::Int, 0, false}}, {{"1"}})}});
    InProcessServer server(provider, true);
    RawTdsClient client(server.port());
    client.login("sa", "", "hrms", GetParam());
    for (const char* sql : {"select 1", "EXEC SP_ADDLOGIN 'app', 'Secret-1'",
                            "exec sp_password NULL, 'Secret-2', 'app'"}) {
        client.sendBatch(sql);
        client.readResponse();
    }
    std::string log;
    for (const std::string& line : server.log())
        log += line + "\n";
    EXPECT_NE(log.find("batch: select 1"), std::string::npos) << log;
    EXPECT_EQ(log.find("Secret-"), std::string::npos) << log;
}

struct PacketSizeCase {
    std::uint32_t requested;
    std::uint32_t negotiated;
};

class PacketSizeTest : public ::testing::TestWithParam<PacketSizeCase> {};

TEST_P(PacketSizeTest, ResponsesAreCutIntoPacketsOfTheNegotiatedSize) {
    FakeSessionProvider provider({"hrms"});
    provider.answer("select many", manyRows(2000));
    InProcessServer server(provider);
    RawTdsClient client(server.port());
    auto login =
        scanTokens(client.login("sa", "", "hrms", kTds74, GetParam().requested).payload, true);
    auto packetSize = std::find_if(login.begin(), login.end(), [](const ScannedToken& t) {
        return t.type == 0xE3 && t.envType == 4;
    });
    ASSERT_NE(packetSize, login.end());
    EXPECT_EQ(packetSize->newValue, std::to_string(GetParam().negotiated));
    client.sendBatch("select many");
    auto response = client.readResponse();
    ASSERT_GT(response.packets.size(), 1u);
    for (std::size_t i = 0; i + 1 < response.packets.size(); ++i)
        ASSERT_EQ(response.packets[i].data.size() + 8, GetParam().negotiated) << "packet " << i;
    EXPECT_LE(response.packets.back().data.size() + 8, GetParam().negotiated);
    EXPECT_EQ(scanTokens(response.payload, true).size(), 2002u);
}

INSTANTIATE_TEST_SUITE_P(Sizes, PacketSizeTest,
                         ::testing::Values(PacketSizeCase{512, 512}, PacketSizeCase{4096, 4096},
                                           PacketSizeCase{32767, 32767}, PacketSizeCase{100, 512},
                                           PacketSizeCase{0, 4096}));

TEST_P(WireTest, RequestCutIntoSmallPacketsArrivesWhole) {
    RawTdsClient client(m_server.port());
    client.login("sa", "", "hrms", GetParam(), 512);
    std::string sql = "select '";
    for (int i = 0; i < 500; ++i)
        sql += "表" + std::to_string(i);
    sql += "'";
    client.sendBatch(sql, 512);
    client.readResponse();
    ASSERT_FALSE(m_provider.batches().empty());
    EXPECT_EQ(m_provider.batches().back(), sql);
}

TEST_P(WireTest, AttentionWhileIdleIsAnsweredWithDoneAttn) {
    RawTdsClient client(m_server.port());
    client.login("sa", "", "hrms", GetParam());
    client.sendAttention();
    auto t = tokens(client.readResponse());
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0].type, 0xFD);
    EXPECT_EQ(t[0].status, 0x20);
}

TEST_P(WireTest, AttentionMidResultEndsTheResponseCleanlyWithDoneAttn) {
    m_provider.answer("select huge", manyRows(50000));
    RawTdsClient client(m_server.port());
    client.login("sa", "", "hrms", GetParam());
    client.sendBatch("select huge");
    std::string payload = client.readPacket().data;
    client.sendAttention();
    auto rest = client.readResponse();
    payload += rest.payload;
    auto t = scanTokens(payload, tds72()); // complete tokens only
    ASSERT_GE(t.size(), 2u);
    EXPECT_EQ(t.back().type, 0xFD);
    EXPECT_EQ(t.back().status, 0x20);
    EXPECT_LT(t.size(), 50000u) << "the result was not cut short";
    // The connection serves the next request.
    client.sendBatch("select 1");
    auto next = tokens(client.readResponse());
    ASSERT_EQ(next.size(), 3u);
    EXPECT_EQ(next[1].values.at(0), "1");
}

TEST_P(WireTest, ClientVanishingMidResultDoesNotDisturbTheServer) {
    m_provider.answer("select huge", manyRows(50000));
    for (int i = 0; i < 3; ++i) {
        RawTdsClient client(m_server.port());
        client.login("sa", "", "hrms", GetParam());
        client.sendBatch("select huge");
        client.readPacket();
        client.close();
    }
    expectServerStillServes();
}

TEST_P(WireTest, MalformedPacketClosesOnlyThatConnection) {
    RawTdsClient other(m_server.port());
    other.login("sa", "", "hrms", GetParam());
    {
        RawTdsClient client(m_server.port());
        client.login("sa", "", "hrms", GetParam());
        client.sendRaw(std::string("\x01\x01\x00\x03\x00\x00\x01\x00", 8)); // length 3
        EXPECT_THROW(client.readPacket(), std::runtime_error);
    }
    other.sendBatch("select 1");
    EXPECT_EQ(tokens(other.readResponse()).size(), 3u);
    expectServerStillServes();
}

TEST_P(WireTest, NonTdsTrafficBeforeLoginIsDroppedQuietly) {
    {
        RawTdsClient client(m_server.port());
        client.sendRaw("GET / HTTP/1.0\r\n\r\n");
        EXPECT_THROW(client.readPacket(), std::runtime_error);
    }
    {
        RawTdsClient client(m_server.port());
        client.sendPacket(0x10, "short", true); // a LOGIN7 shorter than its fixed part
        EXPECT_THROW(client.readPacket(), std::runtime_error);
    }
    expectServerStillServes();
}

TEST_P(WireTest, UseSendsDatabaseChangeWithTheOldName) {
    RawTdsClient client(m_server.port());
    client.login("sa", "", "hrms", GetParam());
    client.sendBatch("use hrms_old");
    auto t = tokens(client.readResponse());
    auto env = std::find_if(t.begin(), t.end(),
                            [](const ScannedToken& x) { return x.type == 0xE3 && x.envType == 1; });
    ASSERT_NE(env, t.end());
    EXPECT_EQ(env->newValue, "hrms_old");
    EXPECT_EQ(env->oldValue, "hrms");
    client.sendBatch("use HRMS");
    t = tokens(client.readResponse());
    env = std::find_if(t.begin(), t.end(), [](const ScannedToken& x) { return x.type == 0xE3; });
    ASSERT_NE(env, t.end());
    EXPECT_EQ(env->oldValue, "hrms_old");
}

TEST_P(WireTest, ErrorTokenCarriesNumberStateSeverityServerAndLine) {
    StatementOutcome failed;
    failed.messages.push_back(ServerMessage{2714, 6, 16,
                                            "There is already an object named "
                                            "'Emp' in the database.",
                                            3});
    failed.failed = true;
    m_provider.answer("create table Emp (a int)", BatchResult{{failed}});
    RawTdsClient client(m_server.port());
    client.login("sa", "", "hrms", GetParam());
    client.sendBatch("create table Emp (a int)");
    auto t = tokens(client.readResponse());
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0].type, 0xAA);
    EXPECT_EQ(t[0].number, 2714);
    EXPECT_EQ(t[0].state, 6);
    EXPECT_EQ(t[0].severity, 16);
    EXPECT_EQ(t[0].text, "There is already an object named 'Emp' in the database.");
    EXPECT_EQ(t[0].server, "DBCTEST");
    EXPECT_EQ(t[0].procedure, "");
    EXPECT_EQ(t[0].line, 3u);
    EXPECT_EQ(t[1].status, 0x02);
}

TEST_P(WireTest, ExecuteSqlCallRunsItsStatementAsAProcedure) {
    RawTdsClient client(m_server.port());
    client.login("sa", "", "hrms", GetParam());
    std::string statement = toUtf16("select 1");
    std::string request;
    if (tds72())
        request += std::string("\x16\0\0\0\x12\0\0\0\x02\0", 10) + std::string(8, '\0') +
                   std::string("\x01\0\0\0", 4);
    request += std::string("\xFF\xFF\x0A\0\0\0", 6); // sp_executesql by number, no flags
    request += std::string("\0\0\xE7\x40\x1F", 5) + std::string("\x04\x08\xD0\0\0", 5);
    request += static_cast<char>(statement.size());
    request += '\0';
    request += statement;
    client.sendPacket(0x03, request, true);
    auto t = tokens(client.readResponse());
    ASSERT_EQ(t.size(), 5u);
    EXPECT_EQ(t[0].type, 0x81);
    EXPECT_EQ(t[1].values.at(0), "1");
    EXPECT_EQ(t[2].type, 0xFF); // DONEINPROC
    EXPECT_EQ(t[2].status, 0x11);
    EXPECT_EQ(t[3].type, 0x79);
    EXPECT_EQ(t[3].returnStatus, 0);
    EXPECT_EQ(t[4].type, 0xFE); // DONEPROC, final
    EXPECT_EQ(t[4].status, 0);
}

TEST_P(WireTest, TransactionManagerRequestsRunTransactionStatements) {
    if (!tds72())
        GTEST_SKIP() << "transaction manager requests exist from TDS 7.2 on";
    RawTdsClient client(m_server.port());
    client.login("sa", "", "hrms", GetParam());
    const std::string headers("\x16\0\0\0\x12\0\0\0\x02\0\0\0\0\0\0\0\0\0\x01\0\0\0", 22);
    client.sendPacket(0x0E, headers + std::string("\x05\0\0\0", 4), true); // begin
    auto begin = tokens(client.readResponse());
    ASSERT_EQ(begin.size(), 2u);
    EXPECT_EQ(begin[0].envType, 8);
    EXPECT_EQ(begin[0].newValue.size(), 8u);
    EXPECT_EQ(begin[1].status, 0);
    // Commit and begin the next transaction at once.
    client.sendPacket(0x0E, headers + std::string("\x07\0\0\x01\0\0", 6), true);
    auto commit = tokens(client.readResponse());
    ASSERT_EQ(commit.size(), 3u);
    EXPECT_EQ(commit[0].envType, 9);
    EXPECT_EQ(commit[0].oldValue, begin[0].newValue);
    EXPECT_EQ(commit[1].envType, 8);
    EXPECT_NE(commit[1].newValue, begin[0].newValue);
    // A save point is not supported: an error, and the connection goes on.
    client.sendPacket(0x0E, headers + std::string("\x09\0\0", 3), true);
    auto save = tokens(client.readResponse());
    ASSERT_EQ(save.size(), 2u);
    EXPECT_EQ(save[0].type, 0xAA);
    EXPECT_EQ(save[1].status, 0x02);
    auto batches = m_provider.batches();
    EXPECT_EQ(batches, (std::vector<std::string>{"BEGIN TRANSACTION", "COMMIT TRANSACTION",
                                                 "BEGIN TRANSACTION"}));
}

INSTANTIATE_TEST_SUITE_P(TdsVersions, WireTest, ::testing::Values(kTds71, kTds74),
                         [](const auto& paramInfo) {
                             return paramInfo.param == kTds71 ? std::string("Tds71")
                                                              : std::string("Tds74");
                         });

} // namespace
} // namespace testserver::test
