// "执 行" and "执行一条" through ODBC against the test server: what runs,
// what the server refuses, and the report the text box shows afterwards.

#include "data/database_error.h"
#include "script/executor.h"
#include "tests/e2e/served_databases.h"

#include <gtest/gtest.h>

namespace dbc::e2e {
namespace {

constexpr const char* kTarget = "exe";

class ExecutionTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_served.load(kTarget, "CREATE TABLE [t] ([a] [int] NULL) ON [PRIMARY]\nGO\n"
                               "CREATE PROCEDURE p_old\nAS\nSELECT 1\nGO\n");
        m_served.start();
        m_target = m_served.connect(kTarget);
    }

    std::vector<std::string> columnsOf(const std::string& table) {
        return rowsOf(*m_target, "SELECT c.name FROM syscolumns c INNER JOIN sysobjects o ON "
                                 "o.id = c.id WHERE o.name = '" +
                                     table + "' ORDER BY c.colid");
    }
    bool objectExists(const std::string& name) {
        return !m_target->open("SELECT id FROM sysobjects WHERE name = '" + name + "'").empty();
    }

    ServedDatabases m_served;
    std::unique_ptr<Connection> m_target;
};

TEST_F(ExecutionTest, ReportsTheRefusedStatementAndGoesOnWithTheNext) {
    ScriptBuffer script;
    script.addStatement("Alter Table t Add b int NULL");
    script.addStatement("Alter Table missing Add c int NULL");
    script.addStatement("Alter Table t Add c int NULL");
    const auto statements = script.statements();

    const auto failures = executeScript(*m_target, script);

    ASSERT_EQ(failures.size(), 1u);
    const std::string message =
        "Cannot alter table 'missing' because this table does not exist in database 'exe'.";
    EXPECT_EQ(failures[0], (ExecutionFailure{"Alter Table missing Add c int NULL", message}));
    const std::vector<std::string> report{"Alter Table missing Add c int NULL", message, "",
                                          failureReportNote};
    EXPECT_EQ(script.displayLines(), report);
    // The list is left as it was, so "执 行" can run it again.
    EXPECT_EQ(script.statements(), statements);
    // The first and the third statement both ran.
    EXPECT_EQ(columnsOf("t"), (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(ExecutionTest, ReportsAFailingMultiLineStatementWhole) {
    const std::string procedure = "CREATE PROCEDURE p_old\nAS\nSELECT 2\n";
    ScriptBuffer script;
    script.addStatement(procedure);

    const auto failures = executeScript(*m_target, script);

    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].statement, procedure);
    const std::string message = "There is already an object named 'p_old' in the database.";
    EXPECT_EQ(failures[0].message, message);
    EXPECT_EQ(script.displayLines(),
              (std::vector<std::string>{"CREATE PROCEDURE p_old", "AS", "SELECT 2", message, "",
                                        failureReportNote}));
}

TEST_F(ExecutionTest, AnEmptyListClearsTheTextBoxAndReportsNothing) {
    ScriptBuffer script;
    script.setDisplayText("an earlier script\nthat the user read");

    const auto failures = executeScript(*m_target, script);

    EXPECT_TRUE(failures.empty());
    EXPECT_TRUE(script.displayLines().empty());
    EXPECT_EQ(failureReport(failures), "");
}

TEST_F(ExecutionTest, EverySucceedingStatementLeavesAnEmptyReport) {
    ScriptBuffer script;
    script.setDisplayText("Alter Table t Add typed_by_the_user int NULL");
    script.addStatement("Create Table [dbo].[u] ([x] [int] NULL) ON [PRIMARY]");
    script.addStatement("Create INDEX IX_u On [u] ([x]) ON [PRIMARY]");

    const auto failures = executeScript(*m_target, script);

    EXPECT_TRUE(failures.empty());
    EXPECT_TRUE(script.displayLines().empty());
    EXPECT_EQ(rowsOf(*m_target, "SELECT name FROM sysindexes WHERE name = 'IX_u'"),
              std::vector<std::string>{"IX_u"});
    // What the user typed into the text box is not what "执 行" runs.
    EXPECT_EQ(columnsOf("t"), std::vector<std::string>{"a"});
}

TEST_F(ExecutionTest, ExecuteOneRunsAGoodStatement) {
    executeOne(*m_target, "Create Table [dbo].[one] ([x] [int] NULL) ON [PRIMARY]");
    EXPECT_TRUE(objectExists("one"));
    EXPECT_EQ(columnsOf("one"), std::vector<std::string>{"x"});
}

TEST_F(ExecutionTest, ExecuteOneRunsAMultiLineTextAsOneCommand) {
    executeOne(*m_target, "CREATE PROCEDURE p_new\nAS\nSELECT 3\n");
    EXPECT_EQ(rowsOf(*m_target, "SELECT xtype FROM sysobjects WHERE name = 'p_new'"),
              std::vector<std::string>{"P"});
}

TEST_F(ExecutionTest, ExecuteOneThrowsTheServersMessageForABadStatement) {
    try {
        executeOne(*m_target, "Alter Table t Add a int NULL");
        FAIL() << "the server accepted a second column a";
    } catch (const DatabaseError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Column names in each table must be unique. Column name 'a' in table 't' is "
                  "specified more than once.");
        EXPECT_EQ(error.nativeError(), 2705);
    }
    EXPECT_EQ(columnsOf("t"), std::vector<std::string>{"a"});
}

} // namespace
} // namespace dbc::e2e
