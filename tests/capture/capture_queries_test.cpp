// The capture's conversation with the source, text for text: the catalog
// queries as SQL Server tools send them, blanks included, and object names
// as quoted literals.

#include "snapshot/capture.h"
#include "snapshot/snapshot_store.h"
#include "tests/script/fake_connection.h"
#include "tests/support/test_server_process.h"

#include <gtest/gtest.h>

namespace dbc {
namespace {

using test::FakeConnection;
using test::makeResult;

const std::string columnsQuery =
    "SELECT a.name, a.id, a.prec as length, a.scale, a.xtype,a.IsNullable,a.TypeStat,a.Collation,"
    "a.colstat as colstat, b.name AS TypeName, c.name AS tablename  FROM syscolumns a INNER JOIN "
    "systypes b ON b.xusertype = CASE a.xusertype WHEN 256 THEN a.xtype ELSE a.xusertype END AND "
    "a.id>1000 INNER JOIN  sysobjects c ON c.id = a.id AND c.xtype = 'u'   ORDER BY "
    "TableName,a.name ";
const std::string indexQuery =
    "SELECT a.indid as status, a.name AS IndexName, b.indid, b.colid, b.keyno AS IndexFieldOrder, "
    "c.name AS tablename, d.name AS IndexField, CASE WHEN (a.status & 2) <> 0 THEN '1' ELSE '0' "
    "END AS IsUnique, CASE WHEN (a.status & 2048) <> 0 THEN 'PK' WHEN (a.status & 4096) <> 0 THEN "
    "'UQ' ELSE '' END AS KeyConstraint, INDEXKEY_PROPERTY(a.id, a.indid, b.keyno, 'IsDescending') "
    "AS IsDescending  FROM sysindexes a INNER JOIN   sysindexkeys b ON "
    "a.id = b.id AND a.indid = b.indid INNER JOIN  sysobjects c ON a.id = c.id INNER JOIN  "
    "syscolumns d ON a.id = d.id AND b.colid = d.colid  WHERE     (c.xtype = 'u') and a.status>0 "
    "and a.status<8000000    ORDER BY TableName, IndexName, IndexFieldOrder  ";
const std::string procedureNames = "Select Name From SysObjects where xtype='P' and Status>=0";
const std::string viewNames = "Select Name From SysObjects where xtype='V' and Status>=0";
const std::string triggerNames = "Select Name From SysObjects where xtype='TR' and Status>=0";
const std::string functionNames =
    "Select Name From SysObjects where xtype IN ('FN','IF','TF') and Status>=0";
const std::string defaultsQuery =
    "SELECT a.name AS DFName, b.name AS TableName,c.Text as DFValue,d.name as FieldName   FROM "
    "sysobjects a INNER JOIN      sysobjects b ON a.parent_obj = b.id Inner Join sysComments c on "
    "a.id=C.id inner join syscolumns d       on (a.type = 'D') AND (a.status >= 0) AND (b.type = "
    "'U') AND (b.status >= 0)  and a.parent_obj=d.id and a.info=d.colid  ";

const std::string foreignKeysQuery =
    "SELECT o.name AS FKName, t.name AS TableName, tc.name AS FieldName, r.name AS RefTableName, "
    "rc.name AS RefFieldName, k.keyno AS KeyOrder, OBJECTPROPERTY(k.constid, "
    "'CnstIsDeleteCascade') AS DeleteCascade, OBJECTPROPERTY(k.constid, 'CnstIsUpdateCascade') "
    "AS UpdateCascade, OBJECTPROPERTY(k.constid, 'CnstIsDisabled') AS IsDisabled, "
    "OBJECTPROPERTY(k.constid, 'CnstIsNotRepl') AS NotForReplication, OBJECTPROPERTY(k.constid, "
    "'CnstIsNotTrusted') AS NotTrusted FROM sysforeignkeys k INNER JOIN sysobjects o ON o.id = "
    "k.constid INNER JOIN sysobjects t ON t.id = k.fkeyid INNER JOIN syscolumns tc ON tc.id = "
    "k.fkeyid AND tc.colid = k.fkey INNER JOIN sysobjects r ON r.id = k.rkeyid INNER JOIN "
    "syscolumns rc ON rc.id = k.rkeyid AND rc.colid = k.rkey WHERE t.xtype = 'U' AND r.xtype = "
    "'U' ORDER BY FKName, KeyOrder";
const std::string checksQuery =
    "SELECT o.name AS CKName, t.name AS TableName, c.name AS FieldName, m.text AS CKText, "
    "m.colid AS TextOrder, OBJECTPROPERTY(o.id, 'CnstIsNotRepl') AS NotForReplication, "
    "OBJECTPROPERTY(o.id, 'CnstIsDisabled') AS Disabled FROM sysobjects o INNER JOIN sysobjects "
    "t ON t.id = o.parent_obj INNER JOIN syscomments m ON m.id = o.id INNER JOIN sysconstraints "
    "s ON s.constid = o.id LEFT OUTER JOIN syscolumns c ON c.id = s.id AND c.colid = s.colid "
    "WHERE o.xtype = 'C' AND t.xtype = 'U' ORDER BY CKName, TextOrder";

const std::string columnMarksQuery =
    "SELECT o.name AS TableName, c.name AS FieldName, COLUMNPROPERTY(c.id, c.name, "
    "'IsRowGuidCol') AS IsRowGuidCol, COLUMNPROPERTY(c.id, c.name, 'IsIdNotForRepl') AS "
    "IsIdNotForRepl FROM syscolumns c INNER JOIN sysobjects o ON o.id = c.id WHERE o.xtype = 'U' "
    "AND (COLUMNPROPERTY(c.id, c.name, 'IsRowGuidCol') = 1 OR COLUMNPROPERTY(c.id, c.name, "
    "'IsIdNotForRepl') = 1)";

const std::string computedQuery =
    "SELECT o.name AS TableName, c.name AS FieldName, m.text AS Definition, m.colid AS TextOrder "
    "FROM syscolumns c INNER JOIN sysobjects o ON o.id = c.id INNER JOIN syscomments m ON m.id = "
    "c.id AND m.number = c.colid WHERE o.xtype = 'U' AND c.iscomputed = 1 ORDER BY TableName, "
    "FieldName, TextOrder";

const std::string aliasTypesQuery =
    "SELECT t.name AS TypeName, b.name AS BaseType, t.prec AS Length, t.scale AS Scale, "
    "t.allownulls AS AllowNulls FROM systypes t INNER JOIN systypes b ON b.xusertype = t.xtype "
    "WHERE t.xusertype > 256 ORDER BY TypeName";

// The identity seed of a table whose name holds an apostrophe and a "]".
const std::string seedQuery = "SELECT IDENT_SEED(N'[O''Neil]]s]') AS IdentSeed, "
                              "IDENT_INCR(N'[O''Neil]]s]') AS IdentIncr";

struct NullObserver : CaptureObserver {
    void stepStarted(CaptureStep, int, int) override {}
    void advanced() override {}
};

class CaptureQueries : public ::testing::Test {
protected:
    void SetUp() override {
        m_source.answer(
            columnsQuery,
            makeResult({"name", "id", "length", "scale", "xtype", "IsNullable", "TypeStat",
                        "Collation", "colstat", "TypeName", "tablename"},
                       {{"Name", "1977", "50", "", "167", "1", "2", "X", "0", "varchar", " T \t"},
                        {"Pay", "1977", "10", "2", "108", "1", "0", "", "0", "numeric", "T"},
                        {"No", "1978", "10", "0", "56", "0", "0", "", "1", "int", "O'Neil]s"}}));
        m_source.answer(seedQuery, makeResult({"IdentSeed", "IdentIncr"}, {{"-100", "-5"}}));
        m_source.answer(columnMarksQuery,
                        makeResult({"TableName", "FieldName", "IsRowGuidCol", "IsIdNotForRepl"},
                                   {{"O'Neil]s", "No", "0", "1"}}));
        // A computed definition in two text rows.
        m_source.answer(computedQuery,
                        makeResult({"TableName", "FieldName", "Definition", "TextOrder"},
                                   {{"T", "Pay", "([a] * ", "1"}, {"T", "Pay", "2)", "2"}}));
        m_source.answer(aliasTypesQuery,
                        makeResult({"TypeName", "BaseType", "Length", "Scale", "AllowNulls"},
                                   {{"empno_t", "varchar", "10", "", "0"},
                                    {"money_t", "decimal", "12", "2", "1"}}));
        // A key column whose direction the server does not know (NULL) is
        // stored as ascending.
        m_source.answer(
            indexQuery,
            makeResult({"status", "IndexName", "indid", "colid", "IndexFieldOrder", "tablename",
                        "IndexField", "IsUnique", "KeyConstraint", "IsDescending"},
                       {{"1", "PK_T", "1", "1", "1", " T \t", "Name", "1", "PK", ""},
                        {"2", "IX_T", "2", "1", "1", " T \t", "Name", "0", "", "1"}}));
        m_source.answer(procedureNames, makeResult({"Name"}, {{"O'Brien"}, {"p2"}}));
        m_source.answer(viewNames, makeResult({"Name"}));
        m_source.answer(triggerNames, makeResult({"Name"}));
        m_source.answer(defaultsQuery, makeResult({"DFName", "TableName", "DFValue", "FieldName"},
                                                  {{"DF_T", "T ", "\r\n (0) \r\n", "Name"}}));
        // A two-column foreign key, its rows out of key order; a CHECK whose
        // definition comes in two text rows.
        m_source.answer(foreignKeysQuery,
                        makeResult({"FKName", "TableName", "FieldName", "RefTableName",
                                    "RefFieldName", "KeyOrder", "DeleteCascade", "UpdateCascade",
                                    "IsDisabled", "NotForReplication", "NotTrusted"},
                                   {{"FK_T", "T", "b", "O", "y", "2", "1", "0", "1", "1", "1"},
                                    {"FK_T", "T", "a", "O", "x", "1", "1", "0", "1", "1", "1"}}));
        m_source.answer(checksQuery, makeResult({"CKName", "TableName", "FieldName", "CKText",
                                                 "TextOrder", "NotForReplication", "Disabled"},
                                                {{"CK_T", "T", "", "([Name] <> ", "1", "0", "1"},
                                                 {"CK_T", "T", "", "'')", "2", "0", "1"}}));
        m_source.answer("sp_helpText N'O''Brien'",
                        makeResult({"Text"}, {{"CREATE PROCEDURE [O'Brien]\r\n"}, {"AS 1"}}));
        m_source.fail("sp_helpText N'p2'", "The object comments have been encrypted.");
        // Functions of the three kinds; one encrypted.
        m_source.answer(functionNames, makeResult({"Name"}, {{"f_if"}, {"f_enc"}}));
        m_source.answer("sp_helpText N'f_if'",
                        makeResult({"Text"}, {{"CREATE FUNCTION f_if () RETURNS TABLE\r\n"},
                                              {"AS RETURN (SELECT 1 AS a)"}}));
        m_source.fail("sp_helpText N'f_enc'", "The object comments have been encrypted.");
        m_store = SnapshotStore::open(m_dir.path() / "Source.mdb");
    }

