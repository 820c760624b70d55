// The catalog facts of keys, constraints, alias types, identity, computed
// columns and extended properties as ODBC
// clients and tsql read them from dbcompare-testserver, over catalogs that
// --load builds from the fixture scripts. The queries and answers are cases
// in cases/catalog_facts.cases.

#include "tests/support/test_server_process.h"
#include "tests/testserver/odbc_client.h"
#include "tests/testserver_engine/case_file.h"

#include <gtest/gtest.h>

#include <memory>

namespace testserver::test {
namespace {

const std::filesystem::path kCaseFile =
    std::filesystem::path(DBCOMPARE_SOURCE_DIR) / "tests/testserver/cases/catalog_facts.cases";

class CatalogFactsTest : public ::testing::TestWithParam<CaseEntry> {
protected:
    static void SetUpTestSuite() {
        s_dataDir = std::make_unique<dbc::test::TempDir>();
        const auto scripts = dbc::test::fixturesDir() / "scripts";
        dbc::test::loadCatalog(s_dataDir->path(), "library", scripts / "library_sample.sql");
        dbc::test::loadCatalog(s_dataDir->path(), "helpdesk", scripts / "helpdesk_em.sql");
        dbc::test::loadCatalog(s_dataDir->path(), "bookshop", scripts / "bookshop_install.sql");
        dbc::test::loadCatalog(s_dataDir->path(), "ticketing", scripts / "ticketing_em.sql");
        s_server = std::make_unique<dbc::test::TestServerProcess>(s_dataDir->path());
    }
    static void TearDownTestSuite() {
        s_server.reset();
        s_dataDir.reset();
    }

    static std::string connectionString(const std::string& database) {
        return freeTdsConnectionString(s_server->port(), "sa", "", database);
    }

    // FreeTDS's tsql run against the server with the input typed in.
    static dbc::test::CommandResult tsql(const std::string& database, const std::string& input) {
        dbc::test::ChildProcess child({"tsql", "-H", "127.0.0.1", "-p",
                                       std::to_string(s_server->port()), "-U", "sa", "-P", "", "-D",
                                       database},
                                      dbc::test::ChildOptions::interleaved(
                                          {"TDSVER=7.4", "LANG=C.UTF-8", "FREETDSCONF=/dev/null"}));
        return child.finish(input);
    }

