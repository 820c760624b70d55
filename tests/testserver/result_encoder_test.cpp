// DONE chaining: which DONE bits, counts and tokens each kind of statement
// outcome produces, read back through a socket pair.

#include "tests/testserver/fake_session_provider.h"
#include "tests/testserver/token_scanner.h"
#include "testserver/tds/packet_channel.h"
#include "testserver/tds/response_stream.h"
#include "testserver/tds/result_encoder.h"
#include "testserver/tds/tds_constants.h"

#include <gtest/gtest.h>

#include <sys/socket.h>

namespace testserver::tds {
namespace {

// Encodes `result` as the server would and returns the tokens in short form:
// "DONE:<status hex>:<count>", "ERROR:<number>", "INFO:<number>",
// "ENV:<new>:<old>", "COLS:<n>", "ROW", "RET:<status>", "DONEPROC:...".
std::vector<std::string> encode(const BatchResult& result, bool insideProcedure,
                                std::string& database) {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0)
        throw std::runtime_error("socketpair failed");
    Socket server(fds[0]);
    Socket client(fds[1]);
    PacketChannel channel(server, 51);
    ResponseStream stream(channel);
    ResultEncoder encoder(stream, kTds74, "S", kChinesePrcCiAs);
    if (encoder.statements(result, database, insideProcedure) && insideProcedure)
        encoder.procedureEnd(std::any_of(result.statements.begin(), result.statements.end(),
                                         [](const StatementOutcome& s) { return s.failed; }));
    stream.finish();
    server.shutdownBoth();
    std::string payload;
    for (;;) {
        char header[8];
        client.readExact(header, 8);
        std::size_t length =
            (static_cast<std::size_t>(static_cast<unsigned char>(header[2])) << 8) |
            static_cast<unsigned char>(header[3]);
        std::string data(length - 8, '\0');
        client.readExact(data.data(), data.size());
        payload += data;
        if (header[1] & 1)
            break;
    }
    std::vector<std::string> shortForm;
    for (const auto& t : test::scanTokens(payload, true)) {
        char status[8];
        std::snprintf(status, sizeof status, "%x", t.status);
        switch (t.type) {
        case Done:
        case DoneInProc:
        case DoneProc:
            shortForm.push_back(std::string(t.type == Done         ? "DONE"
                                            : t.type == DoneInProc ? "DONEINPROC"
                                                                   : "DONEPROC") +
                                ":" + status + ":" + std::to_string(t.rowCount) +
                                (t.command == 0xC1 ? ":select" : ""));
            break;
        case Error:
            shortForm.push_back("ERROR:" + std::to_string(t.number));
            break;
        case Info:
            shortForm.push_back("INFO:" + std::to_string(t.number));
            break;
        case EnvChange:
            shortForm.push_back("ENV:" + t.newValue + ":" + t.oldValue);
            break;
        case ColMetadata:
            shortForm.push_back("COLS:" + std::to_string(t.columns.size()));
            break;
        case Row:
            shortForm.push_back("ROW");
            break;
        case ReturnStatus:
            shortForm.push_back("RET:" + std::to_string(t.returnStatus));
            break;
        default:
            shortForm.push_back("?");
        }
    }
    return shortForm;
}

StatementOutcome rows(int count) {
    StatementOutcome s;
    s.resultSet = ResultSet{{{"a", ColumnType::Int, 0, false}}, {}};
    for (int i = 0; i < count; ++i)
        s.resultSet->rows.push_back({std::to_string(i)});
    s.rowCount = count;
    return s;
}

StatementOutcome counted(long long n) {
    return test::countOutcome(n);
}

StatementOutcome failed(int number) {
    return test::errorOutcome(number, "x");
}

StatementOutcome useDatabase(const std::string& name) {
    StatementOutcome s;
    s.messages.push_back(ServerMessage{5701, 1, 0, "Changed database context", 1});
    s.newDatabase = name;
    return s;
}

struct ChainCase {
    const char* name;
    BatchResult result;
    bool insideProcedure;
    std::vector<std::string> expected;
};

class DoneChaining : public ::testing::TestWithParam<ChainCase> {};

TEST_P(DoneChaining, EachStatementEndsWithTheRightDone) {
    std::string database = "hrms";
    EXPECT_EQ(encode(GetParam().result, GetParam().insideProcedure, database), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Golden, DoneChaining,
    ::testing::Values(
        ChainCase{"SelectCountsItsRows",
                  {{rows(2)}},
                  false,
                  {"COLS:1", "ROW", "ROW", "DONE:10:2:select"}},
        ChainCase{"EmptySelectCountsZero", {{rows(0)}}, false, {"COLS:1", "DONE:10:0:select"}},
        ChainCase{"StatementWithoutRowsOrCount", {{StatementOutcome{}}}, false, {"DONE:0:0"}},
        ChainCase{"InsertCount", {{counted(3)}}, false, {"DONE:10:3"}},
        ChainCase{"NoCountSelectHasNoDoneCount",
                  {{[] {
                      auto s = rows(1);
                      s.rowCount.reset();
                      return s;
                  }()}},
                  false,
                  {"COLS:1", "ROW", "DONE:0:0:select"}},
        ChainCase{"EngineCountIsSentAsGiven",
                  {{[] {
                      auto s = rows(1);
                      s.rowCount = 9;
                      return s;
                  }()}},
                  false,
                  {"COLS:1", "ROW", "DONE:10:9:select"}},
        ChainCase{"ErrorSetsDoneError", {{failed(208)}}, false, {"ERROR:208", "DONE:2:0"}},
        ChainCase{"SeveralStatementsChainWithDoneMore",
                  {{rows(1), counted(4), failed(2714)}},
                  false,
                  {"COLS:1", "ROW", "DONE:11:1:select", "DONE:11:4", "ERROR:2714", "DONE:2:0"}},
        ChainCase{"FailureInTheMiddleKeepsGoing",
                  {{counted(1), failed(102), rows(0)}},
                  false,
                  {"DONE:11:1", "ERROR:102", "DONE:3:0", "COLS:1", "DONE:10:0:select"}},
        ChainCase{"UseChangesDatabaseAfterItsMessages",
                  {{useDatabase("hrms_old"), useDatabase("x")}},
                  false,
                  {"INFO:5701", "ENV:hrms_old:hrms", "DONE:1:0", "INFO:5701", "ENV:x:hrms_old",
                   "DONE:0:0"}},
        ChainCase{"EmptyBatchStillEnds", {}, false, {"DONE:0:0"}},
        ChainCase{"BadIntegerFailsTheStatementInsteadOfSendingRows",
                  {{[] {
                        auto s = rows(1);
                        s.resultSet->rows.push_back({"x"});
                        return s;
                    }(),
                    counted(1)}},
                  false,
                  {"ERROR:245", "DONE:3:0", "DONE:10:1"}},
        ChainCase{"ProcedureCallUsesDoneInProcThenReturnStatus",
                  {{rows(1), counted(2)}},
                  true,
                  {"COLS:1", "ROW", "DONEINPROC:11:1:select", "DONEINPROC:11:2", "RET:0",
                   "DONEPROC:0:0"}},
        ChainCase{"FailedProcedureCall",
                  {{failed(208)}},
                  true,
                  {"ERROR:208", "DONEINPROC:3:0", "RET:-6", "DONEPROC:2:0"}}),
    [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

TEST(DoneChaining, DatabaseChangesAreTrackedForTheNextBatch) {
    std::string database = "hrms";
    encode(BatchResult{{useDatabase("hrms_old")}}, false, database);
    EXPECT_EQ(database, "hrms_old");
}

} // namespace
} // namespace testserver::tds
