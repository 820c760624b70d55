#include "tests/testserver/raw_tds_client.h"
#include "testserver/tds/protocol_error.h"
#include "testserver/tds/rpc_request.h"
#include "testserver/tds/sql_batch.h"
#include "testserver/tds/transaction_request.h"

#include <gtest/gtest.h>

namespace testserver::tds {
namespace {

using test::toUtf16;

std::string le16(std::uint16_t v) {
    return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}
std::string le32(std::uint32_t v) {
    return le16(v & 0xFFFF) + le16(static_cast<std::uint16_t>(v >> 16));
}

// ALL_HEADERS with one transaction descriptor header, as TDS 7.2+ clients
// put before a request.
std::string allHeaders() {
    return le32(22) + le32(18) + le16(2) + std::string(8, '\0') + le32(1);
}

TEST(SqlBatch, TextAfterAllHeadersIsDecoded) {
    EXPECT_EQ(parseSqlBatch(allHeaders() + toUtf16("select 1"), true), "select 1");
}

TEST(SqlBatch, Tds71BatchHasNoHeaders) {
    EXPECT_EQ(parseSqlBatch(toUtf16("select 员工"), false), "select 员工");
}

TEST(SqlBatch, HeadersWhoseLengthsDoNotAddUpAreTakenAsText) {
    // A total length beyond the payload.
    std::string bad = le32(400) + toUtf16("xy");
    EXPECT_EQ(skipAllHeaders(bad), bad);
    // A header longer than the block.
    std::string inner = le32(12) + le32(30) + le16(2) + le16(0) + toUtf16("q");
    EXPECT_EQ(skipAllHeaders(inner), inner);
    EXPECT_EQ(parseSqlBatch(std::string("\x01", 1), true), "\uFFFD");
}

std::string nvarcharParameter(const std::string& text) {
    std::string utf16 = toUtf16(text);
    return std::string("\x00\x00", 2) + '\xE7' + le16(8000) +
           std::string("\x04\x08\xD0\x00\x00", 5) + le16(static_cast<std::uint16_t>(utf16.size())) +
           utf16;
}

std::string byId(std::uint16_t id) {
    return le16(0xFFFF) + le16(id) + le16(0);
}

TEST(RpcRequest, ExecuteSqlByNumberWithOnlyTheStatementRuns) {
    RpcCall call = parseRpcRequest(allHeaders() + byId(10) + nvarcharParameter("select 2"), true);
    EXPECT_EQ(call.procedure, "sp_executesql");
    EXPECT_EQ(call.sql, "select 2");
}

TEST(RpcRequest, ExecuteSqlByNameRuns) {
    std::string name = toUtf16("sp_executesql");
    RpcCall call =
        parseRpcRequest(le16(13) + name + le16(0) + nvarcharParameter("select 3"), false);
    EXPECT_EQ(call.sql, "select 3");
}

TEST(RpcRequest, ExecuteSqlWithNTextOrMaxStatementRuns) {
    std::string text = toUtf16("select 4");
    std::string ntext = std::string("\x00\x00", 2) + '\x63' + le32(0x7FFFFFFF) +
                        std::string(5, '\0') + le32(static_cast<std::uint32_t>(text.size())) + text;
    EXPECT_EQ(parseRpcRequest(byId(10) + ntext, false).sql, "select 4");
    std::string plp = std::string("\x00\x00", 2) + '\xE7' + le16(0xFFFF) + std::string(5, '\0') +
                      le32(static_cast<std::uint32_t>(text.size())) + le32(0) + le32(6) +
                      text.substr(0, 6) + le32(static_cast<std::uint32_t>(text.size() - 6)) +
                      text.substr(6) + le32(0);
    EXPECT_EQ(parseRpcRequest(byId(10) + plp, true).sql, "select 4");
}

TEST(RpcRequest, OtherProceduresAndParametersAreUnsupported) {
    EXPECT_THROW(parseRpcRequest(byId(13) + nvarcharParameter("select 1"), false),
                 UnsupportedRpc); // sp_prepexec
    EXPECT_THROW(
        parseRpcRequest(byId(10) + nvarcharParameter("select @p") + nvarcharParameter("@p int"),
                        false),
        UnsupportedRpc);
    EXPECT_THROW(parseRpcRequest(byId(10), false), UnsupportedRpc);
    try {
        parseRpcRequest(byId(13), false);
        ADD_FAILURE() << "sp_prepexec was accepted";
    } catch (const UnsupportedRpc& e) {
        EXPECT_NE(std::string(e.what()).find("sp_prepexec"), std::string::npos);
    }
}

TEST(RpcRequest, TruncatedRequestIsAProtocolError) {
    std::string request = byId(10) + nvarcharParameter("select 2");
    EXPECT_THROW(parseRpcRequest(request.substr(0, request.size() - 3), false), ProtocolError);
    EXPECT_THROW(parseRpcRequest(le16(0xFFFF), false), ProtocolError);
}

struct TransactionCase {
    const char* name;
    std::string body; // after ALL_HEADERS
    TransactionRequest::Kind kind;
    bool beginAfter;
};

class TransactionRequests : public ::testing::TestWithParam<TransactionCase> {};

TEST_P(TransactionRequests, AreRecognised) {
    TransactionRequest request = parseTransactionRequest(allHeaders() + GetParam().body);
    EXPECT_EQ(request.kind, GetParam().kind);
    EXPECT_EQ(request.beginAfter, GetParam().beginAfter);
}

using Kind = TransactionRequest::Kind;

INSTANTIATE_TEST_SUITE_P(
    Golden, TransactionRequests,
    ::testing::Values(
        TransactionCase{"Begin", le16(5) + std::string("\x00\x00", 2), Kind::Begin, false},
        TransactionCase{"BeginNamed", le16(5) + std::string("\x02\x04", 2) + toUtf16("tx"),
                        Kind::Begin, false},
        TransactionCase{"Commit", le16(7) + std::string("\x00\x00", 2), Kind::Commit, false},
        TransactionCase{"CommitAndBeginNext", le16(7) + std::string("\x00\x01\x00\x00", 4),
                        Kind::Commit, true},
        TransactionCase{"Rollback", le16(8) + std::string("\x00\x00", 2), Kind::Rollback, false},
        TransactionCase{"RollbackAndBeginNext", le16(8) + std::string("\x00\x01\x00\x00", 4),
                        Kind::Rollback, true},
        TransactionCase{"SavePointIsUnsupported", le16(9) + std::string("\x00", 1),
                        Kind::Unsupported, false},
        TransactionCase{"DtcIsUnsupported", le16(0), Kind::Unsupported, false}),
    [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

TEST(TransactionRequests, CutShortIsAProtocolError) {
    EXPECT_THROW(parseTransactionRequest(allHeaders() + le16(7)), ProtocolError);
    EXPECT_THROW(parseTransactionRequest(allHeaders() + le16(5) + std::string("\x00\x05", 2)),
                 ProtocolError);
}

} // namespace
} // namespace testserver::tds
