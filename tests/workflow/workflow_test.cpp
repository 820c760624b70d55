#include "database_error.h"
#include "fake_connection.h"
#include "workflow.h"

#include <gtest/gtest.h>

namespace dbc {
namespace {

// Hands out the test's fake as the connection and records each connect.
struct FakeServer {
    test::FakeConnection* next = nullptr;
    std::vector<std::string> connectedTo;

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
                explicit Shell(test::FakeConnection& f) : fake(f) {}
                Result open(const std::string& sql) override { return fake.open(sql); }
                void execute(const std::string& sql) override { fake.execute(sql); }
            };
            return std::make_unique<Shell>(*given);
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
    const auto failures = workflow.execute(script, progress);

    EXPECT_EQ(target.sent(), (std::vector<std::string>{"use old", "Drop Index T.IX"}));
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].statement, "Drop Index T.IX");
    EXPECT_EQ(script.displayText(), failureReport(failures));
    EXPECT_EQ(progress.notices, (std::vector<std::string>{"connecting", "1/2", "2/2"}));
    EXPECT_EQ(server.connectedTo, std::vector<std::string>{"old"});
}

TEST(Workflow, WithoutAConnectionOnlyAnEmptyListMayBeExecuted) {
    FakeServer server;
    Workflow workflow(server.connector());
    Progress progress;
    ScriptBuffer script;
    script.setDisplayText("help");
    EXPECT_TRUE(workflow.execute(script, progress).empty());
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

} // namespace
} // namespace dbc