    static std::unique_ptr<dbc::test::TempDir> s_dataDir;
    static std::unique_ptr<dbc::test::TestServerProcess> s_server;
};

std::unique_ptr<dbc::test::TempDir> CatalogFactsTest::s_dataDir;
std::unique_ptr<dbc::test::TestServerProcess> CatalogFactsTest::s_server;

TEST_P(CatalogFactsTest, AnswersAsSqlServerRecordsIt) {
    const CaseEntry& entry = GetParam();
    ASSERT_TRUE(entry.refusal.empty() && !entry.refusalText && entry.infoMessages.empty())
        << "these cases expect rows (->) or none (=> no rows); messages are not read here";
    OdbcConnection connection(connectionString(entry.database.value_or("library")));
    std::vector<OdbcResult> results;
    for (const std::string& batch : entry.batches)
        results = connection.execute(batch);
    ASSERT_FALSE(results.empty());
    std::vector<std::string> rows;
    for (const auto& row : results.back().rows) {
        std::string text;
        for (std::size_t i = 0; i < row.size(); ++i)
            text += (i ? "|" : "") + row[i].value_or("NULL");
        rows.push_back(text);
    }
    EXPECT_EQ(rows, entry.rows) << entry.title;
}

INSTANTIATE_TEST_SUITE_P(Cases, CatalogFactsTest, ::testing::ValuesIn(readCaseFile(kCaseFile)),
                         [](const auto& paramInfo) { return caseName(paramInfo.param); });

// What the test server does not model is refused, never passed over.
TEST_F(CatalogFactsTest, ReadingAViewsRowsIsRefusedWithTheReason) {
    OdbcConnection connection(connectionString("library"));
    try {
        connection.execute("select * from current_loans");
        FAIL() << "the view was read";
    } catch (const OdbcError& error) {
        EXPECT_EQ(error.nativeError(), 50000);
        EXPECT_NE(std::string(error.what()).find("reading rows of views"), std::string::npos)
            << error.what();
    }
}

// Rows go in and come back over ODBC; a refusal arrives with SQL Server's
// number and a rolled back transaction leaves the rows as they were.
TEST_F(CatalogFactsTest, RowsGoInAndComeBackOverOdbc) {
    OdbcConnection connection(connectionString("helpdesk"));
    connection.execute("create table odbc_rows (id int identity (1, 1) primary key, "
                       "name nvarchar(20) not null, price decimal(9, 2) null)");
    connection.execute("insert odbc_rows (name, price) values (N'员工', 12.5)\n"
                       "insert odbc_rows (name) values ('b')");
    using Row = std::vector<std::optional<std::string>>;
    EXPECT_EQ(connection.execute("select id, name, price from odbc_rows order by id").back().rows,
              (std::vector<Row>{{"1", "员工", "12.5"}, {"2", "b", std::nullopt}}));
    try {
        connection.execute("insert odbc_rows (name) values (null)");
        FAIL() << "a NULL went into a NOT NULL column";
    } catch (const OdbcError& error) {
        EXPECT_EQ(error.nativeError(), 515);
    }
    connection.execute("begin tran delete odbc_rows update odbc_rows set name = 'x' rollback");
    EXPECT_EQ(connection.execute("select count(*), min(name) from odbc_rows").back().rows,
              (std::vector<Row>{{"2", "b"}}));
    connection.execute("drop table odbc_rows");
}

TEST_F(CatalogFactsTest, TsqlReadsIdentityAndRaisedErrors) {
    dbc::test::CommandResult result = tsql(
        "helpdesk",
        "select IDENT_SEED('Tickets'), OBJECTPROPERTY(object_id('FK_Replies_Tickets'), "
        "'CnstIsDeleteCascade')\ngo\nraiserror('Stopped at step %d of %s', 16, 2, 7, 'setup')\ngo\n"
        "exit\n");
    EXPECT_NE(result.out.find("-100\t1"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("Msg 50000"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("Stopped at step 7 of setup"), std::string::npos) << result.out;
}

// A batch's variables reach RAISERROR's arguments and EXEC's string over
// the wire, and end with the batch.
TEST_F(CatalogFactsTest, TsqlRunsBatchesWithVariables) {
    dbc::test::CommandResult result = tsql(
        "helpdesk",
        "declare @db sysname, @n int\nselect @db = db_name(), @n = count(*) from sysobjects where "
        "xtype = 'U'\nraiserror('%s has %d tables', 16, 1, @db, @n)\nexec ('print ''inner ' + "
        "'batch''')\ngo\nselect @db\ngo\nexit\n");
    EXPECT_NE(result.out.find("helpdesk has 3 tables"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("inner batch"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("Must declare the variable '@db'."), std::string::npos) << result.out;
}

// A database in use by one connection cannot be dropped by another; tsql
// reads master's sysdatabases.
TEST_F(CatalogFactsTest, DatabaseInUseIsNotDroppedAndTsqlListsDatabases) {
    OdbcConnection user(connectionString("library"));
    OdbcConnection other(connectionString("helpdesk"));
    try {
        other.execute("DROP DATABASE library");
        FAIL() << "a database in use was dropped";
    } catch (const OdbcError& error) {
        EXPECT_EQ(error.nativeError(), 3702);
    }
    dbc::test::CommandResult result =
        tsql("helpdesk", "USE master\ngo\nselect name, dbid from sysdatabases where dbid > 4 and "
                         "dbid < 7 order by dbid\ngo\nexit\n");
    EXPECT_NE(result.out.find("library\t5"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("helpdesk\t6"), std::string::npos) << result.out;
}

// A temporary table belongs to the connection that created it: another
// connection neither sees it nor clashes with it, and it is gone after the
// creator reconnects. The database's catalog never holds it.
TEST_F(CatalogFactsTest, TemporaryTablesBelongToTheirConnection) {
    const std::string probe = "select isnull(object_id('tempdb..#staging'), 0), (select count(*) "
                              "from sysobjects where name like '#%')";
    auto firstValues = [](const std::vector<OdbcResult>& results) {
        const auto& row = results.back().rows.at(0);
        return row.at(0).value_or("NULL") + "|" + row.at(1).value_or("NULL");
    };
    auto creator = std::make_unique<OdbcConnection>(connectionString("helpdesk"));
    creator->execute("create table #staging (id int primary key, note varchar(20))");
    std::string seen = firstValues(creator->execute(probe));
    EXPECT_NE(seen.substr(0, 2), "0|") << "the creator does not see its table";
    EXPECT_EQ(seen.substr(seen.find('|')), "|0") << "the table is in the database's sysobjects";

    OdbcConnection other(connectionString("helpdesk"));
    EXPECT_EQ(firstValues(other.execute(probe)), "0|0");
    EXPECT_NO_THROW(other.execute("create table #staging (other_id int)"));

    creator.reset();
    OdbcConnection again(connectionString("helpdesk"));
    EXPECT_EQ(firstValues(again.execute(probe)), "0|0");
}

} // namespace
} // namespace testserver::test
