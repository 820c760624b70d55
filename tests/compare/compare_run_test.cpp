#include "compare/compare_run.h"
#include "data/database_error.h"
#include "tests/compare/compare_catalogs.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace dbc {
namespace {

using test::Catalogs;
using test::Col;

const Col emp{"Emp", "Id", "int", "10", "0", "", "0", "1"};
const Col empName{"Emp", "Name", "varchar", "20", "1", "", "2", "0"};
const test::Key empKey{"Emp", "PK_Emp", "Id", "1", "1"};
const test::StoredObject proc{"p", {"CREATE PROCEDURE p AS\r\n", "SELECT 1\r\n"}};
const test::StoredObject view{"v", {"CREATE VIEW v AS SELECT 1 AS a"}};
const test::StoredObject trig{"tr", {"CREATE TRIGGER tr ON Emp FOR INSERT AS\r\n", "RETURN\r\n"}};
const test::Df dfAge{"DF_Emp_Age", "Emp", "Age", "(0)"};

bool contains(const std::vector<std::string>& sent, const std::string& sql) {
    return std::find(sent.begin(), sent.end(), sql) != sent.end();
}

// A snapshot holding one item of every category, none of them in the target
// except the table Emp (which lacks a column there).
Catalogs fullCatalogs() {
    Catalogs catalogs;
    catalogs.setColumns({emp, empName}, {emp});
    catalogs.setIndexes({empKey}, {});
    catalogs.setObjects(test::procedureTables, {proc}, {});
    catalogs.setObjects(test::viewTables, {view}, {});
    catalogs.setObjects(test::triggerTables, {trig}, {});
    catalogs.setDefaults({dfAge}, {});
    return catalogs;
}

TEST(CompareRun, CategoriesRunInOrderIntoBothFaces) {
    Catalogs catalogs = fullCatalogs();
    ScriptBuffer buffer;
    buffer.setDisplayText("help text");
    runCompare(catalogs.store, catalogs.target, "hrms", buffer);
    const std::vector<std::string> statements = {
        "use hrms",
        "Alter Table Emp Add Name varchar(20)  NULL",
        "Create CLUSTERED  INDEX PK_Emp On [Emp] ([Id]) ON [PRIMARY]",
        "CREATE PROCEDURE p AS\r\nSELECT 1\r\n",
        "CREATE VIEW v AS SELECT 1 AS a",
        "CREATE TRIGGER tr ON Emp FOR INSERT AS\r\nRETURN\r\n",
        "ALTER TABLE Emp WITH NOCHECK ADD CONSTRAINT DF_Emp_Age DEFAULT (0) FOR Age"};
    EXPECT_EQ(buffer.statements(), statements);
    const std::vector<std::string> display = {
        "use hrms",
        "Alter Table Emp Add Name varchar(20)  NULL",
        "Create CLUSTERED  INDEX PK_Emp On [Emp] ([Id]) ON [PRIMARY]",
        "Go",
        "CREATE PROCEDURE p AS",
        "SELECT 1",
        "Go",
        "CREATE VIEW v AS SELECT 1 AS a",
        "Go",
        "CREATE TRIGGER tr ON Emp FOR INSERT AS",
        "RETURN",
        "Go",
        "ALTER TABLE Emp WITH NOCHECK ADD CONSTRAINT DF_Emp_Age DEFAULT (0) FOR Age"};
    EXPECT_EQ(buffer.displayLines(), display);
}

TEST(CompareRun, DatabaseNameIsBracketedWhereItNeedsIt) {
    Catalogs catalogs;
    catalogs.setColumns({emp}, {emp});
    ScriptBuffer buffer;
    runCompare(catalogs.store, catalogs.target, " my]db", buffer);
    EXPECT_EQ(buffer.statements(), std::vector<std::string>{"use [ my]]db]"});
    EXPECT_EQ(buffer.displayText(), "use [ my]]db]");
}

TEST(CompareRun, EmptySnapshotLeavesTheDisplayTextAndRunsNoCategory) {
    Catalogs catalogs = fullCatalogs();
    catalogs.setColumns({}, {emp});
    for (const test::ObjectTables* tables :
         {&test::procedureTables, &test::viewTables, &test::triggerTables})
        catalogs.setObjects(*tables, {}, {});
    ScriptBuffer buffer;
    buffer.setDisplayText("help text\nsecond line");
    runCompare(catalogs.store, catalogs.target, "hrms", buffer);
    EXPECT_TRUE(buffer.statements().empty());
    EXPECT_EQ(buffer.displayText(), "help text\nsecond line");
    const std::vector<std::string> storeSent = {
        "Select * From SourceTable Order by TableName,FieldName",
        "Select TableName From SourceTable Group by TableName", test::procedureTables.nameListQuery,
        test::viewTables.nameListQuery, test::triggerTables.nameListQuery,
        // The store predates SourceFN: it holds no functions either.
        "SELECT name FROM sqlite_master WHERE type = 'table' AND name = 'SourceFN' COLLATE "
        "NOCASE"};
    EXPECT_EQ(catalogs.store.sent(), storeSent);
    const std::vector<std::string> targetSent = {test::targetCollationQuery,
                                                 test::targetColumnQuery};
    EXPECT_EQ(catalogs.target.sent(), targetSent);
}

struct EmptyCategoryCase {
    std::string name;
    void (*empty)(Catalogs&);
    std::size_t missingStatement; // index in the full run's statements
    std::string unsent;           // a target query the empty category does not send
};

std::ostream& operator<<(std::ostream& out, const EmptyCategoryCase& c) {
    return out << c.name;
}

class CompareRunEmptyCategory : public ::testing::TestWithParam<EmptyCategoryCase> {};

// A category without snapshot rows adds nothing of its own; every other
// category still runs (real snapshots often hold no triggers or no indexes).
TEST_P(CompareRunEmptyCategory, OnlyThatCategoryIsSilent) {
    const EmptyCategoryCase& c = GetParam();
    Catalogs full = fullCatalogs();
    ScriptBuffer fullBuffer;
    runCompare(full.store, full.target, "hrms", fullBuffer);
    std::vector<std::string> expected = fullBuffer.statements();
    ASSERT_EQ(expected.size(), 7u);
    expected.erase(expected.begin() + static_cast<std::ptrdiff_t>(c.missingStatement));

    Catalogs catalogs = fullCatalogs();
    c.empty(catalogs);
    ScriptBuffer buffer;
    runCompare(catalogs.store, catalogs.target, "hrms", buffer);
    EXPECT_EQ(buffer.statements(), expected);
    if (!c.unsent.empty()) {
        EXPECT_FALSE(contains(catalogs.target.sent(), c.unsent)) << c.unsent;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Categories, CompareRunEmptyCategory,
    ::testing::Values(
        EmptyCategoryCase{"NoIndexRows", [](Catalogs& c) { c.setIndexes({}, {{empKey}}); }, 2, ""},
        EmptyCategoryCase{"NoProcedures",
                          [](Catalogs& c) { c.setObjects(test::procedureTables, {}, {}); }, 3,
                          test::existenceQuery("P", "p")},
        EmptyCategoryCase{"NoViews", [](Catalogs& c) { c.setObjects(test::viewTables, {}, {}); }, 4,
                          test::existenceQuery("V", "v")},
        EmptyCategoryCase{"NoTriggers",
                          [](Catalogs& c) { c.setObjects(test::triggerTables, {}, {}); }, 5,
                          test::existenceQuery("TR", "tr")},
        EmptyCategoryCase{"NoDefaults", [](Catalogs& c) { c.setDefaults({}, {}); }, 6, ""}),
    [](const auto& param) { return param.param.name; });

// An Add carries its column's default, so a NOT NULL column can be added to a
// table with rows; the default is then not added a second time. A target
// that already has a constraint of that name keeps the two apart.
TEST(CompareRun, AnAddCarriesItsColumnsDefault) {
    const Col empAge{"Emp", "Age", "int", "10", "0", "", "0", "0"};
    Catalogs catalogs = fullCatalogs();
    catalogs.setColumns({emp, empAge}, {emp});
    ScriptBuffer buffer;
    runCompare(catalogs.store, catalogs.target, "hrms", buffer);
    ASSERT_GE(buffer.statements().size(), 2u);
    EXPECT_EQ(buffer.statements()[1],
              "Alter Table Emp Add Age int Not NULL CONSTRAINT DF_Emp_Age DEFAULT (0)");
    EXPECT_EQ(buffer.statements().back(), "CREATE TRIGGER tr ON Emp FOR INSERT AS\r\nRETURN\r\n");

    // The target's constraint of that name, with the same value, stays as it is.
    catalogs.setDefaults({dfAge}, {{"df_emp_age", "Dept", "No", "(0)"}});
    ScriptBuffer other;
    runCompare(catalogs.store, catalogs.target, "hrms", other);
    ASSERT_GE(other.statements().size(), 2u);
    EXPECT_EQ(other.statements()[1], "Alter Table Emp Add Age int Not NULL");
    EXPECT_EQ(other.statements().back(), "CREATE TRIGGER tr ON Emp FOR INSERT AS\r\nRETURN\r\n");
}

TEST(CompareRun, FailureMidRunKeepsTheStatementsAddedBefore) {
    Catalogs catalogs = fullCatalogs();
    catalogs.target.fail(test::targetIndexQuery, "Invalid object name 'sysindexkeys'.");
    ScriptBuffer buffer;
    try {
        runCompare(catalogs.store, catalogs.target, "hrms", buffer);
        FAIL() << "the failure did not propagate";
    } catch (const DatabaseError& error) {
        EXPECT_STREQ(error.what(), "Invalid object name 'sysindexkeys'.");
    }
    const std::vector<std::string> statements = {"use hrms",
                                                 "Alter Table Emp Add Name varchar(20)  NULL"};
    EXPECT_EQ(buffer.statements(), statements);
}

TEST(CompareRun, TargetFailureBeforeTheUseStatementLeavesTheBufferAlone) {
    Catalogs catalogs;
    catalogs.setColumns({emp}, {});
    catalogs.target.fail(test::targetColumnQuery, "Login failed for user 'Sa'.");
    ScriptBuffer buffer;
    buffer.setDisplayText("old");
    EXPECT_THROW(runCompare(catalogs.store, catalogs.target, "hrms", buffer), DatabaseError);
    EXPECT_TRUE(buffer.statements().empty());
    EXPECT_EQ(buffer.displayText(), "old");
}

} // namespace
} // namespace dbc
