// Sessions: logins, use, connect-time chatter, batches and their failures.

#include "tests/testserver_engine/engine_test_support.h"

#include "testserver/engine/catalog_db.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>

namespace testserver::test {
namespace {

const char* const kSmallSchema = "CREATE TABLE [dbo].[T] ([id] [int] NOT NULL)\nGO\n";

class SessionTest : public ::testing::Test {
protected:
    SessionTest() : m_db(kSmallSchema) { loadScript(*m_db.engine, "other", "select 1\n"); }
    EngineWithSession m_db;
};

TEST_F(SessionTest, UseSwitchesDatabaseWithEnvChangeAndInfo5701) {
    StatementOutcome outcome = m_db.run("use OTHER");
    EXPECT_FALSE(outcome.failed);
    ASSERT_TRUE(outcome.newDatabase.has_value());
    EXPECT_EQ(*outcome.newDatabase, "other"); // as the file spells it
    ASSERT_EQ(outcome.messages.size(), 1u);
    EXPECT_EQ(outcome.messages[0].number, 5701);
    EXPECT_LE(outcome.messages[0].severity, 10);
    EXPECT_EQ(outcome.messages[0].text, "Changed database context to 'other'.");
    EXPECT_EQ(m_db.session->database(), "other");
    EXPECT_TRUE(m_db.query("select name from sysobjects where xtype = 'U'").rows.empty());

    outcome = m_db.run("USE [hrms]");
    EXPECT_EQ(outcome.newDatabase, std::optional<std::string>("hrms"));
    EXPECT_EQ(m_db.query("select name from sysobjects where xtype = 'U'").rows.size(), 1u);
}

TEST_F(SessionTest, UseOfUnknownDatabaseFailsWith911AndKeepsTheDatabase) {
    StatementOutcome outcome = m_db.run("use nosuch");
    EXPECT_TRUE(outcome.failed);
    EXPECT_FALSE(outcome.newDatabase.has_value());
    ASSERT_EQ(outcome.messages.size(), 1u);
    EXPECT_EQ(outcome.messages[0].number, 911);
    EXPECT_EQ(outcome.messages[0].severity, 16);
    EXPECT_EQ(outcome.messages[0].text,
              "Could not locate entry in sysdatabases for database 'nosuch'. No entry found with "
              "that name. Make sure that the name is entered correctly.");
    EXPECT_EQ(m_db.session->database(), "hrms");
}

// A catalog file written before extended properties, ROWGUIDCOL and
// identity NOT FOR REPLICATION were kept opens with them added and keeps its
// identity.
TEST(CatalogUpgradeTest, AnEarlierCatalogGainsTheLaterTablesAndColumns) {
    EngineWithSession db("CREATE TABLE T (id int IDENTITY (7, 3) NOT NULL)\nGO\n");
    db.session.reset();
    {
        CatalogDb earlier(db.dir.path() / "hrms.sqlite", CatalogDb::Mode::OpenExisting);
        earlier.execute("DROP TABLE sysproperties; DROP TABLE testserver_rowguidcol; ALTER TABLE "
                        "testserver_identity DROP COLUMN not_for_replication");
    }
    db.session = db.engine->login("sa", "", "hrms");
    db.exec("CREATE TABLE N (i int IDENTITY (1, 1) NOT FOR REPLICATION, g uniqueidentifier "
            "ROWGUIDCOL NULL)\nexec sp_addextendedproperty 'Caption', 'N', 'user', 'dbo', "
            "'table', 'N'");
    EXPECT_EQ(rowsAsText(db.query(
                  "select IDENT_SEED('T'), COLUMNPROPERTY(object_id('T'), 'id', "
                  "'IsIdNotForRepl'), COLUMNPROPERTY(object_id('N'), 'i', 'IsIdNotForRepl'), "
                  "COLUMNPROPERTY(object_id('N'), 'g', 'IsRowGuidCol'), (select count(*) from "
                  "sysproperties)")),
              std::vector<std::string>{"7|0|1|1|1"});
}

TEST(EngineLoginTest, CredentialsAndDatabasesAreChecked) {
    ScratchDir dir;
    Engine engine(dir.path(), Credentials{"sa", "secret"});
    try {
        engine.login("sa", "wrong", "");
        FAIL();
    } catch (const LoginRefused& refused) {
        EXPECT_EQ(refused.message().number, 18456);
        EXPECT_EQ(refused.message().severity, 14);
        EXPECT_EQ(refused.message().text, "Login failed for user 'sa'.");
    }
    EXPECT_THROW(engine.login("Sa", "secret", ""), LoginRefused);
    try {
        engine.login("sa", "secret", "hrms");
        FAIL();
    } catch (const LoginRefused& refused) {
        EXPECT_EQ(refused.message().number, 4060);
        EXPECT_EQ(refused.message().text,
                  "Cannot open database requested in login 'hrms'. Login fails.");
    }
    // No database at all: the login lands in an empty master.
    EXPECT_EQ(engine.login("sa", "secret", "")->database(), "master");
    engine.runScript("CREATE DATABASE zeta\nGO\nCREATE DATABASE Alpha\n");
    EXPECT_EQ(engine.login("sa", "secret", "")->database(), "Alpha");
    EXPECT_EQ(engine.login("sa", "secret", "ZETA")->database(), "zeta");
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "zeta.sqlite"));
}