    test::TempDir m_dir;
    FakeConnection m_source;
    std::unique_ptr<SnapshotStore> m_store;
};

TEST_F(CaptureQueries, SendsTheCatalogQueriesTextForText) {
    NullObserver observer;
    captureSource(m_source, *m_store, observer);
    std::vector<std::string> expected{columnsQuery,
                                      seedQuery,
                                      columnMarksQuery,
                                      computedQuery,
                                      indexQuery,
                                      procedureNames,
                                      "sp_helpText N'O''Brien'",
                                      "sp_helpText N'p2'",
                                      viewNames,
                                      triggerNames,
                                      defaultsQuery,
                                      foreignKeysQuery,
                                      checksQuery,
                                      aliasTypesQuery,
                                      functionNames,
                                      "sp_helpText N'f_if'",
                                      "sp_helpText N'f_enc'"};
    EXPECT_EQ(m_source.sent(), expected);
}

TEST_F(CaptureQueries, StoresValuesAsTheStoreExpectsThem) {
    NullObserver observer;
    CaptureSummary summary = captureSource(m_source, *m_store, observer);
    Connection& store = m_store->connection();
    Result column = store.open("Select * From SourceTable");
    ASSERT_EQ(column.size(), 3u);
    EXPECT_EQ(column.field(0, "TableName"), "T"); // trimmed of blanks and tabs
    EXPECT_EQ(column.field(0, "FieldLength"), "50");
    EXPECT_EQ(column.field(0, "Collation"), "X");
    EXPECT_EQ(column.field(0, "FieldScale"), "");
    EXPECT_EQ(column.field(1, "FieldScale"), "2");
    // Seed and increment on the identity column's row only.
    EXPECT_EQ(column.field(1, "IdentSeed"), "");
    EXPECT_EQ(column.field(2, "IdentSeed"), "-100");
    EXPECT_EQ(column.field(2, "IdentIncr"), "-5");
    EXPECT_EQ(column.field(2, "IdentNotForRepl"), "1");
    EXPECT_EQ(column.field(2, "RowGuidCol"), "0");
    EXPECT_EQ(column.field(1, "IdentNotForRepl"), "0");
    // A computed column's definition whole; NULL on a plain column.
    EXPECT_EQ(column.field(1, "ComputedText"), "([a] * 2)");
    EXPECT_EQ(column.field(0, "ComputedText"), "");
    EXPECT_EQ(store.open("Select * From SourceTable Where ComputedText Is Null").size(), 2u);
    Result text = store.open("Select SpText From SourceSp where SpName='O''Brien'");
    EXPECT_EQ(text.size(), 2u);
    Result defaults = store.open("Select * From SourceDF");
    ASSERT_EQ(defaults.size(), 1u);
    EXPECT_EQ(defaults.field(0, "DFValue"), "(0)");
    EXPECT_EQ(defaults.field(0, "TableName"), "T "); // untrimmed
    EXPECT_EQ(summary.objectsWithoutText, (std::vector<std::string>{"p2", "f_enc"}));
    EXPECT_EQ(summary.functionRows, 2u);
    Result functions = store.open("Select * From SourceFN");
    EXPECT_EQ(functions.rows(),
              (std::vector<Result::Row>{{"f_if", "CREATE FUNCTION f_if () RETURNS TABLE\r\n", ""},
                                        {"f_if", "AS RETURN (SELECT 1 AS a)", ""}}));
    Result keys = store.open("Select * From SourceIndex Order by IndexName");
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys.field(1, "TableName"), " T \t"); // untrimmed
    // A SQL Server 2000 source has no included columns or filters: both
    // fields unset.
    EXPECT_EQ(keys.rows()[1],
              (Result::Row{" T \t", "PK_T", "Name", "1", "1", "1", "PK", "0", "", "", ""}));
    EXPECT_EQ(keys.rows()[0],
              (Result::Row{" T \t", "IX_T", "Name", "1", "2", "0", "", "1", "", "", ""}));
    EXPECT_EQ(summary.rows, (std::array<std::size_t, 6>{3, 2, 2, 0, 0, 1}));
    Result foreignKeys = store.open("Select * From SourceFK Order by KeyOrder");
    ASSERT_EQ(foreignKeys.size(), 2u);
    EXPECT_EQ(foreignKeys.rows()[0],
              (Result::Row{"FK_T", "T", "a", "O", "x", "1", "1", "0", "1", "1", "", ""}));
    EXPECT_EQ(foreignKeys.rows()[1],
              (Result::Row{"FK_T", "T", "b", "O", "y", "2", "1", "0", "1", "1", "", ""}));
    Result checks = store.open("Select * From SourceCK");
    ASSERT_EQ(checks.size(), 1u);
    EXPECT_EQ(checks.rows()[0], (Result::Row{"CK_T", "T", "", "([Name] <> '')", "0", "1", ""}));
    Result types = store.open("Select * From SourceType Order by TypeName");
    ASSERT_EQ(types.size(), 2u);
    EXPECT_EQ(types.rows()[0], (Result::Row{"empno_t", "varchar", "10", "", "0"}));
    EXPECT_EQ(types.rows()[1], (Result::Row{"money_t", "decimal", "12", "2", "1"}));
}

} // namespace
} // namespace dbc
