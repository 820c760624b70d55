#include "compare/compare_run.h"
#include "data/database_error.h"
#include "tests/compare/compare_catalogs.h"

#include <gtest/gtest.h>

namespace dbc {
namespace {

using test::StoredObject;
using test::TargetObject;

struct ObjectCase {
    std::string name;
    const ObjectKind* category;
    const test::ObjectTables* tables;
    std::vector<StoredObject> snapshot;
    std::vector<TargetObject> target;
    std::vector<std::string> display;
    std::vector<std::string> statements;
};

std::ostream& operator<<(std::ostream& out, const ObjectCase& c) {
    return out << c.name;
}

class ObjectCompareGolden : public ::testing::TestWithParam<ObjectCase> {};

TEST_P(ObjectCompareGolden, GeneratesExactlyTheExpectedScript) {
    const ObjectCase& c = GetParam();
    test::Catalogs catalogs;
    catalogs.setObjects(*c.tables, c.snapshot, c.target);
    ScriptBuffer buffer;
    EXPECT_TRUE(test::compareObjects(*c.category, catalogs.store, catalogs.target, buffer));
    EXPECT_EQ(buffer.displayLines(), c.display);
    EXPECT_EQ(buffer.statements(), c.statements);
}

const StoredObject p{"p", {"CREATE PROCEDURE p AS\r\n", "  SELECT 1\r\n"}};
const std::string pText = "CREATE PROCEDURE p AS\r\n  SELECT 1\r\n";
const StoredObject v{"v", {"CREATE VIEW v AS\r\n", "SELECT a FROM t\r\n"}};
const std::string vText = "CREATE VIEW v AS\r\nSELECT a FROM t\r\n";
const StoredObject tr{"tr", {"CREATE TRIGGER tr ON t FOR INSERT AS\r\n", "RETURN"}};
const std::string trText = "CREATE TRIGGER tr ON t FOR INSERT AS\r\nRETURN";

const ObjectCase objectCases[] = {
    {"MissingProcedureGetsGoAndItsText",
     &procedureKind,
     &test::procedureTables,
     {p},
     {},
     {"Go", "CREATE PROCEDURE p AS", "  SELECT 1"},
     {pText}},
    {"EqualUpToLineEndStyleAndBlanksAtLineEnds",
     &procedureKind,
     &test::procedureTables,
     {p},
     {{"p", std::vector<std::string>{"CREATE PROCEDURE p AS \t\n", "  SELECT 1  \n"}}},
     {},
     {}},
    {"LetterCaseOrLeadingBlanksDropAndRecreate",
     &procedureKind,
     &test::procedureTables,
     {p},
     {{"p", std::vector<std::string>{"create procedure P as\r\n", "\tSELECT 1\r\n"}}},
     {"Go", "drop procedure [dbo].p", "Go", "CREATE PROCEDURE p AS", "  SELECT 1"},
     {"drop procedure [dbo].p", pText}},
    {"OneInnerBlankMoreDropsAndRecreates",
     &procedureKind,
     &test::procedureTables,
     {p},
     {{"p", std::vector<std::string>{"CREATE PROCEDURE p AS\r\n", "  SELECT  1\r\n"}}},
     {"Go", "drop procedure [dbo].p", "Go", "CREATE PROCEDURE p AS", "  SELECT 1"},
     {"drop procedure [dbo].p", pText}},
    {"RowsJoinedDifferentlyDiffer",
     &procedureKind,
     &test::procedureTables,
     {p},
     {{"p", std::vector<std::string>{"create procedure p as select 1"}}},
     {"Go", "drop procedure [dbo].p", "Go", "CREATE PROCEDURE p AS", "  SELECT 1"},
     {"drop procedure [dbo].p", pText}},
    {"ProcedureWithEmptyTargetText",
     &procedureKind,
     &test::procedureTables,
     {p},
     {{"p", std::vector<std::string>{}}},
     {"Go", "drop procedure [dbo].p", "Go", "CREATE PROCEDURE p AS", "  SELECT 1"},
     {"drop procedure [dbo].p", pText}},
    {"EncryptedProcedureIsDroppedAndRecreated",
     &procedureKind,
     &test::procedureTables,
     {p},
     {{"p", std::nullopt}},
     {"Go", "drop procedure [dbo].p", "Go", "CREATE PROCEDURE p AS", "  SELECT 1"},
     {"drop procedure [dbo].p", pText}},
    {"ViewTextDiffers",
     &viewKind,
     &test::viewTables,
     {v},
     {{"v", std::vector<std::string>{"CREATE VIEW v AS SELECT b FROM t"}}},
     {"Go", "drop View [dbo].v", "Go", "CREATE VIEW v AS", "SELECT a FROM t"},
     {"drop View [dbo].v", vText}},
    {"ViewWithoutTargetTextDrop",
     &viewKind,
     &test::viewTables,
     {v},
     {{"v", std::vector<std::string>{}}},
     {"Go", "drop View [dbo].v", "Go", "CREATE VIEW v AS", "SELECT a FROM t"},
     {"drop View [dbo].v", vText}},
    {"TargetOnlyViewIsNeverTouched",
     &viewKind,
     &test::viewTables,
     {v},
     {{"v", std::vector<std::string>{"CREATE VIEW v AS\n", "SELECT a FROM t\n"}},
      {"old_view", std::vector<std::string>{"CREATE VIEW old_view AS SELECT 1"}}},
     {},
     {}},
    {"TriggerWithoutTargetTextUsesUpperCaseLiteral",
     &triggerKind,
     &test::triggerTables,
     {tr},
     {{"tr", std::vector<std::string>{}}},
     {"Go", "drop TRIGGER [dbo].tr", "Go", "CREATE TRIGGER tr ON t FOR INSERT AS", "RETURN"},
     {"drop TRIGGER [dbo].tr", trText}},
    {"EncryptedTriggerUsesUpperCaseLiteral",
     &triggerKind,
     &test::triggerTables,
     {tr},
     {{"tr", std::nullopt}},
     {"Go", "drop TRIGGER [dbo].tr", "Go", "CREATE TRIGGER tr ON t FOR INSERT AS", "RETURN"},
     {"drop TRIGGER [dbo].tr", trText}},
    {"TriggerTextDiffersUsesMixedCaseLiteral",
     &triggerKind,
     &test::triggerTables,
     {tr},
     {{"tr", std::vector<std::string>{"CREATE TRIGGER tr ON t FOR UPDATE AS", "RETURN"}}},
     {"Go", "drop TRigger [dbo].tr", "Go", "CREATE TRIGGER tr ON t FOR INSERT AS", "RETURN"},
     {"drop TRigger [dbo].tr", trText}},
    {"MissingP1AndDifferingP2",
     &procedureKind,
     &test::procedureTables,
     {{"p1", {"CREATE PROCEDURE p1 AS\r\n", "SELECT 1\r\n"}},
      {"p2", {"CREATE PROCEDURE p2 AS\r\n", "SELECT 2\r\n"}}},
     {{"p2", std::vector<std::string>{"CREATE PROCEDURE p2 AS\r\n", "SELECT 3\r\n"}}},
     {"Go", "CREATE PROCEDURE p1 AS", "SELECT 1", "Go", "drop procedure [dbo].p2", "Go",
      "CREATE PROCEDURE p2 AS", "SELECT 2"},
     {"CREATE PROCEDURE p1 AS\r\nSELECT 1\r\n", "drop procedure [dbo].p2",
      "CREATE PROCEDURE p2 AS\r\nSELECT 2\r\n"}},
    {"ChineseNameAndTextCompareByteForByte",
     &viewKind,
     &test::viewTables,
     {{"\xE8\xA7\x86\xE5\x9B\xBE", {"CREATE VIEW \xE8\xA7\x86\xE5\x9B\xBE AS SELECT 1"}}},
     {{"\xE8\xA7\x86\xE5\x9B\xBE",
       std::vector<std::string>{"CREATE VIEW \xE8\xA7\x86\xE5\x9B\xBE AS SELECT 1"}}},
     {},
     {}},
    {"ApostropheInNameIsComparedLikeAnyOther",
     &procedureKind,
     &test::procedureTables,
     {{"O'Brien", {"CREATE PROCEDURE [O'Brien] AS SELECT 1"}}},
     {{"O'Brien", std::vector<std::string>{"CREATE PROCEDURE [O'Brien] AS SELECT 2"}}},
     {"Go", "drop procedure [dbo].[O'Brien]", "Go", "CREATE PROCEDURE [O'Brien] AS SELECT 1"},
     {"drop procedure [dbo].[O'Brien]", "CREATE PROCEDURE [O'Brien] AS SELECT 1"}},
};

INSTANTIATE_TEST_SUITE_P(Objects, ObjectCompareGolden, ::testing::ValuesIn(objectCases),
                         [](const auto& param) { return param.param.name; });

TEST(ObjectCompare, SendsTheExactQueriesWithQuotedNames) {
    test::Catalogs catalogs;
    catalogs.setObjects(test::procedureTables,
                        {{"O'Brien", {"CREATE PROCEDURE x AS SELECT 1"}},
                         {"p');drop table t--", {"CREATE PROCEDURE y AS SELECT 1"}}},
                        {{"O'Brien", std::vector<std::string>{"CREATE PROCEDURE x AS SELECT 1"}}});
    catalogs.store.clearSent();
    ScriptBuffer buffer;
    test::compareObjects(procedureKind, catalogs.store, catalogs.target, buffer);
    const std::vector<std::string> storeSent = {"Select SpName From SourceSp Group by SpName",
                                                "Select * From SourceSp "};
    EXPECT_EQ(catalogs.store.sent(), storeSent);
    // Every existence query first, then the text of the objects found.
    const std::vector<std::string> targetSent = {
        "Select * From sysObjects where type='P' and Status>=0 and name=N'O''Brien'",
        "Select * From sysObjects where type='P' and Status>=0 and name=N'p'');drop table t--'",
        "Exec sp_helpText N'O''Brien'"};
    EXPECT_EQ(catalogs.target.sent(), targetSent);
}

// A failure part way through a section ends the run with the statements of
// the objects decided before it, and none after it. A lost connection at a
// text request is such a failure, not an object without text: taking it for
// one would drop and re-create an object that may well be the same.
TEST(ObjectCompare, FailurePartWayKeepsOnlyTheObjectsDecidedBefore) {
    struct Failure {
        std::string query;
        std::string sqlState;
        std::vector<std::string> statementsKept;
    };
    const Failure failures[] = {
        {test::textQuery("p3"),
         "08S01",
         {"CREATE PROC p1", "drop procedure [dbo].p2", "CREATE PROC p2"}},
        {test::existenceQuery("P", "p3"),
         "42000",
         {"CREATE PROC p1", "drop procedure [dbo].p2", "CREATE PROC p2"}},
        {test::textQuery("p2"), "08S01", {"CREATE PROC p1"}},
    };
    for (const Failure& f : failures) {
        test::Catalogs catalogs;
        catalogs.setObjects(test::procedureTables,
                            {{"p1", {"CREATE PROC p1"}},
                             {"p2", {"CREATE PROC p2"}},
                             {"p3", {"CREATE PROC p3"}},
                             {"p4", {"CREATE PROC p4"}}},
                            {{"p2", std::vector<std::string>{"CREATE PROC p2 changed"}},
                             {"p3", std::vector<std::string>{"CREATE PROC p3"}}});
        catalogs.target.fail(f.query, "the failure", f.sqlState);
        ChangeList changes;
        try {
            compareModulePart(procedureKind, catalogs.store, catalogs.target, changes);
            ADD_FAILURE() << f.query << ": no error";
        } catch (const DatabaseError& error) {
            EXPECT_EQ(error.sqlState(), f.sqlState) << f.query;
        }
        ScriptBuffer buffer;
        for (const Change& change : changes)
            buffer.add(change);
        EXPECT_EQ(buffer.statements(), f.statementsKept) << f.query;
    }
}

TEST(ObjectCompare, OtherTypeOrNegativeStatusInTargetCountsAsMissing) {
    // The server filters both out in the existence query: its type and status
    // conditions are what makes a view named p or a system object count as
    // missing, so the query text is checked for each category.
    struct Expect {
        const ObjectKind* category;
        const test::ObjectTables* tables;
        std::string query;
    };
    const Expect expects[] = {
        {&procedureKind, &test::procedureTables,
         "Select * From sysObjects where type='P' and Status>=0 and name=N'x'"},
        {&viewKind, &test::viewTables,
         "Select * From sysObjects where type='V' and Status>=0 and name=N'x'"},
        {&triggerKind, &test::triggerTables,
         "Select * From sysObjects where type='TR' and Status>=0 and name=N'x'"},
    };
    for (const Expect& e : expects) {
        test::Catalogs catalogs;
        catalogs.setObjects(*e.tables, {{"x", {"CREATE PROC x"}}}, {});
        ScriptBuffer buffer;
        test::compareObjects(*e.category, catalogs.store, catalogs.target, buffer);
        EXPECT_EQ(catalogs.target.sent(), std::vector<std::string>{e.query});
        EXPECT_EQ(buffer.statements(), std::vector<std::string>{"CREATE PROC x"});
        EXPECT_EQ(buffer.displayLines(), (std::vector<std::string>{"Go", "CREATE PROC x"}));
    }
}

TEST(ObjectCompare, EmptyNameListAsksTheTargetNothing) {
    test::Catalogs catalogs;
    ScriptBuffer buffer;
    EXPECT_FALSE(test::compareObjects(viewKind, catalogs.store, catalogs.target, buffer));
    EXPECT_TRUE(buffer.statements().empty());
    EXPECT_TRUE(buffer.displayLines().empty());
    EXPECT_TRUE(catalogs.target.sent().empty());
}

TEST(ObjectCompare, StoredRowsOfAnObjectAreFoundWhateverTheirPlaceInTheTable) {
    test::Catalogs catalogs;
    catalogs.setObjects(test::procedureTables,
                        {{"a", {"CREATE PROC a\r\n"}}, {"b", {"CREATE PROC b\r\n"}}}, {});
    // Rows of a and b interleaved as a store might return them.
    catalogs.store.answer(
        "Select * From SourceSp ",
        test::textRows("SpName", "SpText",
                       {{"a", "CREATE PROC a\r\n"}, {"b", "CREATE PROC b\r\n"}, {"A", "A2\r\n"}}));
    ScriptBuffer buffer;
    test::compareObjects(procedureKind, catalogs.store, catalogs.target, buffer);
    const std::vector<std::string> statements = {"CREATE PROC a\r\nA2\r\n", "CREATE PROC b\r\n"};
    EXPECT_EQ(buffer.statements(), statements);
}

TEST(ObjectCompare, ALostConnectionOrTimeoutWhileReadingTextEndsTheRun) {
    // An object whose text the server will not give counts as missing; a
    // connection that is gone says nothing about the object.
    for (const char* sqlState : {"08S01", "HYT00"}) {
        test::Catalogs catalogs;
        catalogs.setObjects(test::procedureTables, {{"p", {"CREATE PROC p"}}},
                            {{"p", std::vector<std::string>{"CREATE PROC p"}}});
        catalogs.target.fail("Exec sp_helpText N'p'", "gone", sqlState);
        ScriptBuffer buffer;
        EXPECT_THROW(test::compareObjects(procedureKind, catalogs.store, catalogs.target, buffer),
                     DatabaseError)
            << sqlState;
        EXPECT_TRUE(buffer.statements().empty()) << sqlState;
    }
}

TEST(ObjectCompare, ConnectionFailureOfTheExistenceQueryEndsTheRun) {
    test::Catalogs catalogs;
    catalogs.setObjects(test::procedureTables, {{"p", {"CREATE PROC p"}}}, {});
    catalogs.target.fail(test::existenceQuery("P", "p"), "Communication link failure");
    ScriptBuffer buffer;
    EXPECT_THROW(test::compareObjects(procedureKind, catalogs.store, catalogs.target, buffer),
                 std::runtime_error);
}

} // namespace
} // namespace dbc