TEST_F(SessionTest, ConnectTimeChatterIsAnswered) {
    for (const char* sql :
         {"SET TEXTSIZE 2147483647", "SET ANSI_NULLS ON", "set quoted_identifier on",
          "SET ANSI_WARNINGS, ANSI_PADDING ON", "SET IMPLICIT_TRANSACTIONS OFF",
          "SET TRANSACTION ISOLATION LEVEL READ COMMITTED", "SET LOCK_TIMEOUT -1",
          "SET DATEFORMAT mdy", "SET LANGUAGE us_english", "IF @@TRANCOUNT > 0 COMMIT TRAN"}) {
        StatementOutcome outcome = m_db.run(sql);
        EXPECT_FALSE(outcome.failed) << sql << "\n" << messagesOf(outcome);
        EXPECT_FALSE(outcome.resultSet.has_value()) << sql;
    }
    ResultSet spid = m_db.query("select @@spid");
    ASSERT_EQ(spid.columns.size(), 1u);
    EXPECT_EQ(spid.columns[0].name, ""); // no alias, no name
    EXPECT_EQ(spid.columns[0].type, ColumnType::Int);
    EXPECT_GE(std::stoi(*spid.rows[0][0]), 51);
    EXPECT_NE(m_db.query("SELECT @@VERSION").rows[0][0]->find("Microsoft SQL Server  2000"),
              std::string::npos);
    ResultSet properties =
        m_db.query("select serverproperty('ProductVersion') as v, serverproperty('EngineEdition') "
                   "as e, db_name() as d, @@trancount as t, serverproperty('InstanceName') i");
    EXPECT_EQ(rowsAsText(properties), std::vector<std::string>{"8.00.2039|3|hrms|0|NULL"});
    EXPECT_EQ(properties.columns[4].name, "i");
}

TEST_F(SessionTest, NocountDropsRowCountsAndFmtonlyDropsRows) {
    StatementOutcome counted = m_db.run("select name from sysobjects where 1 = 0");
    EXPECT_EQ(counted.rowCount, std::optional<long long>(0));
    m_db.exec("SET NOCOUNT ON");
    EXPECT_FALSE(m_db.run("select name from sysobjects").rowCount.has_value());
    m_db.exec("SET NOCOUNT OFF SET FMTONLY ON");
    StatementOutcome format = m_db.run("select name, id from sysobjects");
    ASSERT_TRUE(format.resultSet.has_value());
    EXPECT_EQ(format.resultSet->columns.size(), 2u);
    EXPECT_TRUE(format.resultSet->rows.empty());
}

TEST_F(SessionTest, SyntaxErrorAnywhereRefusesTheWholeBatch) {
    BatchResult result = m_db.session->executeBatch(
        "CREATE TABLE Early (a int)\nselect 1\nAlter Table T Add c int NULL nonsense here");
    ASSERT_EQ(result.statements.size(), 1u);
    EXPECT_TRUE(result.statements[0].failed);
    EXPECT_EQ(result.statements[0].messages[0].number, 102);
    EXPECT_EQ(result.statements[0].messages[0].text, "Incorrect syntax near 'nonsense'.");
    EXPECT_EQ(result.statements[0].messages[0].line, 3);
    EXPECT_TRUE(m_db.query("select * from sysobjects where name = 'Early'").rows.empty());
}

TEST_F(SessionTest, RuntimeErrorFailsItsStatementAndTheBatchGoesOn) {
    BatchResult result =
        m_db.session->executeBatch("select 1 as a\nselect * from NoSuchTable\nselect 2 as b");
    ASSERT_EQ(result.statements.size(), 3u);
    EXPECT_FALSE(result.statements[0].failed);
    EXPECT_TRUE(result.statements[1].failed);
    EXPECT_EQ(result.statements[1].messages[0].number, 208);
    EXPECT_EQ(result.statements[1].messages[0].text, "Invalid object name 'NoSuchTable'.");
    EXPECT_EQ(result.statements[1].messages[0].line, 2);
    EXPECT_EQ(rowsAsText(*result.statements[2].resultSet), std::vector<std::string>{"2"});
}

