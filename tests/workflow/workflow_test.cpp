#include "data/database_error.h"
#include "tests/script/fake_connection.h"
#include "workflow/workflow.h"

#include <gtest/gtest.h>

namespace dbc {
namespace {

// Hands out the test's fake as the connection and records each connect.
struct FakeServer {
    test::FakeConnection* next = nullptr;
    std::vector<std::string> connectedTo;
    std::vector<int> queryTimeouts; // each setQueryTimeout on a handed-out connection

    Workflow::Connector connector() {
        return [this](const ConnectionProperties& properties) -> std::unique_ptr<Connection> {
            connectedTo.push_back(properties.database);
            if (!next)
                throw DatabaseError("Login failed for user 'sa'.");
            auto* given = next;
            next = nullptr;
            // The workflow owns what it gets; hand it a forwarding shell.
            struct Shell : Connection {
                test::FakeConnection& fake;
                std::vector<int>& timeouts;
                Shell(test::FakeConnection& f, std::vector<int>& t) : fake(f), timeouts(t) {}
                Result open(const std::string& sql) override { return fake.open(sql); }
                void execute(const std::string& sql) override { fake.execute(sql); }
                void setQueryTimeout(int seconds) override { timeouts.push_back(seconds); }
            };
            return std::make_unique<Shell>(*given, queryTimeouts);
        };
    }
};

struct Progress : WorkflowObserver {
    std::vector<std::string> notices;
    void connecting() override { notices.push_back("connecting"); }
    void executingStatement(std::size_t number, std::size_t count) override {
        notices.push_back(std::to_string(number) + "/" + std::to_string(count));
    }
};

TEST(Workflow, ExecuteRunsEveryStatementOnTheLastConnectionTellingItsNumber) {
    FakeServer server;
    test::FakeConnection target;
    target.fail("Drop Index T.IX", "Cannot drop the index 'T.IX'.");
    server.next = &target;
    Workflow workflow(server.connector());
    Progress progress;
    workflow.connect({".", "old", "sa", ""}, progress);

    ScriptBuffer script;
    script.setDisplayText("old text");
    script.addStatement("use old");
    script.addStatement("Drop Index T.IX");
    const auto report = workflow.execute(script, progress);

    EXPECT_EQ(target.sent(), (std::vector<std::string>{"use old", "Drop Index T.IX"}));
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_EQ(report.failures[0].statement, "Drop Index T.IX");
    EXPECT_EQ(report.connectionLostAt, 0u);
    EXPECT_EQ(script.displayText(), failureReport(report.failures));
    EXPECT_EQ(progress.notices, (std::vector<std::string>{"connecting", "1/2", "2/2"}));
    EXPECT_EQ(server.connectedTo, std::vector<std::string>{"old"});
}

TEST(Workflow, WithoutAConnectionOnlyAnEmptyListMayBeExecuted) {
    FakeServer server;
    Workflow workflow(server.connector());
    Progress progress;
    ScriptBuffer script;
    script.setDisplayText("help");
    EXPECT_TRUE(workflow.execute(script, progress).failures.empty());
    EXPECT_EQ(script.displayText(), "");

    script.addStatement("use db");
    EXPECT_THROW(workflow.execute(script, progress), DatabaseError);
    EXPECT_THROW(workflow.executeOne("select 1"), DatabaseError);
}

TEST(Workflow, AFailedConnectLeavesNoConnectionBehind) {
    FakeServer server;
    test::FakeConnection first;
    server.next = &first;
    Workflow workflow(server.connector());
    Progress progress;
    workflow.connect({".", "a", "sa", ""}, progress);
    EXPECT_THROW(workflow.connect({".", "b", "sa", ""}, progress), DatabaseError);
    EXPECT_EQ(workflow.connection(), nullptr);
    ScriptBuffer script;
    script.addStatement("use b");
    EXPECT_THROW(workflow.execute(script, progress), DatabaseError);
    EXPECT_TRUE(first.sent().empty());
}

TEST(Workflow, ALostConnectionEndsTheRunAndItsReportSaysWhere) {
    FakeServer server;
    test::FakeConnection target;
    target.fail("Drop Table T", "Communication link failure", "08S01");
    server.next = &target;
    Workflow workflow(server.connector());
    Progress progress;
    workflow.connect({".", "db", "sa", ""}, progress);

    ScriptBuffer script;
    for (const char* statement : {"use db", "Drop Table T", "Create Table U (a int)"})
        script.addStatement(statement);
    const auto report = workflow.execute(script, progress);

    EXPECT_EQ(target.sent(), (std::vector<std::string>{"use db", "Drop Table T"}));
    EXPECT_EQ(report.connectionLostAt, 2u);
    EXPECT_EQ(report.statementCount, 3u);
    EXPECT_EQ(script.displayText(), failureReport(report));
    EXPECT_NE(script.displayText().find(connectionLostLine(report)), std::string::npos);
}

TEST(Workflow, StatementsRunForTheUserGetTheStatementTimeout) {
    FakeServer server;
    test::FakeConnection first;
    test::FakeConnection second;
    Workflow workflow(server.connector());
    Progress progress;

    server.next = &first;
    workflow.connect({".", "db", "sa", ""}, progress);
    ScriptBuffer script;
    script.addStatement("use db");
    workflow.execute(script, progress);
    EXPECT_EQ(server.queryTimeouts, std::vector<int>{0});

    workflow.setStatementTimeout(30);
    server.next = &second;
    workflow.connect({".", "db", "sa", ""}, progress);
    workflow.executeOne("select 1");
    EXPECT_EQ(server.queryTimeouts, (std::vector<int>{0, 30}));
    EXPECT_EQ(second.sent(), std::vector<std::string>{"select 1"});
}

} // namespace
} // namespace dbc
