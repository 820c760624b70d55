#include "catalog_rows.h"
#include "compare_run.h"
#include "database_error.h"
#include "fake_connection.h"

#include <gtest/gtest.h>

namespace dbc {
namespace {

using test::Col;

const std::string columnQuery =
    "SELECT a.name as FieldName, a.id, a.prec as FieldLength, a.xtype,a.IsNullable,a.TypeStat,"
    "a.Collation,a.colstat as colstat, b.name AS FieldType, c.name AS tablename  FROM syscolumns "
    "a INNER JOIN systypes b ON a.xtype = b.xtype AND a.id>1000 And  b.name <> 'sysname' INNER "
    "JOIN  sysobjects c ON c.id = a.id AND c.xtype = 'u'   ORDER BY TableName,a.name ";

// The snapshot store and the target, answering every query a run may send
// with an empty result unless a test sets its own rows.
struct Catalogs {
    test::FakeConnection store;
    test::FakeConnection target;

    Catalogs() { setColumns({}, {}); }

    void setColumns(const std::vector<Col>& snapshot, const std::vector<Col>& targetSide) {
        store.answer("Select * From SourceTable Order by TableName,FieldName",
                     test::snapshotColumns(snapshot));
        std::vector<std::string> tables;
        for (const Col& c : snapshot) {
            if (tables.empty() || tables.back() != c.table)
                tables.push_back(c.table);
        }
        store.answer("Select TableName From SourceTable Group by TableName",
                     test::nameList("TableName", tables));
        target.answer(columnQuery, test::targetColumns(targetSide));
    }
};

const Col emp{"Emp", "Id", "int", "10", "0", "", "0", "1"};

TEST(CompareRun, UseStatementComesFirstInBothFaces) {
    Catalogs catalogs;
    catalogs.setColumns({emp}, {emp});
    ScriptBuffer buffer;
    buffer.setDisplayText("an earlier script");
    runCompare(catalogs.store, catalogs.target, "hrms", buffer);
    ASSERT_FALSE(buffer.statements().empty());
    EXPECT_EQ(buffer.statements()[0], "use hrms");
    ASSERT_FALSE(buffer.displayLines().empty());
    EXPECT_EQ(buffer.displayLines()[0], "use hrms");
}

TEST(CompareRun, DatabaseNameGoesInAsTyped) {
    Catalogs catalogs;
    catalogs.setColumns({emp}, {emp});
    ScriptBuffer buffer;
    runCompare(catalogs.store, catalogs.target, " my db", buffer);
    ASSERT_FALSE(buffer.statements().empty());
    EXPECT_EQ(buffer.statements()[0], "use  my db");
}

TEST(CompareRun, EmptySnapshotLeavesTheDisplayTextAndAddsNothing) {
    Catalogs catalogs;
    catalogs.setColumns({}, {emp});
    ScriptBuffer buffer;
    buffer.setDisplayText("help text\nsecond line");
    runCompare(catalogs.store, catalogs.target, "hrms", buffer);
    EXPECT_TRUE(buffer.statements().empty());
    EXPECT_EQ(buffer.displayText(), "help text\nsecond line");
    const std::vector<std::string> storeSent = {
        "Select * From SourceTable Order by TableName,FieldName",
        "Select TableName From SourceTable Group by TableName"};
    EXPECT_EQ(catalogs.store.sent(), storeSent);
    EXPECT_EQ(catalogs.target.sent(), std::vector<std::string>{columnQuery});
}

TEST(CompareRun, TargetFailureEndsTheRunWithTheServerMessage) {
    Catalogs catalogs;
    catalogs.setColumns({emp}, {});
    catalogs.target.fail(columnQuery, "Login failed for user 'Sa'.");
    ScriptBuffer buffer;
    buffer.setDisplayText("old");
    try {
        runCompare(catalogs.store, catalogs.target, "hrms", buffer);
        FAIL() << "the failure did not propagate";
    } catch (const DatabaseError& error) {
        EXPECT_STREQ(error.what(), "Login failed for user 'Sa'.");
    }
    EXPECT_TRUE(buffer.statements().empty());
    EXPECT_EQ(buffer.displayText(), "old");
}

} // namespace
} // namespace dbc
