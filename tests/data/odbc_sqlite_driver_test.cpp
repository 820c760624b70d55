// The ODBC code path against a real driver: unixODBC with the SQLite ODBC
// driver ("SQLite3", package libsqliteodbc) over a scratch database file.

#include "data/database_error.h"
#include "data/odbc_connection.h"
#include "data/odbc_connection_string.h"
#include "data/sqlite_connection.h"
#include "tests/support/scratch_dir.h"

#include <gtest/gtest.h>

namespace dbc {
namespace {

class OdbcSqliteDriver : public testing::Test {
protected:
    void SetUp() override {
        m_connection = std::make_unique<OdbcConnection>(connectionString());
        m_connection->execute("CREATE TABLE t (id INTEGER, name TEXT, note TEXT)");
    }

    // The SQLite driver reads values up to ";" only (it knows no braces), so
    // the scratch path goes in bare; DRIVER is read by unixODBC.
    std::string connectionString() const {
        return "DRIVER=" + quoteOdbcValue("SQLite3") +
               ";Database=" + (m_dir.path() / "odbc.db").string() + ";";
    }

    test::ScratchDir m_dir;
    std::unique_ptr<OdbcConnection> m_connection;
};

TEST_F(OdbcSqliteDriver, ColumnNamesAreTheAliases) {
    Result result = m_connection->open("SELECT 1 AS Length, 'x' AS TypeName, 2 AS colStat");
    EXPECT_EQ(result.columns(), (std::vector<std::string>{"Length", "TypeName", "colStat"}));
    EXPECT_EQ(result.field(0, "length"), "1");
    EXPECT_EQ(result.field(0, "typename"), "x");
    EXPECT_EQ(result.field(0, "COLSTAT"), "2");
}

TEST_F(OdbcSqliteDriver, NullIsEmptyTextAndIntegersArePlainDecimal) {
    m_connection->execute("INSERT INTO t VALUES (NULL, NULL, '')");
    m_connection->execute("INSERT INTO t VALUES (-2147483648, 'a', 'b')");
    m_connection->execute("INSERT INTO t VALUES (9007199254740993, 'c', 'd')");
    Result result = m_connection->open("SELECT id, name, note FROM t ORDER BY rowid");
    ASSERT_EQ(result.size(), 3u);
    EXPECT_EQ(result.rows()[0], (Result::Row{"", "", ""}));
    EXPECT_EQ(result.rows()[1], (Result::Row{"-2147483648", "a", "b"}));
    EXPECT_EQ(result.rows()[2], (Result::Row{"9007199254740993", "c", "d"}));
}

TEST_F(OdbcSqliteDriver, FetchesManyRows) {
    m_connection->execute("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                          "WHERE i < 10000) INSERT INTO t SELECT i, 'row' || i, NULL FROM n");
    Result result = m_connection->open("SELECT id, name FROM t ORDER BY id");
    ASSERT_EQ(result.size(), 10000u);
    EXPECT_EQ(result.rows()[0], (Result::Row{"1", "row1"}));
    EXPECT_EQ(result.rows()[9999], (Result::Row{"10000", "row10000"}));
}

TEST_F(OdbcSqliteDriver, LongTextComesBackWhole) {
    // 100 KB with a marker at each end, longer than one fetch piece.
    std::string text = "<" + std::string(100 * 1024, 'x') + ">";
    for (std::size_t i = 0; i < text.size(); i += 997)
        text[i] = static_cast<char>('a' + (i / 997) % 26);
    m_connection->execute("INSERT INTO t VALUES (1, '" + text + "', NULL)");
    Result result = m_connection->open("SELECT name FROM t");
    ASSERT_EQ(result.size(), 1u);
    EXPECT_EQ(result.rows()[0][0].size(), text.size());
    EXPECT_EQ(result.rows()[0][0], text);
}

TEST_F(OdbcSqliteDriver, ChineseTextComesBackWhole) {
    // This stand-in driver's wide entry points mangle Chinese statement text
    // and column names (it widens UTF-8 bytes one by one); only its values
    // come back right. So the text is written into the file directly and
    // read through ODBC; Chinese statements and names are left to the
    // FreeTDS tests.
    const std::string text = "数据库比对工具：共有字段";
    {
        SqliteConnection direct(m_dir.path() / "odbc.db",
                                SqliteConnection::OpenMode::ExistingReadWrite);
        direct.execute("INSERT INTO t VALUES (1, '" + text + "', '字段')");
    }
    Result result = m_connection->open("SELECT name, note FROM t");
    ASSERT_EQ(result.size(), 1u);
    EXPECT_EQ(result.field(0, "name"), text);
    EXPECT_EQ(result.field(0, "note"), "字段");
}

TEST_F(OdbcSqliteDriver, PassesTheDriversMessageThrough) {
    try {
        m_connection->open("SELECT * FROM nosuch");
        FAIL() << "no error";
    } catch (const DatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("no such table: nosuch"), std::string::npos)
            << e.what();
        EXPECT_NE(std::string(e.what()).front(), '[') << "driver prefix left: " << e.what();
        EXPECT_FALSE(e.sqlState().empty());
    }
}

TEST_F(OdbcSqliteDriver, StatementWithoutResultSetIsAnErrorForOpen) {
    m_connection->execute("INSERT INTO t VALUES (1, 'a', 'b')");
    try {
        m_connection->open("DELETE FROM t");
        FAIL() << "no error";
    } catch (const DatabaseError& e) {
        EXPECT_STREQ(e.what(), "CommandText does not return a result set");
    }
    // The statement ran all the same.
    EXPECT_EQ(m_connection->open("SELECT count(*) AS n FROM t").field(0, "n"), "0");
}

TEST_F(OdbcSqliteDriver, EmptyResultHasItsColumns) {
    Result result = m_connection->open("SELECT id AS Id, name FROM t");
    EXPECT_TRUE(result.empty());
    EXPECT_EQ(result.columns(), (std::vector<std::string>{"Id", "name"}));
}

TEST_F(OdbcSqliteDriver, ExecuteReportsErrors) {
    EXPECT_THROW(m_connection->execute("INSERT INTO nosuch VALUES (1)"), DatabaseError);
    EXPECT_NO_THROW(m_connection->execute("UPDATE t SET id = 2 WHERE id = 1"));
}

TEST(OdbcConnectionOpen, UnixOdbcReadsBracedDriverNamesByOdbcRule) {
    // "}}" in a braced value stands for one "}": the manager looks for a
    // driver named "No}Such", and says so.
    try {
        OdbcConnection connection("DRIVER=" + quoteOdbcValue("No}Such") + ";Database=x;");
        FAIL() << "connected";
    } catch (const DatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("'No}Such'"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).front(), '[') << e.what();
    }
}

TEST(OdbcConnectionOpen, RefusedConnectionCarriesTheDriversMessage) {
    test::ScratchDir dir;
    // A directory is no database file.
    try {
        OdbcConnection connection("DRIVER={SQLite3};Database=" + dir.path().string() + ";");
        FAIL() << "connected";
    } catch (const DatabaseError& e) {
        EXPECT_FALSE(std::string(e.what()).empty());
    }
}

} // namespace
} // namespace dbc
