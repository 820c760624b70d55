#include "data/database_error.h"
#include "script/executor.h"
#include "script/script_buffer.h"
#include "tests/script/fake_connection.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace dbc {
namespace {

using test::FakeConnection;

const std::string closingNote = "以上是不能处理的语句,请到企业管理器中更改,如果提示 "
                                "索引xx依赖于列xx ,那么这些字段(列)属性只能在企业管理中的"
                                "设计表中修改!";

TEST(ExecuteAll, SecondOfThreeFailsAndTheThirdStillRuns) {
    FakeConnection target;
    target.fail("Alter Table T Alter COLUMN id int IDENTITY (1, 1)  Not NULL",
                "Incorrect syntax near the keyword 'IDENTITY'.");
    const std::vector<std::string> statements = {
        "use hrms", "Alter Table T Alter COLUMN id int IDENTITY (1, 1)  Not NULL",
        "Alter Table T Add b int NULL"};

    const auto failures = executeAll(target, statements);

    EXPECT_EQ(target.sent(), statements);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].statement, statements[1]);
    EXPECT_EQ(failures[0].message, "Incorrect syntax near the keyword 'IDENTITY'.");
    EXPECT_EQ(failureReport(failures),
              "Alter Table T Alter COLUMN id int IDENTITY (1, 1)  Not NULL\n"
              "Incorrect syntax near the keyword 'IDENTITY'.\n"
              "\n" +
                  closingNote);
}

TEST(ExecuteAll, ReportsEveryFailureInListOrder) {
    FakeConnection target;
    target.fail("a", "first");
    target.fail("c", "second");
    const auto failures = executeAll(target, {"a", "b", "c"});
    const std::vector<ExecutionFailure> expected = {{"a", "first"}, {"c", "second"}};
    EXPECT_EQ(failures, expected);
    EXPECT_EQ(failureReport(failures), "a\nfirst\nc\nsecond\n\n" + closingNote);
}

TEST(ExecuteAll, ALostConnectionEndsTheRunAtThatStatement) {
    FakeConnection target;
    target.fail("a", "refused");
    target.fail("b", "Communication link failure", "08S01");
    const ExecutionReport report = runStatements(target, {"a", "b", "c", "d"});
    EXPECT_EQ(target.sent(), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(report.connectionLostAt, 2u);
    EXPECT_EQ(report.statementCount, 4u);
    // The statement in flight may have taken effect: it is not listed as
    // refused, but after the refused ones, with the driver's message.
    EXPECT_EQ(report.failures, (std::vector<ExecutionFailure>{{"a", "refused"}}));
    EXPECT_EQ(report.inFlightStatement, "b");
    EXPECT_EQ(failureReport(report), "a\nrefused\n\n" + closingNote +
                                         "\nb\nCommunication link failure\n"
                                         "执行第 2 条语句(共 4 条)时与服务器的连接已断开,"
                                         "不知道这条语句是否已生效,其后的语句没有执行。");

    // A timeout or a refusal is no lost connection: the run goes on.
    FakeConnection slow;
    slow.fail("a", "Query timeout expired", "HYT00");
    EXPECT_EQ(runStatements(slow, {"a", "b"}).connectionLostAt, 0u);
    EXPECT_EQ(slow.sent(), (std::vector<std::string>{"a", "b"}));
}

TEST(ExecuteAll, AStopEndsTheRunBetweenStatementsAndItsReportSaysHowFar) {
    FakeConnection target;
    target.fail("b", "refused");
    int asked = 0;
    const ExecutionReport report =
        runStatements(target, {"a", "b", "c", "d"}, {}, [&asked] { return ++asked == 3; });
    EXPECT_EQ(target.sent(), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(report.stoppedBefore, 3u);
    EXPECT_EQ(failureReport(report), "b\nrefused\n\n" + closingNote +
                                         "\n已按要求在第 3 条语句(共 4 条)之前停止:已执行 2 "
                                         "条,其中 1 条被拒绝,其后的语句没有执行。");
}

TEST(ExecuteAll, AnyStandardExceptionCountsAsAFailureOfThatStatement) {
    class ThrowingConnection : public Connection {
    public:
        Result open(const std::string&) override { return {}; }
        void execute(const std::string& sql) override {
            if (sql == "bad")
                throw std::runtime_error("driver gave up");
        }
    } target;
    const auto failures = executeAll(target, {"bad", "good"});
    const std::vector<ExecutionFailure> expected = {{"bad", "driver gave up"}};
    EXPECT_EQ(failures, expected);
}

TEST(ExecuteAll, EmptyListRunsNothingAndReportsNothing) {
    FakeConnection target;
    const auto failures = executeAll(target, {});
    EXPECT_TRUE(target.sent().empty());
    EXPECT_TRUE(failures.empty());
    EXPECT_EQ(failureReport(failures), "");
}

TEST(AllOrNothing, EveryStatementRunsInOneTransactionThatIsCommitted) {
    FakeConnection target;
    const ExecutionReport report = runAllOrNothing(target, {"a", "b"});
    EXPECT_EQ(target.sent(),
              (std::vector<std::string>{"BEGIN TRANSACTION", "a", "b", "COMMIT TRANSACTION"}));
    EXPECT_FALSE(report.rolledBack);
    EXPECT_EQ(failureReport(report), "");
}

TEST(AllOrNothing, TheFirstRefusalRollsEverythingBackAndEndsTheRun) {
    FakeConnection target;
    target.fail("b", "refused");
    target.fail("c", "refused too");
    const ExecutionReport report = runAllOrNothing(target, {"a", "b", "c"});
    EXPECT_EQ(target.sent(), (std::vector<std::string>{"BEGIN TRANSACTION", "a", "b",
                                                       "IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION"}));
    EXPECT_TRUE(report.rolledBack);
    EXPECT_EQ(failureReport(report), "b\nrefused\n\n" + closingNote +
                                         "\n以上语句执行失败,全部语句已回滚,数据库没有任何改变。");
}

TEST(AllOrNothing, AStopRollsBackWhatRan) {
    FakeConnection target;
    int asked = 0;
    const ExecutionReport report =
        runAllOrNothing(target, {"a", "b"}, {}, [&] { return ++asked == 2; });
    EXPECT_EQ(target.sent(), (std::vector<std::string>{"BEGIN TRANSACTION", "a",
                                                       "IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION"}));
    EXPECT_EQ(report.stoppedBefore, 2u);
    EXPECT_TRUE(report.rolledBack);
}

TEST(AllOrNothing, ALostConnectionSendsNothingMore) {
    FakeConnection target;
    target.fail("a", "Communication link failure", "08S01");
    const ExecutionReport report = runAllOrNothing(target, {"a", "b"});
    EXPECT_EQ(target.sent(), (std::vector<std::string>{"BEGIN TRANSACTION", "a"}));
    EXPECT_EQ(report.connectionLostAt, 1u);
    EXPECT_TRUE(report.rolledBack);
}

TEST(ExecuteScript, MultiLineFailureIsReportedWholeBeforeItsMessage) {
    const std::string procedure = "CREATE PROCEDURE p AS\r\n  SELECT 1\r\n";
    FakeConnection target;
    target.fail(procedure, "There is already an object named 'p' in the database.");
    ScriptBuffer buffer;
    buffer.addStatement("use hrms");
    buffer.addSeparator();
    buffer.addStatement(procedure);

    const auto failures = executeScript(target, buffer);

    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].statement, procedure);
    const std::vector<std::string> expectedLines = {
        "CREATE PROCEDURE p AS", "  SELECT 1",
        "There is already an object named 'p' in the database.", "", closingNote};
    EXPECT_EQ(buffer.displayLines(), expectedLines);
}

