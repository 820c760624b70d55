#include "tests/testserver/raw_tds_client.h"
#include "testserver/tds/login7.h"
#include "testserver/tds/prelogin.h"
#include "testserver/tds/protocol_error.h"

#include <gtest/gtest.h>

namespace testserver::tds {
namespace {

TEST(Login7, FieldsAreDecodedFromTheirOffsets) {
    std::string record = test::buildLogin7("sa", "secret", "hrms", 0x74000004, 8192);
    Login7Request login = parseLogin7(record);
    EXPECT_EQ(login.tdsVersion, 0x74000004u);
    EXPECT_EQ(login.packetSize, 8192u);
    EXPECT_EQ(login.hostName, "testhost");
    EXPECT_EQ(login.userName, "sa");
    EXPECT_EQ(login.password, "secret");
    EXPECT_EQ(login.appName, "rawclient");
    EXPECT_EQ(login.serverName, "127.0.0.1");
    EXPECT_EQ(login.libraryName, "raw");
    EXPECT_EQ(login.database, "hrms");
}

TEST(Login7, NonAsciiNamesAndPasswordSurvive) {
    Login7Request login =
        parseLogin7(test::buildLogin7("用户", "口令€😀", "人事库", 0x71000001, 4096));
    EXPECT_EQ(login.userName, "用户");
    EXPECT_EQ(login.password, "口令€😀");
    EXPECT_EQ(login.database, "人事库");
}

TEST(Login7, EmptyFieldsAreEmpty) {
    Login7Request login = parseLogin7(test::buildLogin7("", "", "", 0x71000001, 0));
    EXPECT_EQ(login.userName, "");
    EXPECT_EQ(login.password, "");
    EXPECT_EQ(login.database, "");
    EXPECT_EQ(login.packetSize, 0u);
}

TEST(Login7, PasswordDeobfuscationUndoesNibbleSwapAndXor) {
    // 'a' (0x61): nibbles swapped 0x16, XOR 0xA5 gives 0xB3; the high byte
    // 0x00 gives 0xA5.
    EXPECT_EQ(deobfuscatePassword(std::string("\xB3\xA5", 2)), std::string("a\0", 2));
    EXPECT_EQ(deobfuscatePassword(std::string("\xA5", 1)), std::string("\0", 1));
}

TEST(Login7, TruncatedRecordIsAProtocolError) {
    std::string record = test::buildLogin7("sa", "pw", "hrms", 0x74000004, 4096);
    EXPECT_THROW(parseLogin7(record.substr(0, 50)), ProtocolError);
    // Declared length beyond the data received.
    EXPECT_THROW(parseLogin7(record.substr(0, record.size() - 2)), ProtocolError);
}

TEST(Login7, FieldPointingOutsideTheRecordIsAProtocolError) {
    std::string record = test::buildLogin7("sa", "pw", "hrms", 0x74000004, 4096);
    // The user name's offset (bytes 40-41) moved past the end.
    record[40] = '\xF0';
    record[41] = '\x7F';
    EXPECT_THROW(parseLogin7(record), ProtocolError);
}

TEST(Prelogin, AnswerOffersNoEncryptionAndSqlServer2000Version) {
    std::string answer = buildPreloginResponse();
    // Option table: VERSION at 26 (6 bytes), ENCRYPTION, INSTOPT, THREADID
    // (empty), MARS, terminator.
    ASSERT_GE(answer.size(), 26u + 6 + 1 + 1 + 1);
    EXPECT_EQ(answer.substr(0, 5), std::string("\x00\x00\x1A\x00\x06", 5));
    EXPECT_EQ(answer[25], '\xFF');
    EXPECT_EQ(answer.substr(26, 6), std::string("\x08\x00\x07\xF7\x00\x00", 6));
    PreloginRequest parsed = parsePrelogin(answer);
    ASSERT_TRUE(parsed.encryption.has_value());
    EXPECT_EQ(*parsed.encryption, 2); // ENCRYPT_NOT_SUP
    EXPECT_FALSE(parsed.mars);
}

TEST(Prelogin, MalformedOptionTablesAreProtocolErrors) {
    EXPECT_THROW(parsePrelogin(std::string("\x01\x00", 2)), ProtocolError); // cut short
    EXPECT_THROW(parsePrelogin(std::string("\x01\x00\x40\x00\x01\xFF", 6)), // past the end
                 ProtocolError);
    EXPECT_THROW(parsePrelogin(std::string()), ProtocolError); // no terminator
}

} // namespace
} // namespace testserver::tds
