// CREATE INDEX, CREATE STATISTICS and DROP INDEX change what the index query returns.

#include "tests/testserver_engine/ddl_test_support.h"

#include <gtest/gtest.h>

namespace testserver::test {
namespace {

const char* const kTables =
    "CREATE TABLE Emp (Id int NOT NULL, DeptNo int NULL, EmpNo int NULL, Code varchar(10) NULL)\n"
    "GO\nCREATE TABLE [Contract ] (No varchar(10) NOT NULL)\nGO\n";

class IndexDdlTest : public ::testing::Test {
protected:
    IndexDdlTest() : m_db(kTables) {}

    std::vector<std::string> sysindexes(const std::string& table) {
        return rowsAsText(m_db.query("select indid, status, name from sysindexes where id = "
                                     "object_id('" +
                                     table + "') order by indid"));
    }

    EngineWithSession m_db;
};

TEST_F(IndexDdlTest, CompareCreateIndexFormsAndDrop) {
    m_db.exec("Create INDEX IX_Emp_Dept On [Emp] ([DeptNo],[EmpNo]) ON [PRIMARY]");
    m_db.exec("Create CLUSTERED  INDEX IX_Emp_Id On [Emp] ([Id]) ON [PRIMARY]");
    EXPECT_EQ(tableIndexes(m_db, "Emp"),
              (std::vector<std::string>{"2|IX_Emp_Dept|DeptNo|1", "2|IX_Emp_Dept|EmpNo|2",
                                        "1|IX_Emp_Id|Id|1"}));
    // The clustered index replaced the heap row.
    EXPECT_EQ(sysindexes("Emp"),
              (std::vector<std::string>{"1|2097168|IX_Emp_Id", "2|2097152|IX_Emp_Dept"}));
    m_db.exec("Drop Index Emp.IX_Emp_Id");
    EXPECT_EQ(sysindexes("Emp"), (std::vector<std::string>{"0|0|Emp", "2|2097152|IX_Emp_Dept"}));
    m_db.exec("Drop Index Emp.IX_Emp_Dept");
    EXPECT_TRUE(tableIndexes(m_db, "Emp").empty());
    EXPECT_TRUE(m_db.query("select * from sysindexkeys where id = object_id('Emp')").rows.empty());
}

TEST_F(IndexDdlTest, UniqueIndexesCarryTheUniqueBit) {
    m_db.exec("CREATE UNIQUE NONCLUSTERED INDEX UX_Code ON Emp (Code)");
    m_db.exec("CREATE UNIQUE CLUSTERED INDEX UX_Id ON dbo.Emp (Id DESC) WITH FILLFACTOR = 90");
    m_db.exec("CREATE UNIQUE INDEX UX_Dept ON Emp (DeptNo ASC)");
    EXPECT_EQ(sysindexes("Emp"), (std::vector<std::string>{"1|2097170|UX_Id", "2|2097154|UX_Code",
                                                           "3|2097154|UX_Dept"}));
}

TEST_F(IndexDdlTest, StatisticsAreKeptButLeftOutOfTheIndexQuery) {
    m_db.exec("CREATE STATISTICS ST_Code ON Emp (Code)");
    m_db.exec("CREATE INDEX IX_Code ON Emp (Code)");
    EXPECT_EQ(tableIndexes(m_db, "Emp"), (std::vector<std::string>{"3|IX_Code|Code|1"}));
    EXPECT_EQ(sysindexes("Emp"),
              (std::vector<std::string>{"0|0|Emp", "2|10485856|ST_Code", "3|2097152|IX_Code"}));
}

TEST_F(IndexDdlTest, FreedIndexIdsAreReused) {
    m_db.exec("CREATE INDEX A ON Emp (Code)");
    m_db.exec("CREATE INDEX B ON Emp (DeptNo)");
    m_db.exec("DROP INDEX Emp.A");
    m_db.exec("CREATE INDEX C ON Emp (EmpNo)");
    EXPECT_EQ(sysindexes("Emp"),
              (std::vector<std::string>{"0|0|Emp", "2|2097152|C", "3|2097152|B"}));
}

TEST_F(IndexDdlTest, TrailingBlankTableNames) {
    m_db.exec("Create INDEX IX_No On [Contract] ([No]) ON [PRIMARY]");
    EXPECT_EQ(tableIndexes(m_db, "Contract "), (std::vector<std::string>{"2|IX_No|No|1"}));
    m_db.exec("Drop Index Contract.IX_No");
    EXPECT_TRUE(tableIndexes(m_db, "Contract ").empty());
}

TEST_F(IndexDdlTest, AnIndexedVariableColumnMayGrowButNotShrinkOrChangeType) {
    m_db.exec("CREATE INDEX IX_Code ON Emp (Code)");
    m_db.exec("Alter Table Emp Alter COLUMN Code varchar(20)  COLLATE Chinese_PRC_CI_AS NULL");
    EXPECT_EQ(tableColumns(m_db, "Emp")[0], "Code|20|1|2|Chinese_PRC_CI_AS|0|varchar");
    EXPECT_TRUE(m_db.run("Alter Table Emp Alter COLUMN Code varchar(10) NULL").failed);
    EXPECT_TRUE(m_db.run("Alter Table Emp Alter COLUMN Code nvarchar(20) NULL").failed);
    m_db.exec("CREATE INDEX IX_Dept ON Emp (DeptNo)");
    EXPECT_TRUE(m_db.run("Alter Table Emp Alter COLUMN DeptNo int NOT NULL").failed);
}

TEST_F(IndexDdlTest, IndexNamesMatchIgnoringCase) {
    m_db.exec("CREATE INDEX IX_Code ON Emp (Code)");
    m_db.exec("DROP INDEX EMP.ix_code");
    EXPECT_TRUE(tableIndexes(m_db, "Emp").empty());
}

} // namespace
} // namespace testserver::test