TEST(ExecuteScript, RunsTheStatementListNotTheEditedDisplayText) {
    FakeConnection target;
    ScriptBuffer buffer;
    buffer.addStatement("use hrms");
    buffer.addStatement("Alter Table T Add b int NULL");
    buffer.setDisplayText("drop table T");

    const auto failures = executeScript(target, buffer);

    const std::vector<std::string> expectedSent = {"use hrms", "Alter Table T Add b int NULL"};
    EXPECT_EQ(target.sent(), expectedSent);
    EXPECT_TRUE(failures.empty());
    EXPECT_EQ(buffer.displayText(), "");
    // The list stays, so a second press runs the same statements again.
    EXPECT_EQ(buffer.statements(), expectedSent);
    executeScript(target, buffer);
    EXPECT_EQ(target.sent().size(), 4u);
}

TEST(ExecuteScript, EmptyListClearsTheDisplayText) {
    FakeConnection target;
    ScriptBuffer buffer;
    buffer.setDisplayText("help text\nsecond line");
    EXPECT_TRUE(executeScript(target, buffer).empty());
    EXPECT_TRUE(target.sent().empty());
    EXPECT_TRUE(buffer.displayLines().empty());
}

TEST(ExecuteOne, SendsTheWholeTextAsOneCommandGoLinesIncluded) {
    FakeConnection target;
    const std::string text = "use hrms\nGo\ncreate view v as select 1 as a\n";
    executeOne(target, text);
    ASSERT_EQ(target.sent().size(), 1u);
    EXPECT_EQ(target.sent()[0], text);
}

TEST(ExecuteOne, ServerErrorReachesTheCallerWithTheServerMessage) {
    FakeConnection target;
    target.fail("selct 1", "Incorrect syntax near 'selct'.");
    try {
        executeOne(target, "selct 1");
        FAIL() << "the refused statement did not throw";
    } catch (const DatabaseError& error) {
        EXPECT_STREQ(error.what(), "Incorrect syntax near 'selct'.");
    }
}

TEST(CompletionMessages, ExecuteAllUsesTheAsciiMarkAndExecuteOneTheFullWidthMark) {
    EXPECT_EQ(std::string(executeAllDoneMessage), "执行完毕!");
    EXPECT_EQ(std::string(executeOneDoneMessage), "执行完毕\xEF\xBC\x81");
    EXPECT_EQ(std::string(failureReportNote), closingNote);
}

} // namespace
} // namespace dbc
