#include "data/database_error.h"
#include "data/sqlite_connection.h"
#include "tests/support/scratch_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace dbc {
namespace {

namespace fs = std::filesystem;
using Mode = SqliteConnection::OpenMode;

class SqliteConnectionTest : public testing::Test {
protected:
    fs::path file(const char* name) const { return m_dir.path() / name; }
    test::ScratchDir m_dir;
};

TEST_F(SqliteConnectionTest, ExistingModesNeverCreateTheFile) {
    for (Mode mode : {Mode::ExistingReadWrite, Mode::ReadOnly, Mode::Immutable}) {
        EXPECT_THROW(SqliteConnection(file("missing.db"), mode), DatabaseError);
        EXPECT_FALSE(fs::exists(file("missing.db")));
    }
    SqliteConnection created(file("new.db"), Mode::Create);
    EXPECT_TRUE(fs::exists(file("new.db")));
}

TEST_F(SqliteConnectionTest, ReadsEveryValueAsText) {
    SqliteConnection db(file("a.db"), Mode::Create);
    db.execute("CREATE TABLE t (i INTEGER, r REAL, s TEXT, n TEXT)");
    db.execute("INSERT INTO t VALUES (10, 1.5, 'abc', NULL); "
               "INSERT INTO t VALUES (-9223372036854775808, 0.25, '', NULL)");
    Result result = db.open("SELECT i AS Num, r, s, n FROM t ORDER BY rowid");
    EXPECT_EQ(result.columns(), (std::vector<std::string>{"Num", "r", "s", "n"}));
    ASSERT_EQ(result.size(), 2u);
    EXPECT_EQ(result.rows()[0], (Result::Row{"10", "1.5", "abc", ""}));
    EXPECT_EQ(result.rows()[1], (Result::Row{"-9223372036854775808", "0.25", "", ""}));
}

TEST_F(SqliteConnectionTest, TextWithNulBytesAndChineseComesBackWhole) {
    SqliteConnection db(file("a.db"), Mode::Create);
    db.execute("CREATE TABLE t (s TEXT)");
    SqliteStatement& insert = db.cachedStatement("INSERT INTO t VALUES (?)");
    const std::string value = std::string("前\0后", 7) + std::string(200000, 'z');
    insert.bind(1, value);
    insert.step();
    EXPECT_EQ(db.open("SELECT s FROM t").rows()[0][0], value);
}

TEST_F(SqliteConnectionTest, OpenReturnsTheFirstStatementWithColumns) {
    SqliteConnection db(file("a.db"), Mode::Create);
    Result result = db.open("CREATE TABLE t (a); INSERT INTO t VALUES (1); SELECT a FROM t; "
                            "INSERT INTO t VALUES (2)");
    EXPECT_EQ(result.size(), 1u);
    // The statement after the result ran as well.
    EXPECT_EQ(db.open("SELECT count(*) AS n FROM t").field(0, "n"), "2");
}

TEST_F(SqliteConnectionTest, StatementsWithoutColumnsAreNoResultSet) {
    SqliteConnection db(file("a.db"), Mode::Create);
    db.execute("CREATE TABLE t (a)");
    for (const char* sql : {"DELETE FROM t", "", "  -- nothing", "INSERT INTO t VALUES (1);"}) {
        try {
            db.open(sql);
            ADD_FAILURE() << "no error for " << sql;
        } catch (const DatabaseError& e) {
            EXPECT_STREQ(e.what(), "CommandText does not return a result set");
        }
    }
}

TEST_F(SqliteConnectionTest, ErrorsCarrySqlitesMessage) {
    SqliteConnection db(file("a.db"), Mode::Create);
    try {
        db.open("SELECT * FROM nosuch");
        FAIL() << "no error";
    } catch (const DatabaseError& e) {
        EXPECT_STREQ(e.what(), "no such table: nosuch");
        EXPECT_EQ(e.nativeError(), 1); // SQLITE_ERROR
    }
    db.execute("CREATE TABLE t (a UNIQUE)");
    db.execute("INSERT INTO t VALUES (1)");
    try {
        db.execute("INSERT INTO t VALUES (1)");
        FAIL() << "no error";
    } catch (const DatabaseError& e) {
        EXPECT_STREQ(e.what(), "UNIQUE constraint failed: t.a");
    }
}

TEST_F(SqliteConnectionTest, ReadOnlyRefusesWrites) {
    { SqliteConnection(file("a.db"), Mode::Create).execute("CREATE TABLE t (a)"); }
    SqliteConnection db(file("a.db"), Mode::ReadOnly);
    EXPECT_THROW(db.execute("INSERT INTO t VALUES (1)"), DatabaseError);
}

TEST_F(SqliteConnectionTest, CachedStatementIsReusedResetAndUnbound) {
    SqliteConnection db(file("a.db"), Mode::Create);
    db.execute("CREATE TABLE t (a, b)");
    SqliteStatement& first = db.cachedStatement("INSERT INTO t VALUES (?, ?)");
    first.bind(1, std::string("x"));
    first.bind(2, std::string("y"));
    first.step();
    SqliteStatement& second = db.cachedStatement("INSERT INTO t VALUES (?, ?)");
    EXPECT_EQ(&first, &second);
    second.bind(1, std::string("z")); // parameter 2 left unbound: NULL
    second.step();
    Result result = db.open("SELECT a, b, b IS NULL AS unset FROM t ORDER BY rowid");
    EXPECT_EQ(result.rows()[0], (Result::Row{"x", "y", "0"}));
    EXPECT_EQ(result.rows()[1], (Result::Row{"z", "", "1"}));
}

TEST_F(SqliteConnectionTest, NestedTransactionsKeepAndUndoTheirOwnWork) {
    SqliteConnection db(file("a.db"), Mode::Create);
    db.execute("CREATE TABLE t (a)");
    db.beginTransaction();
    db.execute("INSERT INTO t VALUES ('outer')");
    db.beginTransaction();
    db.execute("INSERT INTO t VALUES ('inner')");
    db.rollbackTransaction();
    EXPECT_EQ(db.transactionDepth(), 1);
    db.beginTransaction();
    db.execute("INSERT INTO t VALUES ('kept')");
    db.commitTransaction();
    db.commitTransaction();
    EXPECT_EQ(db.transactionDepth(), 0);
    Result result = db.open("SELECT a FROM t ORDER BY rowid");
    ASSERT_EQ(result.size(), 2u);
    EXPECT_EQ(result.rows()[0][0], "outer");
    EXPECT_EQ(result.rows()[1][0], "kept");
    EXPECT_THROW(db.commitTransaction(), DatabaseError);
    EXPECT_THROW(db.rollbackTransaction(), DatabaseError);
}

TEST_F(SqliteConnectionTest, ClosingWithAnOpenTransactionDiscardsIt) {
    {
        SqliteConnection db(file("a.db"), Mode::Create);
        db.execute("CREATE TABLE t (a)");
        db.beginTransaction();
        db.execute("INSERT INTO t VALUES (1)");
    }
    SqliteConnection db(file("a.db"), Mode::ExistingReadWrite);
    EXPECT_EQ(db.open("SELECT count(*) AS n FROM t").field(0, "n"), "0");
}

TEST_F(SqliteConnectionTest, ImmutableOpensNamesWithUriCharacters) {
    const fs::path odd = file("a?b#c%d e.db");
    { SqliteConnection(odd, Mode::Create).execute("CREATE TABLE t (a)"); }
    SqliteConnection db(odd, Mode::Immutable);
    EXPECT_EQ(db.open("SELECT count(*) AS n FROM t").field(0, "n"), "0");
}

} // namespace
} // namespace dbc