TEST_F(SessionTest, SelectErrorsCarrySqlServersNumbers) {
    struct Case {
        const char* sql;
        int number;
    } cases[] = {{"select nosuch from sysobjects", 207},
                 {"select a.name from sysobjects a, syscolumns b where name = 'x'", 209},
                 {"select foo(1)", 195},
                 {"select * from", 102},
                 {"select @x", 137}};
    for (const Case& c : cases) {
        StatementOutcome outcome = m_db.run(c.sql);
        EXPECT_TRUE(outcome.failed) << c.sql;
        ASSERT_FALSE(outcome.messages.empty()) << c.sql;
        EXPECT_EQ(outcome.messages[0].number, c.number) << c.sql << ": " << messagesOf(outcome);
    }
}

TEST_F(SessionTest, TransactionsCountAndRollBack) {
    StatementOutcome commit = m_db.run("COMMIT TRANSACTION");
    EXPECT_TRUE(commit.failed);
    EXPECT_EQ(commit.messages[0].number, 3902);
    m_db.exec("BEGIN TRAN");
    m_db.exec("CREATE TABLE Temp1 (a int)");
    EXPECT_EQ(rowsAsText(m_db.query("select @@trancount")), std::vector<std::string>{"1"});
    m_db.exec("ROLLBACK");
    EXPECT_TRUE(m_db.query("select * from sysobjects where name = 'Temp1'").rows.empty());
    m_db.exec("BEGIN TRANSACTION CREATE TABLE Temp2 (a int) COMMIT");
    EXPECT_EQ(m_db.query("select * from sysobjects where name = 'Temp2'").rows.size(), 1u);
}

// With XACT_ABORT ON a refused statement ends the batch and rolls the whole
// transaction back; with it OFF only the statement is undone.
TEST_F(SessionTest, XactAbortRollsTheTransactionBackAtARefusal) {
    BatchResult aborted = m_db.session->executeBatch(
        "SET XACT_ABORT ON BEGIN TRAN INSERT T VALUES (1) INSERT T VALUES (NULL) "
        "INSERT T VALUES (2)");
    EXPECT_TRUE(aborted.statements.back().failed);
    EXPECT_EQ(rowsAsText(m_db.query("select @@trancount, count(*) from T")),
              std::vector<std::string>{"0|0"});
    m_db.exec("SET XACT_ABORT OFF");
    m_db.session->executeBatch(
        "BEGIN TRAN INSERT T VALUES (1) INSERT T VALUES (NULL) INSERT T VALUES (2)");
    EXPECT_EQ(rowsAsText(m_db.query("select @@trancount, count(*) from T")),
              std::vector<std::string>{"1|2"});
    m_db.exec("COMMIT");
}

TEST_F(SessionTest, AnOpenTransactionThatOnlyReadsBlocksNobody) {
    // ODBC in manual-commit mode keeps a transaction open between statements.
    m_db.exec("BEGIN TRANSACTION");
    m_db.query("select * from sysobjects");
    std::unique_ptr<Session> other = m_db.engine->login("sa", "", "hrms");
    EXPECT_FALSE(other->executeBatch("CREATE TABLE Other (a int)").statements[0].failed);
    m_db.exec("IF @@TRANCOUNT > 0 COMMIT BEGIN TRANSACTION");
    m_db.exec("use other");
    m_db.exec("IF @@TRANCOUNT > 0 ROLLBACK");
}

TEST_F(SessionTest, IfExistsRunsItsStatementOnlyWhenTrue) {
    m_db.exec("if exists (select * from sysobjects where id = object_id(N'[dbo].[T]') and "
              "OBJECTPROPERTY(id, N'IsUserTable') = 1) drop table [dbo].[T]");
    EXPECT_TRUE(m_db.query("select * from sysobjects where name = 'T'").rows.empty());
    m_db.exec("if exists (select * from sysobjects where name = 'T') drop table T "
              "else create table T2 (a int)");
    EXPECT_EQ(m_db.query("select * from sysobjects where name = 'T2'").rows.size(), 1u);
}

