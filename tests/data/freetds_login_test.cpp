#include "data/database_error.h"
#include "data/sql_server_connection.h"
#include "tests/data/environment_guard.h"
#include "tests/data/fake_login_listener.h"

#include <gtest/gtest.h>

namespace dbc {
namespace {

struct LoginCase {
    const char* name;
    const char* serverForm; // "%s" is replaced by the listener's port
    std::string database;
    std::string user;
    std::string password;
};

std::ostream& operator<<(std::ostream& out, const LoginCase& c) {
    return out << c.name;
}

std::string serverBox(const std::string& form, int port) {
    std::string box = form;
    box.replace(box.find("%s"), 2, std::to_string(port));
    return box;
}

class FreeTdsLogin : public testing::TestWithParam<LoginCase> {};

// The four boxes reach the server exactly as typed: the connection string
// goes through unixODBC and the FreeTDS driver for real.
TEST_P(FreeTdsLogin, ReachesTheServerAsTyped) {
    test::EnvironmentGuard driver("DBCOMPARE_ODBC_DRIVER", std::nullopt);
    test::FakeLoginListener listener;
    const LoginCase& c = GetParam();
    ConnectionProperties properties{serverBox(c.serverForm, listener.port()), c.database, c.user,
                                    c.password};
    // The listener hangs up after the login, so the connection fails.
    EXPECT_THROW(connectSqlServer(properties, defaultOdbcDriver), DatabaseError);
    test::LoginRecord login = listener.login();
    EXPECT_EQ(login.userName, c.user);
    EXPECT_EQ(login.password, c.password);
    EXPECT_EQ(login.database, c.database);
}

INSTANTIATE_TEST_SUITE_P(
    Values, FreeTdsLogin,
    testing::Values(LoginCase{"plain", "127.0.0.1,%s", "hrms", "Sa", "secret"},
                    LoginCase{"dot_means_this_machine", ".,%s", "hrms", "Sa", ""},
                    LoginCase{"local_means_this_machine", "(local),%s", "hrms", "Sa", "x"},
                    LoginCase{"semicolon_equals_blanks", ".,%s", "my db", " sa ", " a;b=c;UID=x "},
                    LoginCase{"open_brace", ".,%s", "{db", "u{", "{p{"},
                    LoginCase{"close_brace_bare", ".,%s", "d}b", "u}", "p}}=q{x}"},
                    LoginCase{"semicolon_close_brace_equals", ".,%s", "hrms", "Sa", "p;}=q"},
                    LoginCase{"braced_password", ".,%s", "hrms", "Sa", "{a}"},
                    LoginCase{"chinese", ".,%s", "人事库", "用户", "密码;}=口令"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

// How FreeTDS reads each encryption setting, seen in its PRELOGIN, and what
// it does when the server (as this listener and the test server do)
// answers that it cannot encrypt.
struct EncryptionCase {
    const char* name;
    ConnectionSecurity security;
    int preloginEncryption; // MS-TDS: 0 off, 1 on, 2 not supported
    bool logsIn;            // whether a Login7 record follows
    const char* hint;       // what the error must say
};

std::ostream& operator<<(std::ostream& out, const EncryptionCase& c) {
    return out << c.name;
}

class FreeTdsEncryption : public testing::TestWithParam<EncryptionCase> {};

TEST_P(FreeTdsEncryption, AsksAsSetAndNeverLogsInUnprotected) {
    test::EnvironmentGuard driver("DBCOMPARE_ODBC_DRIVER", std::nullopt);
    test::FakeLoginListener listener;
    const EncryptionCase& c = GetParam();
    const std::string password = "s3cret;pw";
    ConnectionProperties properties{".," + std::to_string(listener.port()), "hrms", "Sa", password,
                                    c.security};
    try {
        connectSqlServer(properties, defaultOdbcDriver, {5, 5});
        FAIL() << "the listener hangs up, yet the connection succeeded";
    } catch (const DatabaseError& e) {
        EXPECT_EQ(std::string(e.what()).find(password), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find(c.hint), std::string::npos) << e.what();
    }
    EXPECT_EQ(listener.preloginEncryption(), c.preloginEncryption);
    if (c.logsIn)
        EXPECT_EQ(listener.login().password, password);
    else
        EXPECT_THROW(listener.login(), std::runtime_error);
}

INSTANTIATE_TEST_SUITE_P(
    Values, FreeTdsEncryption,
    testing::Values(
        // FreeTDS's default is "request": ENCRYPT_OFF, encrypted if the server
        // offers it.
        EncryptionCase{"driver_default", {}, 0, true, ""},
        EncryptionCase{"off", {Encryption::No, false, false}, 2, true, ""},
        EncryptionCase{"required",
                       {Encryption::Yes, false, false},
                       1,
                       false,
                       "(encryption was required: the server may not offer it, or its "
                       "certificate is not trusted)"},
        EncryptionCase{"required_trusting_the_certificate",
                       {Encryption::Yes, true, false},
                       1,
                       false,
                       "(encryption was required: the server may not offer it)"},
        // Without a Kerberos ticket for the server FreeTDS gives up before
        // sending a login.
        EncryptionCase{"integrated",
                       {Encryption::DriverDefault, false, true},
                       0,
                       false,
                       "(an integrated login was asked: it needs a Kerberos ticket"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

} // namespace
} // namespace dbc
