// CREATE TABLE, ALTER TABLE and DROP TABLE change what the catalog queries return.

#include "tests/testserver_engine/ddl_test_support.h"

#include <gtest/gtest.h>

#include <regex>

namespace testserver::test {
namespace {

const char* const kEmp =
    "CREATE TABLE [dbo].[Emp] (\n"
    "  [Id] [int] IDENTITY (1, 1) NOT NULL,\n"
    "  [Code] [varchar] (10) COLLATE Chinese_PRC_CI_AS NOT NULL,\n"
    "  [Note] [nvarchar] (100) NULL,\n"
    "  [Age] [int] NULL\n"
    ") ON [PRIMARY]\nGO\n"
    "CREATE TABLE [dbo].[Contract ] ([No] [varchar] (10) NOT NULL, [EmpId] [int] NULL)\nGO\n"
    "CREATE TABLE [dbo].[员工档案] ([编号] [int] NOT NULL)\nGO\n";

class TableDdlTest : public ::testing::Test {
protected:
    TableDdlTest() : m_db(kEmp) {}
    EngineWithSession m_db;
};

TEST_F(TableDdlTest, CompareCreateTableFormMakesTheColumnsItDescribes) {
    m_db.exec("Create Table [dbo].[T] ([id] [int] IDENTITY (1, 1)  Not NULL,[name] [varchar](50)  "
              "COLLATE Chinese_PRC_CS_AS NULL) ON [PRIMARY]");
    EXPECT_EQ(tableColumns(m_db, "T"),
              (std::vector<std::string>{"id|10|0|0|NULL|1|int",
                                        "name|50|1|2|Chinese_PRC_CS_AS|0|varchar"}));
    // A new table is a heap: one sysindexes row with indid 0, which the
    // index query leaves out.
    EXPECT_EQ(rowsAsText(m_db.query("select i.indid, i.status, i.name from sysindexes i inner "
                                    "join sysobjects o on o.id = i.id where o.name = 'T'")),
              std::vector<std::string>{"0|0|T"});
    EXPECT_TRUE(tableIndexes(m_db, "T").empty());
}

struct AddCase {
    const char* statement;
    const char* column; // the new column's row
};

class AddColumnTest : public TableDdlTest, public ::testing::WithParamInterface<AddCase> {};

TEST_P(AddColumnTest, AddsOneColumnRow) {
    std::vector<std::string> before = tableColumns(m_db, "Emp");
    m_db.exec(GetParam().statement);
    std::vector<std::string> after = tableColumns(m_db, "Emp");
    ASSERT_EQ(after.size(), before.size() + 1);
    EXPECT_NE(std::find(after.begin(), after.end(), GetParam().column), after.end())
        << ::testing::PrintToString(after);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, AddColumnTest,
    ::testing::Values(
        AddCase{"Alter Table Emp Add Email varchar(50)  COLLATE Chinese_PRC_CS_AS NULL",
                "Email|50|1|2|Chinese_PRC_CS_AS|0|varchar"},
        AddCase{"Alter Table Emp Add Title nvarchar(30) NULL",
                "Title|30|1|2|Chinese_PRC_CI_AS|0|nvarchar"},
        AddCase{"Alter Table emp Add Price numeric(9, 2)  NULL", "Price|9|1|0|NULL|0|numeric"},
        AddCase{"Alter Table Emp Add HireDate datetime NULL", "HireDate|23|1|0|NULL|0|datetime"},
        AddCase{"ALTER TABLE Emp ADD Flag bit NOT NULL CONSTRAINT DF_Emp_Flag DEFAULT (0)",
                "Flag|1|0|0|NULL|0|bit"},
        AddCase{"Alter Table [dbo].[Emp] Add [Big] bigint NULL", "Big|19|1|0|NULL|0|bigint"}));

struct AlterCase {
    const char* statement;
    const char* column;
};

class AlterColumnTest : public TableDdlTest, public ::testing::WithParamInterface<AlterCase> {};

TEST_P(AlterColumnTest, RestatesTheColumnRow) {
    m_db.exec(GetParam().statement);
    std::vector<std::string> after = tableColumns(m_db, "Emp");
    EXPECT_EQ(after.size(), 4u);
    EXPECT_NE(std::find(after.begin(), after.end(), GetParam().column), after.end())
        << ::testing::PrintToString(after);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, AlterColumnTest,
    ::testing::Values(
        AlterCase{
            "Alter Table Emp Alter COLUMN Code varchar(20)  COLLATE Chinese_PRC_CI_AS Not NULL",
            "Code|20|0|2|Chinese_PRC_CI_AS|0|varchar"},
        AlterCase{"Alter Table Emp Alter COLUMN Code nvarchar(10) NULL",
                  "Code|10|1|2|Chinese_PRC_CI_AS|0|nvarchar"},
        AlterCase{"Alter Table Emp Alter COLUMN Code char(10)  COLLATE Chinese_PRC_CS_AS NULL",
                  "Code|10|1|2|Chinese_PRC_CS_AS|0|char"},
        AlterCase{"Alter Table EMP Alter COLUMN note nvarchar(200)  COLLATE Chinese_PRC_CI_AS NULL",
                  "Note|200|1|2|Chinese_PRC_CI_AS|0|nvarchar"},
        // The identity column stays an identity column.
        AlterCase{"Alter Table Emp Alter COLUMN Id bigint Not NULL", "Id|19|0|0|NULL|1|bigint"}));

TEST_F(TableDdlTest, BothDropColumnFormsRemoveTheColumnAndLeaveOtherColids) {
    m_db.exec("Alter Table Emp Drop Column Note ");
    m_db.exec("Alter Table Emp Drop  Column Age ");
    EXPECT_EQ(tableColumns(m_db, "Emp"),
              (std::vector<std::string>{"Code|10|0|2|Chinese_PRC_CI_AS|0|varchar",
                                        "Id|10|0|0|NULL|1|int"}));
    m_db.exec("Alter Table Emp Add Age2 int NULL");
    EXPECT_EQ(rowsAsText(m_db.query("select c.name, c.colid from syscolumns c inner join "
                                    "sysobjects o on o.id = c.id where o.name = 'Emp' order by "
                                    "c.colid")),
              (std::vector<std::string>{"Id|1", "Code|2", "Age2|3"}));
}

TEST_F(TableDdlTest, TrailingBlankAndCaseDoNotMatterForTableNames) {
    m_db.exec("Alter Table Contract Add Signed datetime NULL");
    m_db.exec("Alter Table CONTRACT Alter COLUMN EmpId bigint NULL");
    m_db.exec("Alter Table contract  Drop Column EmpId ");
    EXPECT_EQ(tableColumns(m_db, "Contract "),
              (std::vector<std::string>{"No|10|0|2|Chinese_PRC_CI_AS|0|varchar",
                                        "Signed|23|1|0|NULL|0|datetime"}));
}

TEST_F(TableDdlTest, BracketedNamesWithEscapesAndTrailingBlanks) {
    m_db.exec("Create Table [dbo].[a]]b ] ([c]]d] [int]  NULL) ON [PRIMARY]");
    EXPECT_EQ(tableColumns(m_db, "a]b "), std::vector<std::string>{"c]d|10|1|0|NULL|0|int"});
    m_db.exec("Alter Table [a]]b] Add [e f] varchar(5)  NULL");
    m_db.exec("Create INDEX [I]]x] On [a]]b] ([c]]d],[e f]) ON [PRIMARY]");
    EXPECT_EQ(tableIndexes(m_db, "a]b "), (std::vector<std::string>{"2|I]x|c]d|1", "2|I]x|e f|2"}));
    m_db.exec("Drop Index [a]]b].[I]]x]");
    m_db.exec("Alter Table [A]]B] Drop Column [e f] ");
    EXPECT_EQ(tableColumns(m_db, "a]b "), std::vector<std::string>{"c]d|10|1|0|NULL|0|int"});
}

TEST_F(TableDdlTest, ChineseTableAndColumnNames) {
    m_db.exec("Alter Table 员工档案 Add 备注 nvarchar(200) NULL");
    m_db.exec("Alter Table [员工档案] Alter COLUMN [编号] bigint Not NULL");
    EXPECT_EQ(tableColumns(m_db, "员工档案"),
              (std::vector<std::string>{"备注|200|1|2|Chinese_PRC_CI_AS|0|nvarchar",
                                        "编号|19|0|0|NULL|0|bigint"}));
}

TEST_F(TableDdlTest, InlineConstraintsGetSystemNames) {
    m_db.exec("create table S (a int primary key, b varchar(5) unique, c int default 5)");
    std::vector<std::string> names =
        column(m_db.query("select name from sysobjects where parent_obj = object_id('S') order by "
                          "xtype, name"),
               "name");
    ASSERT_EQ(names.size(), 3u);
    EXPECT_TRUE(std::regex_match(names[0], std::regex("DF__S__c__[0-9A-F]{8}"))) << names[0];
    EXPECT_TRUE(std::regex_match(names[1], std::regex("PK__S__[0-9A-F]{8}"))) << names[1];
    EXPECT_TRUE(std::regex_match(names[2], std::regex("UQ__S__[0-9A-F]{8}"))) << names[2];
    EXPECT_EQ(tableIndexes(m_db, "S"),
              (std::vector<std::string>{"1|" + names[1] + "|a|1", "2|" + names[2] + "|b|1"}));
    EXPECT_EQ(defaults(m_db), std::vector<std::string>{names[0] + "|S|(5)|c"});
    // A primary key column is NOT NULL without saying so.
    EXPECT_EQ(tableColumns(m_db, "S").front(), "a|10|0|0|NULL|0|int");
}

TEST_F(TableDdlTest, DefaultConstraintFormsAddAndDrop) {
    m_db.exec("ALTER TABLE Emp WITH NOCHECK ADD CONSTRAINT DF_Emp_Age DEFAULT (0) FOR Age");
    m_db.exec("ALTER TABLE Emp WITH NOCHECK ADD CONSTRAINT DF_Emp_Note DEFAULT N'none' FOR Note");
    m_db.exec("ALTER TABLE Contract WITH NOCHECK ADD CONSTRAINT DF_Contract_No DEFAULT '-' FOR No");
    EXPECT_EQ(defaults(m_db), (std::vector<std::string>{"DF_Contract_No|Contract |('-')|No",
                                                        "DF_Emp_Age|Emp|(0)|Age",
                                                        "DF_Emp_Note|Emp|(N'none')|Note"}));
    m_db.exec("ALTER TABLE Emp Drop DF_Emp_Age");
    m_db.exec("ALTER TABLE Emp DROP CONSTRAINT df_emp_note");
    EXPECT_EQ(defaults(m_db), (std::vector<std::string>{"DF_Contract_No|Contract |('-')|No"}));
    EXPECT_EQ(rowsAsText(m_db.query("select cdefault from syscolumns where id = object_id('Emp') "
                                    "and name = 'Age'")),
              std::vector<std::string>{"0"});
    // The column is free again for a new default.
    m_db.exec("ALTER TABLE Emp WITH NOCHECK ADD CONSTRAINT DF_Emp_Age DEFAULT (1) FOR Age");
}

TEST_F(TableDdlTest, KeyConstraintsAddedAndDroppedByAlterTable) {
    m_db.exec("ALTER TABLE Emp ADD CONSTRAINT PK_Emp PRIMARY KEY CLUSTERED (Id)");
    m_db.exec("ALTER TABLE Emp ADD CONSTRAINT UQ_Emp_Code UNIQUE NONCLUSTERED (Code)");
    EXPECT_EQ(tableIndexes(m_db, "Emp"),
              (std::vector<std::string>{"1|PK_Emp|Id|1", "2|UQ_Emp_Code|Code|1"}));
    EXPECT_EQ(rowsAsText(m_db.query("select indid, status from sysindexes where id = "
                                    "object_id('Emp') order by indid")),
              (std::vector<std::string>{"1|2066", "2|4098"}));
    m_db.exec("ALTER TABLE Emp Drop PK_Emp");
    EXPECT_EQ(tableIndexes(m_db, "Emp"), (std::vector<std::string>{"2|UQ_Emp_Code|Code|1"}));
    EXPECT_EQ(rowsAsText(m_db.query("select indid, status from sysindexes where id = "
                                    "object_id('Emp') order by indid")),
              (std::vector<std::string>{"0|0", "2|4098"}));
}

TEST_F(TableDdlTest, DropTableRemovesEverythingOfTheTable) {
    m_db.exec("ALTER TABLE Emp WITH NOCHECK ADD CONSTRAINT DF_Emp_Age DEFAULT (0) FOR Age");
    m_db.exec("CREATE INDEX IX_Emp_Code ON Emp (Code)");
    m_db.exec("CREATE TRIGGER tr_Emp ON Emp FOR INSERT AS SELECT 1");
    m_db.exec("DROP TABLE [dbo].[Emp]");
    EXPECT_TRUE(tableColumns(m_db, "Emp").empty());
    EXPECT_TRUE(tableIndexes(m_db, "Emp").empty());
    EXPECT_TRUE(defaults(m_db).empty());
    EXPECT_TRUE(m_db.query("select * from sysobjects where name in ('Emp', 'DF_Emp_Age', "
                           "'tr_Emp')")
                    .rows.empty());
    EXPECT_EQ(rowsAsText(m_db.query("select count(*) from syscomments c where not exists (select "
                                    "* from sysobjects o where o.id = c.id)")),
              std::vector<std::string>{"0"});
    EXPECT_EQ(rowsAsText(m_db.query("select count(*) from sysindexes i where not exists (select "
                                    "* from sysobjects o where o.id = i.id)")),
              std::vector<std::string>{"0"});
    m_db.exec("drop table contract, 员工档案");
    EXPECT_TRUE(m_db.query("select * from sysobjects where xtype = 'U'").rows.empty());
}

} // namespace
} // namespace testserver::test
