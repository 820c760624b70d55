#include "script/change.h"
#include "script/script_buffer.h"

#include "catalog/object_kinds.h"

#include <gtest/gtest.h>

namespace dbc {
namespace {

TEST(ScriptBuffer, MultiLineStatementIsOneItemAndSeveralDisplayLines) {
    ScriptBuffer buffer;
    const std::string text = "CREATE PROCEDURE p AS\r\nSELECT 1\r\nSELECT 2\r\n";
    buffer.addStatement(text);
    ASSERT_EQ(buffer.statements().size(), 1u);
    EXPECT_EQ(buffer.statements()[0], text);
    const std::vector<std::string> lines = {"CREATE PROCEDURE p AS", "SELECT 1", "SELECT 2"};
    EXPECT_EQ(buffer.displayLines(), lines);
}

TEST(ScriptBuffer, GoIsNeverAListItem) {
    ScriptBuffer buffer;
    buffer.addStatement("use hrms");
    buffer.addSeparator();
    buffer.addStatement("create view v as select 1 as a");
    buffer.addSeparator();
    buffer.addStatement("drop procedure [dbo].p2");
    const std::vector<std::string> items = {"use hrms", "create view v as select 1 as a",
                                            "drop procedure [dbo].p2"};
    EXPECT_EQ(buffer.statements(), items);
    EXPECT_EQ(buffer.displayText(),
              "use hrms\nGo\ncreate view v as select 1 as a\nGo\ndrop procedure [dbo].p2");
}

// Run in a query tool, a statement after a module's text in the same batch
// would become part of the module's body.
TEST(ScriptBuffer, AModulesTextIsFollowedByGoWhenMoreFollows) {
    ScriptBuffer buffer;
    buffer.add({UseDatabase{"hrms"}});
    buffer.add(
        {CreateModule{&triggerKind, "tr", "CREATE TRIGGER tr ON T FOR INSERT AS\nSELECT 1"}, true});
    buffer.add({DropDefault{"T", "DF_T_a"}});
    buffer.add({DropModule{&viewKind, "v"}, true});
    buffer.add({CreateModule{&viewKind, "v", "CREATE VIEW v AS SELECT 1 AS a"}, true});
    EXPECT_EQ(buffer.displayText(), "use hrms\nGo\nCREATE TRIGGER tr ON T FOR INSERT AS\nSELECT "
                                    "1\nGo\nALTER TABLE T Drop DF_T_a\nGo\ndrop View "
                                    "[dbo].v\nGo\nCREATE VIEW v AS SELECT 1 AS a");
    EXPECT_EQ(buffer.statements().size(), 5u);
}

TEST(ScriptBuffer, ClearingOneFaceLeavesTheOther) {
    ScriptBuffer buffer;
    buffer.addStatement("use hrms");
    buffer.clearStatements();
    EXPECT_TRUE(buffer.statements().empty());
    EXPECT_EQ(buffer.displayText(), "use hrms");
    buffer.addStatement("use hrms");
    buffer.clearDisplay();
    EXPECT_EQ(buffer.displayText(), "");
    EXPECT_EQ(buffer.statements().size(), 1u);
}

TEST(ScriptBuffer, EditedDisplayTextNeverReachesTheStatementList) {
    ScriptBuffer buffer;
    buffer.addStatement("use hrms");
    buffer.setDisplayText("drop table Emp");
    const std::vector<std::string> items = {"use hrms"};
    EXPECT_EQ(buffer.statements(), items);
}

// A difference the script cannot make is one comment line of the display,
// never a statement: a line break or other control byte in a name is written
// visibly, so no part of the name stands on a line of its own.
TEST(ScriptBuffer, AnUnscriptedChangeIsOneCommentLineAndNoStatement) {
    ScriptBuffer buffer;
    buffer.add({UseDatabase{"hrms"}});
    buffer.add({UnscriptedChange{"[Emp\nGO\r\nDROP TABLE x].Salary", "why\x1b[2J"}, true});
    EXPECT_EQ(buffer.statements(), std::vector<std::string>{"use hrms"});
    const std::vector<std::string> lines = {
        "use hrms", "Go", "-- [Emp\\x0AGO\\x0D\\x0ADROP TABLE x].Salary: why\\x1B[2J"};
    EXPECT_EQ(buffer.displayLines(), lines);
}

} // namespace
} // namespace dbc
