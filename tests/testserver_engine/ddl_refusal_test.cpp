// Every refusal: SQL Server's numbers and text, and the catalog unchanged.

#include "tests/testserver_engine/ddl_test_support.h"

#include <gtest/gtest.h>

namespace testserver::test {
namespace {

const char* const kSchema =
    "CREATE TABLE Emp (Id int IDENTITY(1,1) NOT NULL CONSTRAINT PK_Emp PRIMARY KEY,\n"
    "  Code varchar(10) NOT NULL, Name nvarchar(20) NULL,\n"
    "  Age int NULL CONSTRAINT DF_Emp_Age DEFAULT (0), Note text NULL, DeptNo int NULL)\nGO\n"
    "CREATE INDEX IX_Emp_Code ON Emp (Code)\nGO\n"
    "CREATE INDEX IX_Emp_Dept ON Emp (DeptNo, Name)\nGO\n"
    "CREATE STATISTICS ST_Emp_Name ON Emp (Name)\nGO\n"
    "CREATE TABLE [Contract ] (No varchar(10) NOT NULL)\nGO\n"
    "CREATE PROCEDURE p AS SELECT 1\nGO\n"
    "CREATE VIEW v AS SELECT 1 AS a\nGO\n";

struct RefusalCase {
    const char* statement;
    std::vector<int> numbers;
    const char* text; // of the first message; empty: not checked
};

class RefusalTest : public ::testing::TestWithParam<RefusalCase> {
protected:
    static void SetUpTestSuite() { s_db = new EngineWithSession(kSchema); }
    static void TearDownTestSuite() {
        delete s_db;
        s_db = nullptr;
    }
    static EngineWithSession* s_db;
};

EngineWithSession* RefusalTest::s_db = nullptr;

TEST_P(RefusalTest, RefusesWithSqlServersMessagesAndChangesNothing) {
    const RefusalCase& c = GetParam();
    std::vector<std::string> before = catalogSnapshot(*s_db);
    StatementOutcome outcome = s_db->run(c.statement);
    EXPECT_TRUE(outcome.failed);
    std::vector<int> numbers;
    for (const ServerMessage& message : outcome.messages) {
        numbers.push_back(message.number);
        EXPECT_GT(message.severity, 10) << message.text;
    }
    EXPECT_EQ(numbers, c.numbers) << messagesOf(outcome);
    if (*c.text && !outcome.messages.empty()) {
        EXPECT_EQ(outcome.messages[0].text, c.text);
    }
    EXPECT_EQ(catalogSnapshot(*s_db), before);
}

INSTANTIATE_TEST_SUITE_P(
    ExistingObjects, RefusalTest,
    ::testing::Values(
        RefusalCase{"Create Table [dbo].[Emp] ([a] [int]  NULL) ON [PRIMARY]",
                    {2714},
                    "There is already an object named 'Emp' in the database."},
        RefusalCase{"CREATE TABLE EMP (a int)", {2714}, ""},
        RefusalCase{"CREATE TABLE p (a int)", {2714}, ""},
        RefusalCase{"Create Table [dbo].[Contract] ([a] [int] NULL) ON [PRIMARY]",
                    {2714},
                    "There is already an object named 'Contract' in the database."},
        RefusalCase{"CREATE PROCEDURE P AS SELECT 2", {2714}, ""},
        RefusalCase{"CREATE VIEW Emp AS SELECT 2 AS a", {2714}, ""},
        RefusalCase{"Create INDEX IX_Emp_Code On [Emp] ([Name]) ON [PRIMARY]",
                    {1913},
                    "There is already an index on table 'Emp' named 'IX_Emp_Code'."},
        RefusalCase{"ALTER TABLE Emp WITH NOCHECK ADD CONSTRAINT DF_Emp_Age2 DEFAULT (1) FOR Age",
                    {1781, 1750},
                    "Column already has a DEFAULT bound to it."},
        RefusalCase{
            "ALTER TABLE Emp WITH NOCHECK ADD CONSTRAINT p DEFAULT (1) FOR Code", {2714, 1750}, ""},
        RefusalCase{"Alter Table Emp Add code int NULL",
                    {2705},
                    "Column names in each table must be unique. Column name 'code' in table 'Emp' "
                    "is specified more than once."},
        RefusalCase{"CREATE TABLE Z (a int, A int)", {2705}, ""},
        RefusalCase{"Alter Table Emp Add Seq int IDENTITY (1, 1)  Not NULL", {2744}, ""},
        RefusalCase{"CREATE TABLE Z (a int IDENTITY, b int IDENTITY)", {2744}, ""},
        RefusalCase{"Create CLUSTERED  INDEX IX_C On [Emp] ([Code]) ON [PRIMARY]",
                    {1902},
                    "Cannot create more than one clustered index on table 'Emp'. Drop the "
                    "existing clustered index 'PK_Emp' before creating another."},
        RefusalCase{"CREATE TABLE Z (a int, CONSTRAINT P1 PRIMARY KEY (a), CONSTRAINT P2 PRIMARY "
                    "KEY (a))",
                    {8110},
                    ""},
        RefusalCase{"CREATE DATABASE HRMS", {1801}, "Database 'HRMS' already exists."}));

INSTANTIATE_TEST_SUITE_P(
    MissingObjects, RefusalTest,
    ::testing::Values(
        RefusalCase{"Alter Table Nope Add c int NULL",
                    {4902},
                    "Cannot alter table 'Nope' because this table does not exist in database "
                    "'hrms'."},
        RefusalCase{"Alter Table v Add c int NULL", {4902}, ""},
        RefusalCase{"Alter Table Nope Drop Column c ", {4902}, ""},
        RefusalCase{
            "ALTER TABLE Nope WITH NOCHECK ADD CONSTRAINT DF_X DEFAULT (1) FOR c", {4902}, ""},
        RefusalCase{"Alter Table Emp Alter COLUMN Nope int NULL",
                    {4924},
                    "ALTER TABLE ALTER COLUMN failed because column 'Nope' does not exist in "
                    "table 'Emp'."},
        RefusalCase{"Alter Table Emp Drop Column Nope ",
                    {4924},
                    "ALTER TABLE DROP COLUMN failed because column 'Nope' does not exist in "
                    "table 'Emp'."},
        RefusalCase{"ALTER TABLE Emp WITH NOCHECK ADD CONSTRAINT DF_X DEFAULT (1) FOR Nope",
                    {1752, 1750},
                    "Could not create DEFAULT for column 'Nope' as it is not a valid column in "
                    "the table 'Emp'."},
        RefusalCase{"Drop Index Emp.Nope",
                    {3703},
                    "Cannot drop the index 'Emp.Nope', because it does not exist in the system "
                    "catalog."},
        RefusalCase{"Drop Index Nope.IX_Emp_Code", {3703}, ""},
        RefusalCase{"Drop Index Emp.ST_Emp_Name", {3703}, ""},
        RefusalCase{"ALTER TABLE Emp Drop DF_Nope", {3728, 3727}, "'DF_Nope' is not a constraint."},
        RefusalCase{"ALTER TABLE Emp Drop IX_Emp_Code", {3728, 3727}, ""},
        RefusalCase{"drop procedure [dbo].nope",
                    {3701},
                    "Cannot drop the procedure 'nope', because it does not exist in the system "
                    "catalog."},
        RefusalCase{"drop TRIGGER [dbo].nope", {3701}, ""},
        RefusalCase{"drop View [dbo].nope", {3701}, ""}, RefusalCase{"DROP TABLE Nope", {3701}, ""},
        RefusalCase{"drop View [dbo].p",
                    {3705},
                    "Cannot use DROP VIEW with 'p' because 'p' is a procedure. Use DROP "
                    "PROCEDURE."},
        RefusalCase{"DROP TABLE v", {3705}, ""},
        RefusalCase{"Create INDEX IX_X On [Nope] ([a]) ON [PRIMARY]",
                    {1088},
                    "Cannot create an index on 'Nope', because this table does not exist in "
                    "database 'hrms'."},
        RefusalCase{"Create INDEX IX_X On [Emp] ([Nope]) ON [PRIMARY]", {1911}, ""},
        RefusalCase{"CREATE TRIGGER t ON Nope FOR INSERT AS SELECT 1", {2106}, ""},
        RefusalCase{"use nosuch", {911}, ""}));

INSTANTIATE_TEST_SUITE_P(
    Dependencies, RefusalTest,
    ::testing::Values(
        RefusalCase{"Alter Table Emp Alter COLUMN Code varchar(5) Not NULL",
                    {5074, 4922},
                    "The index 'IX_Emp_Code' is dependent on column 'Code'."},
        RefusalCase{"Alter Table Emp Alter COLUMN Code char(10) Not NULL", {5074, 4922}, ""},
        RefusalCase{"Alter Table Emp Alter COLUMN Code varchar(20)  COLLATE Chinese_PRC_CS_AS "
                    "Not NULL",
                    {5074, 4922},
                    ""},
        RefusalCase{"Alter Table Emp Drop Column Code ",
                    {5074, 4922},
                    "The index 'IX_Emp_Code' is dependent on column 'Code'."},
        RefusalCase{"Alter Table Emp Drop  Column Age ",
                    {5074, 4922},
                    "The object 'DF_Emp_Age' is dependent on column 'Age'."},
        RefusalCase{"Alter Table Emp Alter COLUMN Age bigint NULL", {5074, 4922}, ""},
        RefusalCase{"Alter Table Emp Alter COLUMN Id bigint Not NULL",
                    {5074, 4922},
                    "The object 'PK_Emp' is dependent on column 'Id'."},
        RefusalCase{"Alter Table Emp Drop Column DeptNo ", {5074, 4922}, ""},
        RefusalCase{"Alter Table Emp Drop Column Name ", {5074, 5074, 4922}, ""},
        RefusalCase{"Alter Table Emp Alter COLUMN Note ntext NULL",
                    {4928},
                    "Cannot alter column 'Note' because it is 'text'."},
        RefusalCase{"Alter Table [Contract] Drop Column No ", {4923}, ""},
        RefusalCase{"Alter Table Emp Add Extra int Not NULL", {4901}, ""},
        RefusalCase{"CREATE TABLE Z (a int NULL PRIMARY KEY)", {8111, 1750}, ""},
        RefusalCase{"Create INDEX IX_N On [Emp] ([Note]) ON [PRIMARY]", {1919}, ""},
        RefusalCase{"Drop Index Emp.PK_Emp",
                    {3723},
                    "An explicit DROP INDEX is not allowed on index 'Emp.PK_Emp'. It is being "
                    "used for PRIMARY KEY constraint enforcement."}));

INSTANTIATE_TEST_SUITE_P(
    Syntax, RefusalTest,
    ::testing::Values(
        RefusalCase{"Alter Table Emp Alter COLUMN Id int IDENTITY (1, 1)  Not NULL",
                    {156},
                    "Incorrect syntax near the keyword 'IDENTITY'."},
        RefusalCase{"Alter Table Emp Alter COLUMN Age int  NULL DEFAULT 0", {156}, ""},
        RefusalCase{"Alter Table Emp Frobnicate c", {102}, "Incorrect syntax near 'Frobnicate'."},
        RefusalCase{"Create Table [dbo].[Y] ([a] [int]", {102}, "Incorrect syntax near 'int'."},
        RefusalCase{"Create Table [dbo].[Y] ([a] [int2] NULL) ON [PRIMARY]", {2715}, ""},
        RefusalCase{"CREATE TABLE Z (a varchar(5) IDENTITY)", {2749}, ""},
        RefusalCase{"CREATE TABLE Z (a varchar(5) COLLATE Nonsense NULL)", {448}, ""},
        RefusalCase{"CREATE TABLE Z (a int COLLATE Chinese_PRC_CI_AS NULL)", {447}, ""},
        RefusalCase{"CREATE TABLE Z (a int) ON [SECONDARY]", {1921}, ""},
        RefusalCase{"CREATE TABLE Z (a int CHECK (a > b), b int)", {8141, 1750}, ""},
        RefusalCase{"CREATE TABLE Z (a varchar(10) REFERENCES Emp (Code))", {1776, 1750}, ""},
        RefusalCase{"CREATE TABLE Z (a int, b AS a + 1 DEFAULT 0)", {156}, ""},
        RefusalCase{"INSERT INTO Emp (Nope) VALUES ('x')", {207}, "Invalid column name 'Nope'."},
        RefusalCase{"GRANT SELECT ON Emp TO nobody", {4604}, ""},
        RefusalCase{"CREATE TABLE Z (a int ROWGUIDCOL NULL)", {50000}, ""},
        RefusalCase{"select 1\nCREATE PROCEDURE q AS SELECT 1",
                    {111},
                    "'CREATE PROCEDURE' must be the first statement in a query batch."},
        RefusalCase{"Drop Index IX_Emp_Code", {159}, ""},
        // A batch that is only "Go" calls a procedure of that name, as on SQL Server.
        RefusalCase{"Go", {2812}, "Could not find stored procedure 'Go'."},
        RefusalCase{"use hrms\nAlter Table Emp Add c int NULL\nGo\nselect 1",
                    {102},
                    "Incorrect syntax near 'Go'."}));

} // namespace
} // namespace testserver::test