// A user table never holds a row here, so it reads as an empty table with its
// own columns; a view's definition is not compiled, so its rows are refused
// plainly rather than as an invalid object.
TEST_F(SessionTest, UserTablesReadEmptyAndViewsAreRefusedPlainly) {
    StatementOutcome table = m_db.run("select * from T");
    EXPECT_FALSE(table.failed);
    ASSERT_TRUE(table.resultSet.has_value());
    ASSERT_EQ(table.resultSet->columns.size(), 1u);
    EXPECT_EQ(table.resultSet->columns[0].name, "id");
    EXPECT_EQ(table.resultSet->columns[0].type, ColumnType::Int);
    EXPECT_TRUE(table.resultSet->rows.empty());

    m_db.exec("CREATE VIEW V AS SELECT id FROM T");
    StatementOutcome view = m_db.run("select * from V");
    EXPECT_TRUE(view.failed);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].number, 50000);
    EXPECT_NE(view.messages[0].text.find("'V'"), std::string::npos);
}

TEST_F(SessionTest, PrintGivesAnInfoMessage) {
    StatementOutcome outcome = m_db.run("print 'hello'");
    ASSERT_EQ(outcome.messages.size(), 1u);
    EXPECT_EQ(outcome.messages[0].text, "hello");
    EXPECT_LE(outcome.messages[0].severity, 10);
}

TEST_F(SessionTest, ExecOfOtherProceduresIsRefused) {
    // A system procedure the test server does not model is refused as such,
    // an unknown procedure as SQL Server refuses it.
    EXPECT_EQ(m_db.run("exec sp_who").messages[0].text,
              "The test server does not support the system procedure sp_who.");
    EXPECT_EQ(m_db.run("exec no_such_procedure").messages[0].number, 2812);
    m_db.exec("CREATE PROCEDURE p AS SELECT 1");
    StatementOutcome outcome = m_db.run("exec p");
    EXPECT_TRUE(outcome.failed);
    EXPECT_EQ(outcome.messages[0].number, 50000);
}

TEST_F(SessionTest, TwoSessionsSeeEachOthersChanges) {
    std::unique_ptr<Session> second = m_db.engine->login("sa", "", "hrms");
    m_db.exec("CREATE TABLE Shared (a int)");
    BatchResult seen = second->executeBatch("select name from sysobjects where name = 'shared'");
    EXPECT_EQ(seen.statements[0].resultSet->rows.size(), 1u);
    BatchResult clash = second->executeBatch("CREATE TABLE Shared (b int)");
    EXPECT_EQ(clash.statements[0].messages[0].number, 2714);
}

TEST_F(SessionTest, ConcurrentSessionsChangingOneCatalogAllSucceed) {
    std::vector<std::thread> threads;
    std::vector<std::string> failures(2);
    for (int t = 0; t < 2; ++t)
        threads.emplace_back([&, t] {
            std::unique_ptr<Session> session = m_db.engine->login("sa", "", "hrms");
            for (int i = 0; i < 25; ++i) {
                std::string name = "C" + std::to_string(t) + "_" + std::to_string(i);
                for (const StatementOutcome& outcome :
                     session
                         ->executeBatch("CREATE TABLE " + name +
                                        " (a int, b varchar(5))\n"
                                        "CREATE INDEX IX_" +
                                        name + " ON " + name + " (a)")
                         .statements)
                    if (outcome.failed)
                        failures[static_cast<std::size_t>(t)] += messagesOf(outcome);
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(failures, std::vector<std::string>(2));
    std::vector<std::string> ids =
        column(m_db.query("select id from sysobjects where name like 'C%'"), "id");
    EXPECT_EQ(ids.size(), 50u);
    EXPECT_EQ(std::set<std::string>(ids.begin(), ids.end()).size(), 50u);
}

TEST_F(SessionTest, RunScriptNamesTheFailingStatementAndMessage) {
    try {
        m_db.engine->runScript("use hrms\nGO\nselect 1\nCREATE TABLE T (x int)\nGO\nselect 2\n");
        FAIL();
    } catch (const std::runtime_error& error) {
        std::string what = error.what();
        EXPECT_NE(what.find("CREATE TABLE T (x int)"), std::string::npos) << what;
        EXPECT_NE(what.find("Msg 2714"), std::string::npos) << what;
        EXPECT_NE(what.find("There is already an object named 'T' in the database."),
                  std::string::npos)
            << what;
    }
}

TEST_F(SessionTest, CreateDatabaseMakesAnEmptyCatalog) {
    m_db.exec("CREATE DATABASE [New Db]");
    StatementOutcome again = m_db.run("create database [new db]");
    EXPECT_EQ(again.messages[0].number, 1801);
    m_db.exec("use [New Db]");
    EXPECT_TRUE(m_db.query("select * from sysobjects where id > 1000").rows.empty());
    EXPECT_EQ(m_db.query("select name from systypes where name = 'sysname'").rows.size(), 1u);
}

} // namespace
} // namespace testserver::test
