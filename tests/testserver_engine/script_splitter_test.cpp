#include "testserver/engine/script_splitter.h"

#include <gtest/gtest.h>

namespace testserver {
namespace {

TEST(ScriptSplitterTest, SplitsAtLinesHoldingOnlyGoInAnyCase) {
    std::string script = "create table a (x int)\nGO\nselect 1\ngo\n  Go  \r\nselect 2\r\nGO";
    EXPECT_EQ(splitScript(script),
              (std::vector<std::string>{"create table a (x int)\n", "select 1\n", "select 2\r\n"}));
}

TEST(ScriptSplitterTest, GoInsideALineOrAWordIsNoSeparator) {
    std::string script = "select 'GO'\nGOTO x\nselect 1 go\nGOx\n";
    EXPECT_EQ(splitScript(script), std::vector<std::string>{script});
}

TEST(ScriptSplitterTest, KeepsBatchTextExactlyAndDropsBlankBatches) {
    std::string body = "-- lead\nCREATE PROCEDURE p AS\n\tselect 1\n\n";
    EXPECT_EQ(splitScript("GO\n\nGO\n" + body + "GO\n  \nGO\n"), std::vector<std::string>{body});
}

TEST(ScriptSplitterTest, ScriptWithoutGoIsOneBatch) {
    EXPECT_EQ(splitScript("select 1"), std::vector<std::string>{"select 1"});
    EXPECT_TRUE(splitScript("").empty());
}

} // namespace
} // namespace testserver
