#include "data/database_error.h"
#include "data/sql_server_connection.h"

#include <gtest/gtest.h>

namespace dbc {
namespace {

struct StringCase {
    const char* name;
    ConnectionProperties properties;
    const char* driver;
    const char* expected;
};

std::ostream& operator<<(std::ostream& out, const StringCase& c) {
    return out << c.name;
}

class OdbcConnectionString : public testing::TestWithParam<StringCase> {};

TEST_P(OdbcConnectionString, MapsTheFourBoxes) {
    EXPECT_EQ(odbcConnectionString(GetParam().properties, GetParam().driver), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    FreeTds, OdbcConnectionString,
    testing::Values(
        StringCase{"dot_is_this_machine",
                   {".", "hrms", "Sa", ""},
                   "FreeTDS",
                   "DRIVER={FreeTDS};SERVER={127.0.0.1};DATABASE={hrms};UID={Sa};PWD={};"
                   "ClientCharset=UTF-8;TDS_Version=7.4;"},
        StringCase{"local_is_this_machine",
                   {"(local)", "hrms", "Sa", "pw"},
                   "FreeTDS",
                   "DRIVER={FreeTDS};SERVER={127.0.0.1};DATABASE={hrms};UID={Sa};PWD={pw};"
                   "ClientCharset=UTF-8;TDS_Version=7.4;"},
        StringCase{"local_in_capitals",
                   {"(LOCAL)", "d", "u", "p"},
                   "FreeTDS",
                   "DRIVER={FreeTDS};SERVER={127.0.0.1};DATABASE={d};UID={u};PWD={p};"
                   "ClientCharset=UTF-8;TDS_Version=7.4;"},
        StringCase{"host_comma_port",
                   {"db.example.com,1533", "d", "u", "p"},
                   "FreeTDS",
                   "DRIVER={FreeTDS};SERVER={db.example.com};PORT={1533};DATABASE={d};UID={u};"
                   "PWD={p};ClientCharset=UTF-8;TDS_Version=7.4;"},
        StringCase{"dot_comma_port",
                   {".,14330", "d", "u", "p"},
                   "FreeTDS",
                   "DRIVER={FreeTDS};SERVER={127.0.0.1};PORT={14330};DATABASE={d};UID={u};"
                   "PWD={p};ClientCharset=UTF-8;TDS_Version=7.4;"},
        StringCase{"tcp_prefix",
                   {"tcp:host,1433", "d", "u", "p"},
                   "FreeTDS",
                   "DRIVER={FreeTDS};SERVER={host};PORT={1433};DATABASE={d};UID={u};PWD={p};"
                   "ClientCharset=UTF-8;TDS_Version=7.4;"},
        StringCase{"host_backslash_instance",
                   {"srv\\SQLEXPRESS", "d", "u", "p"},
                   "FreeTDS",
                   "DRIVER={FreeTDS};SERVER={srv\\SQLEXPRESS};DATABASE={d};UID={u};PWD={p};"
                   "ClientCharset=UTF-8;TDS_Version=7.4;"},
        StringCase{"local_backslash_instance",
                   {"(local)\\SQL2000", "d", "u", "p"},
                   "FreeTDS",
                   "DRIVER={FreeTDS};SERVER={127.0.0.1\\SQL2000};DATABASE={d};UID={u};PWD={p};"
                   "ClientCharset=UTF-8;TDS_Version=7.4;"},
        StringCase{"semicolon_equals_blanks_and_open_brace_stay_in_braces",
                   {"h", "my db", " sa ", "a;b=c {d "},
                   "FreeTDS",
                   "DRIVER={FreeTDS};SERVER={h};DATABASE={my db};UID={ sa };PWD={a;b=c {d };"
                   "ClientCharset=UTF-8;TDS_Version=7.4;"},
        StringCase{"injection_attempt_stays_one_value",
                   {"h", "d", "u", "x;DATABASE=master;UID=sa"},
                   "FreeTDS",
                   "DRIVER={FreeTDS};SERVER={h};DATABASE={d};UID={u};"
                   "PWD={x;DATABASE=master;UID=sa};ClientCharset=UTF-8;TDS_Version=7.4;"},
        // A "}" without ";" goes bare: both unixODBC and FreeTDS read it up
        // to the next ";" and neither undoubles anything there.
        StringCase{"close_brace_without_semicolon_goes_bare",
                   {"h", "d", "u", "a}b=c {x}"},
                   "FreeTDS",
                   "DRIVER={FreeTDS};SERVER={h};DATABASE={d};UID={u};PWD=a}b=c {x};"
                   "ClientCharset=UTF-8;TDS_Version=7.4;"},
        // FreeTDS reads "{p;}=}" up to the "};"; unixODBC misreads it, but
        // sees no setting in what it misreads.
        StringCase{"semicolon_brace_equals",
                   {"h", "d", "u", "p;}="},
                   "FreeTDS",
                   "DRIVER={FreeTDS};SERVER={h};DATABASE={d};UID={u};PWD={p;}=};"
                   "ClientCharset=UTF-8;TDS_Version=7.4;"},
        StringCase{"leading_brace_with_close_brace",
                   {"h", "d", "u", "{a}"},
                   "FreeTDS",
                   "DRIVER={FreeTDS};SERVER={h};DATABASE={d};UID={u};PWD={{a}};"
                   "ClientCharset=UTF-8;TDS_Version=7.4;"},
        StringCase{"encryption_off",
                   {".", "d", "u", "p", {Encryption::No, false, false}},
                   "FreeTDS",
                   "DRIVER={FreeTDS};SERVER={127.0.0.1};DATABASE={d};UID={u};PWD={p};"
                   "ClientCharset=UTF-8;TDS_Version=7.4;Encryption=off;"},
        // FreeTDS checks no certificate unless freetds.conf names a CA file.
        StringCase{"encryption_required_certificate_trusted",
                   {".", "d", "u", "p", {Encryption::Yes, true, false}},
                   "FreeTDS",
                   "DRIVER={FreeTDS};SERVER={127.0.0.1};DATABASE={d};UID={u};PWD={p};"
                   "ClientCharset=UTF-8;TDS_Version=7.4;Encryption=require;"},
        StringCase{"integrated_login_sends_no_user_or_password",
                   {"db01\\HR", "d", "Sa", "secret", {Encryption::DriverDefault, false, true}},
                   "FreeTDS",
                   "DRIVER={FreeTDS};SERVER={db01\\HR};DATABASE={d};"
                   "ClientCharset=UTF-8;TDS_Version=7.4;Trusted_Connection=Yes;"},
        StringCase{"driver_path_counts_as_freetds",
                   {".", "d", "u", "p"},
                   "/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so",
                   "DRIVER={/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so};SERVER={127.0.0.1};"
                   "DATABASE={d};UID={u};PWD={p};ClientCharset=UTF-8;TDS_Version=7.4;"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

INSTANTIATE_TEST_SUITE_P(
    OtherDriver, OdbcConnectionString,
    testing::Values(
        StringCase{"server_as_typed",
                   {".\\SQLEXPRESS", "hrms", "Sa", ""},
                   "ODBC Driver 18 for SQL Server",
                   "DRIVER={ODBC Driver 18 for SQL Server};SERVER={.\\SQLEXPRESS};"
                   "DATABASE={hrms};UID={Sa};PWD={};"},
        StringCase{"host_comma_port_as_typed",
                   {"host,1433", "d", "u", "p"},
                   "ODBC Driver 18 for SQL Server",
                   "DRIVER={ODBC Driver 18 for SQL Server};SERVER={host,1433};DATABASE={d};"
                   "UID={u};PWD={p};"},
        StringCase{"braces_doubled_by_odbc_rule",
                   {"h", "d}", "u", "p;}=}{ "},
                   "ODBC Driver 18 for SQL Server",
                   "DRIVER={ODBC Driver 18 for SQL Server};SERVER={h};DATABASE={d}}};UID={u};"
                   "PWD={p;}}=}}{ };"},
        StringCase{"encrypt_no",
                   {"h", "d", "u", "p", {Encryption::No, false, false}},
                   "ODBC Driver 18 for SQL Server",
                   "DRIVER={ODBC Driver 18 for SQL Server};SERVER={h};DATABASE={d};UID={u};"
                   "PWD={p};Encrypt=no;"},
        StringCase{"encrypt_yes_trusting_the_certificate",
                   {"h", "d", "u", "p", {Encryption::Yes, true, false}},
                   "ODBC Driver 18 for SQL Server",
                   "DRIVER={ODBC Driver 18 for SQL Server};SERVER={h};DATABASE={d};UID={u};"
                   "PWD={p};Encrypt=yes;TrustServerCertificate=yes;"},
        StringCase{"strict",
                   {"h", "d", "u", "p", {Encryption::Strict, false, false}},
                   "ODBC Driver 18 for SQL Server",
                   "DRIVER={ODBC Driver 18 for SQL Server};SERVER={h};DATABASE={d};UID={u};"
                   "PWD={p};Encrypt=strict;"},
        // The certificate may be trusted while the driver's own default
        // decides the encryption (Driver 18: encrypted).
        StringCase{"trust_only",
                   {"h", "d", "u", "p", {Encryption::DriverDefault, true, false}},
                   "ODBC Driver 18 for SQL Server",
                   "DRIVER={ODBC Driver 18 for SQL Server};SERVER={h};DATABASE={d};UID={u};"
                   "PWD={p};TrustServerCertificate=yes;"},
        StringCase{"integrated_login_sends_no_user_or_password",
                   {"h", "d", "Sa", "secret", {Encryption::Yes, false, true}},
                   "ODBC Driver 18 for SQL Server",
                   "DRIVER={ODBC Driver 18 for SQL Server};SERVER={h};DATABASE={d};"
                   "Encrypt=yes;Trusted_Connection=yes;"},
        StringCase{"driver_name_with_braces_and_semicolon",
                   {"h", "d", "u", "p"},
                   "My;Driver}",
                   "DRIVER={My;Driver}}};SERVER={h};DATABASE={d};UID={u};PWD={p};"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(QuoteOdbcValue, DoublesEveryClosingBrace) {
    EXPECT_EQ(quoteOdbcValue(""), "{}");
    EXPECT_EQ(quoteOdbcValue("}"), "{}}}");
    EXPECT_EQ(quoteOdbcValue("a}}b"), "{a}}}}b}");
    EXPECT_EQ(quoteOdbcValue("{x"), "{{x}");
}

struct RefusedCase {
    const char* name;
    ConnectionProperties properties;
    const char* box;
};

std::ostream& operator<<(std::ostream& out, const RefusedCase& c) {
    return out << c.name;
}

class RefusedForFreeTds : public testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedForFreeTds, NamesTheBox) {
    try {
        std::string text = odbcConnectionString(GetParam().properties, "FreeTDS");
        FAIL() << "built " << text;
    } catch (const DatabaseError& e) {
        EXPECT_EQ(std::string(e.what()).rfind(GetParam().box, 0), 0u) << e.what();
        const std::string& password = GetParam().properties.password;
        if (password.size() > 3) {
            EXPECT_EQ(std::string(e.what()).find(password), std::string::npos) << e.what();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, RefusedForFreeTds,
    testing::Values(
        // FreeTDS would end the value at "};" and read the rest as settings.
        RefusedCase{"close_brace_semicolon", {".", "d", "u", "x};DATABASE=master"}, "the password"},
        RefusedCase{"close_brace_semicolon_in_user", {".", "d", "a};b", "p"}, "the user name"},
        // FreeTDS would read this right, but unixODBC would stop at the
        // first "}" and load the driver named after it.
        RefusedCase{
            "driver_for_the_manager", {".", "d", "u", "p;} ;DRIVER=NoSuch"}, "the password"},
        RefusedCase{"dsn_for_the_manager", {".", "d", "u", "{x}DSN=y;"}, "the password"},
        RefusedCase{"setting_after_the_first_brace", {".", "d", "u", "a}UID=x;"}, "the password"},
        RefusedCase{"nul", {".", std::string("d\0x", 3), "u", "p"}, "the database name"},
        // FreeTDS 1.3 has no TDS 8.0: it must not fall back to less.
        RefusedCase{"strict_encryption",
                    {".", "d", "u", "s3cret;pw", {Encryption::Strict, true, false}},
                    "strict encryption"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

// FreeTDS would read the rest of such a driver name as settings.
TEST(RefusedForFreeTds, ADriverNameWithCloseBraceSemicolon) {
    EXPECT_THROW(odbcConnectionString({".", "d", "u", "p"}, "FreeTDS};SERVER={elsewhere"),
                 DatabaseError);
    EXPECT_NO_THROW(odbcConnectionString({".", "d", "u", "p"}, "FreeTDS {1.3}"));
}

TEST(ParseAsUnixOdbc, ReadsBracesByOdbcRule) {
    using Pairs = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(parseAsUnixOdbc("DRIVER={Free}}TDS};A=b; c ={x;y}"),
              (Pairs{{"DRIVER", "Free}TDS"}, {"A", "b"}, {"c ", "x;y"}}));
    // A single "}" ends the value; what follows up to "=" is a keyword.
    EXPECT_EQ(parseAsUnixOdbc("PWD={p;}=};X=1"), (Pairs{{"PWD", "p;"}, {"", "}"}, {"X", "1"}}));
    EXPECT_EQ(parseAsUnixOdbc("PWD={a} ;DRIVER=z}"), (Pairs{{"PWD", "a"}, {"DRIVER", "z}"}}));
    EXPECT_EQ(parseAsUnixOdbc(";;"), Pairs{});
    EXPECT_EQ(parseAsUnixOdbc("A={unterminated"), (Pairs{{"A", "unterminated"}}));
}

TEST(ConnectSqlServer, UsesTheDriverItIsGiven) {
    // A driver that is not installed: unixODBC's refusal shows which name
    // reached it.
    try {
        connectSqlServer({".", "hrms", "Sa", ""}, "NoSuchDriverForTests");
        FAIL() << "connected through a driver that does not exist";
    } catch (const DatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("NoSuchDriverForTests"), std::string::npos)
            << e.what();
    }
}

// What a message names as the address tried, for each way of writing the
// server box.
TEST(ServerAddress, NamesHostAndPortAsTried) {
    const std::pair<const char*, const char*> cases[] = {
        {".", "127.0.0.1,1433"},
        {"(LOCAL)", "127.0.0.1,1433"},
        {"db01", "db01,1433"},
        {"db01,1500", "db01,1500"},
        {"tcp:db01,1500", "db01,1500"},
        {".,41000", "127.0.0.1,41000"},
        {".\\SQLEXPRESS", "127.0.0.1\\SQLEXPRESS"},
        {"db01\\HR", "db01\\HR"},
    };
    for (const auto& [box, address] : cases)
        EXPECT_EQ(serverAddress(box), address) << box;
}

} // namespace
} // namespace dbc
