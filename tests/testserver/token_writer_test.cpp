#include "testserver/tds/tds_constants.h"
#include "testserver/tds/token_writer.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

namespace testserver::tds {
namespace {

std::string fromHex(const std::string& hex) {
    std::istringstream in(hex);
    std::string bytes;
    std::string pair;
    while (in >> pair)
        bytes.push_back(static_cast<char>(std::stoi(pair, nullptr, 16)));
    return bytes;
}

std::string toHex(const std::string& bytes) {
    std::string hex;
    const char* digits = "0123456789ABCDEF";
    for (unsigned char c : bytes) {
        if (!hex.empty())
            hex += ' ';
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

const std::vector<ColumnPlan> kColumns{{"n", IntN, 4, 0, true}, {"s", NVarChar, 0, 20, false}};

struct TokenCase {
    const char* name;
    std::uint32_t version;
    std::function<void(TokenWriter&)> write;
    std::string expectedHex;
};

class TokenBytes : public ::testing::TestWithParam<TokenCase> {};

TEST_P(TokenBytes, MatchTheProtocolLayout) {
    ByteWriter out;
    TokenWriter writer(out, GetParam().version, "S", kChinesePrcCiAs);
    GetParam().write(writer);
    EXPECT_EQ(toHex(out.data()), toHex(fromHex(GetParam().expectedHex)));
}

const std::string kMicrosoftSqlServer =
    "4D 00 69 00 63 00 72 00 6F 00 73 00 6F 00 66 00 74 00 20 00 53 00 51 00 4C 00 20 00 "
    "53 00 65 00 72 00 76 00 65 00 72 00";

INSTANTIATE_TEST_SUITE_P(
    Golden, TokenBytes,
    ::testing::Values(
        TokenCase{"Done71", kTds71,
                  [](TokenWriter& w) { w.done(Done, DoneMore | DoneCount, 0xC1, 2); },
                  "FD 11 00 C1 00 02 00 00 00"},
        TokenCase{"Done74", kTds74,
                  [](TokenWriter& w) { w.done(Done, DoneMore | DoneCount, 0xC1, 2); },
                  "FD 11 00 C1 00 02 00 00 00 00 00 00 00"},
        TokenCase{"DoneInProcWithHugeCount74", kTds74,
                  [](TokenWriter& w) { w.done(DoneInProc, DoneError, 0, 0x100000000ull); },
                  "FF 02 00 00 00 00 00 00 00 01 00 00 00"},
        TokenCase{"Error71", kTds71,
                  [](TokenWriter& w) {
                      w.message(ServerMessage{208, 1, 16, "ab", 3});
                  },
                  "AA 12 00 D0 00 00 00 01 10 02 00 61 00 62 00 01 53 00 00 03 00"},
        TokenCase{"Error74", kTds74,
                  [](TokenWriter& w) {
                      w.message(ServerMessage{208, 1, 16, "ab", 3});
                  },
                  "AA 14 00 D0 00 00 00 01 10 02 00 61 00 62 00 01 53 00 00 03 00 00 00"},
        TokenCase{"InfoForSeverity10", kTds71,
                  [](TokenWriter& w) {
                      w.message(ServerMessage{5701, 2, 10, "", 1}, "p");
                  },
                  "AB 10 00 45 16 00 00 02 0A 00 00 01 53 00 01 70 00 01 00"},
        TokenCase{"EnvChangeDatabase", kTds71,
                  [](TokenWriter& w) { w.envChange(EnvDatabase, "b", "a"); },
                  "E3 07 00 01 01 62 00 01 61 00"},
        TokenCase{"Collation", kTds74, [](TokenWriter& w) { w.collationChange(); },
                  "E3 08 00 07 05 04 08 D0 00 00 00"},
        TokenCase{"LoginAck71", kTds71, [](TokenWriter& w) { w.loginAck(); },
                  "AD 32 00 01 71 00 00 01 14 " + kMicrosoftSqlServer + " 08 00 07 F7"},
        TokenCase{"LoginAck74", kTds74, [](TokenWriter& w) { w.loginAck(); },
                  "AD 32 00 01 74 00 00 04 14 " + kMicrosoftSqlServer + " 08 00 07 F7"},
        TokenCase{"ColMetadata71", kTds71, [](TokenWriter& w) { w.colMetadata(kColumns); },
                  "81 02 00 00 00 01 00 26 04 01 6E 00 "
                  "00 00 00 00 E7 14 00 04 08 D0 00 00 01 73 00"},
        TokenCase{"ColMetadata74", kTds74, [](TokenWriter& w) { w.colMetadata(kColumns); },
                  "81 02 00 00 00 00 00 01 00 26 04 01 6E 00 "
                  "00 00 00 00 00 00 E7 14 00 04 08 D0 00 00 01 73 00"},
        TokenCase{"RowWithNegativeIntAndNullText", kTds71,
                  [](TokenWriter& w) {
                      w.row(kColumns, {"-2", std::nullopt});
                  },
                  "D1 04 FE FF FF FF FF FF"},
        TokenCase{"RowWithNullIntAndText", kTds74,
                  [](TokenWriter& w) {
                      w.row(kColumns, {std::nullopt, "x"});
                  },
                  "D1 00 02 00 78 00"},
        TokenCase{"RowWithEmptyTextIsNotNull", kTds74,
                  [](TokenWriter& w) {
                      w.row(kColumns, {"0", ""});
                  },
                  "D1 04 00 00 00 00 00 00"},
        TokenCase{"RowShorterThanColumnsGetsNulls", kTds74,
                  [](TokenWriter& w) { w.row(kColumns, {"1"}); }, "D1 04 01 00 00 00 FF FF"},
        TokenCase{
            "IntSizes", kTds74,
            [](TokenWriter& w) {
                w.row({{"a", IntN, 1, 0, true}, {"b", IntN, 2, 0, true}, {"c", IntN, 8, 0, true}},
                      {"255", "-32768", "-9223372036854775808"});
            },
            "D1 01 FF 02 00 80 08 00 00 00 00 00 00 00 80"},
        TokenCase{"NTextColumnAndValue71", kTds71,
                  [](TokenWriter& w) {
                      std::vector<ColumnPlan> text{{"t", NText, 0, 0, true}};
                      w.colMetadata(text);
                      w.row(text, {"x"});
                      w.row(text, {std::nullopt});
                  },
                  "81 01 00 00 00 01 00 63 FE FF FF 7F 04 08 D0 00 00 00 00 01 74 00 "
                  "D1 10 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 "
                  "00 00 00 00 00 00 00 00 02 00 00 00 78 00 D1 00"},
        TokenCase{"NTextColumn74HasTablePartCount", kTds74,
                  [](TokenWriter& w) {
                      w.colMetadata({{"t", NText, 0, 0, false}});
                  },
                  "81 01 00 00 00 00 00 00 00 63 FE FF FF 7F 04 08 D0 00 00 00 01 74 00"},
        TokenCase{"BeginTransaction", kTds74,
                  [](TokenWriter& w) {
                      w.transactionChange(EnvBeginTransaction, std::string("\1\0\0\0\0\0\0\0", 8),
                                          "");
                  },
                  "E3 0B 00 08 08 01 00 00 00 00 00 00 00 00"},
        TokenCase{"CommitTransaction", kTds74,
                  [](TokenWriter& w) {
                      w.transactionChange(EnvCommitTransaction, "",
                                          std::string("\1\0\0\0\0\0\0\0", 8));
                  },
                  "E3 0B 00 09 00 08 01 00 00 00 00 00 00 00"},
        TokenCase{"ReturnStatus", kTds74, [](TokenWriter& w) { w.returnStatus(-6); },
                  "79 FA FF FF FF"}),
    [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

TEST(TokenWriter, LongMessageIsCutAndTheTokenLengthStillMatches) {
    ByteWriter out;
    TokenWriter writer(out, kTds74, "S", kChinesePrcCiAs);
    writer.message(ServerMessage{50000, 1, 16, std::string(40000, 'x'), 1});
    const std::string& bytes = out.data();
    std::size_t declared = static_cast<unsigned char>(bytes[1]) |
                           (static_cast<std::size_t>(static_cast<unsigned char>(bytes[2])) << 8);
    EXPECT_EQ(declared, bytes.size() - 3);
    std::size_t characters = static_cast<unsigned char>(bytes[9]) |
                             (static_cast<std::size_t>(static_cast<unsigned char>(bytes[10])) << 8);
    EXPECT_EQ(characters, 4000u);
}

TEST(TokenWriter, NamesLongerThan255UnitsAreCutToFitTheirLengthByte) {
    ByteWriter out;
    TokenWriter writer(out, kTds74, "S", kChinesePrcCiAs);
    writer.envChange(EnvDatabase, std::string(300, 'd'), "");
    EXPECT_EQ(static_cast<unsigned char>(out.data()[4]), 255);
    EXPECT_EQ(out.size(), 3u + 1 + 1 + 510 + 1);
}

} // namespace
} // namespace testserver::tds
