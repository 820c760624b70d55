// The compare tool's catalog queries, sent exactly as it sends them, against
// the hrms fixture.

#include "tests/testserver_engine/engine_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace testserver::test {
namespace {

class CatalogQueryTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_hrms = new EngineWithSession(readFile(fixturesDir() / "hrms_new.sql"));
    }
    static void TearDownTestSuite() {
        delete s_hrms;
        s_hrms = nullptr;
    }
    static EngineWithSession* s_hrms;
};

EngineWithSession* CatalogQueryTest::s_hrms = nullptr;

std::vector<std::string> columnNames(const ResultSet& result) {
    std::vector<std::string> names;
    for (const ColumnInfo& info : result.columns)
        names.push_back(info.name);
    return names;
}

TEST_F(CatalogQueryTest, ColumnQueryNamesAndTypesItsColumns) {
    ResultSet result = s_hrms->query(kColumnQuery);
    EXPECT_EQ(
        columnNames(result),
        (std::vector<std::string>{"FieldName", "id", "FieldLength", "xtype", "isnullable",
                                  "typestat", "collation", "colstat", "FieldType", "tablename"}));
    EXPECT_EQ(result.columns[0].type, ColumnType::NVarChar);
    EXPECT_EQ(result.columns[0].maxLength, 128);
    EXPECT_EQ(result.columns[1].type, ColumnType::Int);
    EXPECT_EQ(result.columns[2].type, ColumnType::SmallInt);
    EXPECT_EQ(result.columns[3].type, ColumnType::TinyInt);
    EXPECT_EQ(result.columns[4].type, ColumnType::Int);
    EXPECT_EQ(result.columns[5].type, ColumnType::TinyInt);
    EXPECT_EQ(result.columns[6].type, ColumnType::NVarChar);
    EXPECT_TRUE(result.columns[6].nullable);
    EXPECT_EQ(result.columns[7].type, ColumnType::SmallInt);
    EXPECT_EQ(result.columns[8].type, ColumnType::NVarChar);
}

TEST_F(CatalogQueryTest, CaptureColumnQueryAliasesLengthAndTypeName) {
    ResultSet result = s_hrms->query(kCaptureColumnQuery);
    EXPECT_EQ(columnNames(result),
              (std::vector<std::string>{"name", "id", "length", "xtype", "isnullable", "typestat",
                                        "collation", "colstat", "TypeName", "tablename"}));
}

// Golden rows: one column of each kind the compare distinguishes.
struct ColumnRowCase {
    const char* table;
    const char* column;
    const char* expected; // FieldLength|xtype|IsNullable|TypeStat|Collation|colstat|FieldType
};

class ColumnRowTest : public CatalogQueryTest,
                      public ::testing::WithParamInterface<ColumnRowCase> {};

TEST_P(ColumnRowTest, CarriesSqlServer2000Values) {
    const ColumnRowCase& row = GetParam();
    ResultSet result = s_hrms->query(kColumnQuery);
    std::vector<std::string> found;
    for (const auto& values : result.rows)
        if (*values[9] == row.table && *values[0] == row.column) {
            std::string line;
            for (std::size_t i : {2u, 3u, 4u, 5u, 6u, 7u, 8u})
                line += (line.empty() ? "" : "|") + (values[i] ? *values[i] : std::string("NULL"));
            found.push_back(line);
        }
    ASSERT_EQ(found.size(), 1u) << row.table << "." << row.column;
    EXPECT_EQ(found.front(), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Fixture, ColumnRowTest,
    ::testing::Values(
        ColumnRowCase{"Employee", "EmpNo", "10|56|0|0|NULL|1|int"},
        ColumnRowCase{"Employee", "EmpCode", "20|167|0|2|Chinese_PRC_CI_AS|0|varchar"},
        ColumnRowCase{"Employee", "EmpName", "40|231|0|2|Chinese_PRC_CI_AS|0|nvarchar"},
        ColumnRowCase{"Employee", "Gender", "1|175|1|2|Chinese_PRC_CI_AS|0|char"},
        ColumnRowCase{"Employee", "BirthDate", "16|58|1|0|NULL|0|smalldatetime"},
        ColumnRowCase{"Employee", "HireDate", "23|61|0|0|NULL|0|datetime"},
        ColumnRowCase{"Employee", "Salary", "12|108|1|0|NULL|0|numeric"},
        ColumnRowCase{"Employee", "Email", "100|167|1|2|SQL_Latin1_General_CP1_CI_AS|0|varchar"},
        ColumnRowCase{"Employee", "IsActive", "1|104|0|0|NULL|0|bit"},
        ColumnRowCase{"Employee", "Remark", "NULL|99|1|0|Chinese_PRC_CI_AS|0|ntext"},
        ColumnRowCase{"Attendance", "AttendId", "19|127|0|0|NULL|1|bigint"},
        ColumnRowCase{"Attendance", "Hours", "5|106|1|0|NULL|0|decimal"},
        ColumnRowCase{"Position", "PosNo", "5|52|0|0|NULL|0|smallint"},
        ColumnRowCase{"Position", "PosLevel", "3|48|0|0|NULL|0|tinyint"},
        ColumnRowCase{"Position", "BaseSalary", "19|60|1|0|NULL|0|money"},
        ColumnRowCase{"Contract ", "ContractType", "4|239|1|2|Chinese_PRC_CI_AS|0|nchar"},
        ColumnRowCase{"Training", "Fee", "10|122|1|0|NULL|0|smallmoney"},
        ColumnRowCase{"SysParameter", "Guid", "0|36|1|0|NULL|0|uniqueidentifier"},
        ColumnRowCase{"SysParameter", "Ratio", "53|62|1|0|NULL|0|float"},
        ColumnRowCase{"Emp Photo", "Photo", "NULL|34|1|0|NULL|0|image"},
        ColumnRowCase{"Emp Photo", "Father's Name", "40|231|1|2|Chinese_PRC_CI_AS|0|nvarchar"},
        ColumnRowCase{"员工档案", "档案编号", "10|56|0|0|NULL|1|int"}));

TEST_F(CatalogQueryTest, ColumnQueryOrdersByTableThenColumnIgnoringCase) {
    ResultSet result = s_hrms->query(kColumnQuery);
    std::vector<std::string> tables = column(result, "tablename");
    std::vector<std::string> names = column(result, "FieldName");
    auto lower = [](std::string text) {
        for (char& c : text)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        return text;
    };
    for (std::size_t i = 1; i < tables.size(); ++i) {
        auto previous = std::make_pair(lower(tables[i - 1]), lower(names[i - 1]));
        auto current = std::make_pair(lower(tables[i]), lower(names[i]));
        EXPECT_LT(previous, current) << "row " << i;
    }
    // Attendance comes first, the Chinese table (UTF-8 bytes above ASCII) last.
    EXPECT_EQ(tables.front(), "Attendance");
    EXPECT_EQ(tables.back(), "员工档案");
    EXPECT_EQ(std::count(tables.begin(), tables.end(), "Contract "), 5);
}

TEST_F(CatalogQueryTest, IndexQueryKeepsRealIndexesAndDropsHeapsAndStatistics) {
    ResultSet result = s_hrms->query(kIndexQuery);
    const std::vector<std::string> expected = {
        "1|IX_Attendance_EmpDate|Attendance|EmpNo|1",
        "1|IX_Attendance_EmpDate|Attendance|WorkDate|2",
        "2|IX_Contract_Emp|Contract |EmpNo|1",
        "1|PK_Contract|Contract |ContractNo|1",
        "2|IX_Department_Name|Department|DeptName|1",
        "1|PK_Department|Department|DeptNo|1",
        "2|IX_Employee_Code|Employee|EmpCode|1",
        "3|IX_Employee_Dept|Employee|DeptNo|1",
        "3|IX_Employee_Dept|Employee|EmpName|2",
        "1|PK_Employee|Employee|EmpNo|1",
        "1|PK_LeaveRequest|LeaveRequest|LeaveId|1",
        "1|PK_Position|Position|PosNo|1",
        "2|PK_SalaryItem|SalaryItem|ItemNo|1",
        "2|IX_SalaryRecord_EmpMonth|SalaryRecord|EmpNo|1",
        "2|IX_SalaryRecord_EmpMonth|SalaryRecord|PayMonth|2",
        "2|IX_SalaryRecord_EmpMonth|SalaryRecord|ItemNo|3",
        "1|PK_SalaryRecord|SalaryRecord|RecordId|1",
        "1|PK_SysParameter|SysParameter|ParamName|1",
        "1|PK_Training|Training|TrainId|1",
        "2|IX_员工档案_员工|员工档案|员工编号|1",
        "2|IX_员工档案_员工|员工档案|档案类别|2",
    };
    std::vector<std::string> actual;
    for (const auto& row : result.rows)
        actual.push_back(*row[0] + "|" + *row[1] + "|" + *row[5] + "|" + *row[6] + "|" + *row[4]);
    EXPECT_EQ(actual, expected);
    EXPECT_EQ(columnNames(result),
              (std::vector<std::string>{"status", "IndexName", "indid", "colid", "IndexFieldOrder",
                                        "tablename", "IndexField"}));
    EXPECT_EQ(result.columns[0].type, ColumnType::SmallInt);
}

TEST_F(CatalogQueryTest, DefaultQueryListsEveryDefaultWithItsTextAndColumn) {
    ResultSet result = s_hrms->query(kDefaultQuery);
    std::vector<std::string> expected = {
        "DF_Attendance_Status|Attendance|('N')|Status",
        "DF_Department_CreatedAt|Department|(getdate())|CreatedAt",
        "DF_Employee_IsActive|Employee|(1)|IsActive",
        "DF_Employee_Salary|Employee|(0)|Salary",
        "DF_LeaveRequest_Approved|LeaveRequest|(0)|Approved",
        "DF_Position_PosLevel|Position|(1)|PosLevel",
        "DF_SalaryItem_IsDeduction|SalaryItem|(0)|IsDeduction",
        "DF_SalaryRecord_Amount|SalaryRecord|(0)|Amount",
        "DF_SysParameter_UpdatedAt|SysParameter|(getdate())|UpdatedAt",
        "DF_员工档案_归档日期|员工档案|(getdate())|归档日期",
    };
    EXPECT_EQ(rowsAsText(result), expected);
    EXPECT_EQ(columnNames(result),
              (std::vector<std::string>{"DFName", "TableName", "DFValue", "FieldName"}));
    ResultSet capture = s_hrms->query(kCaptureDefaultQuery);
    std::vector<std::string> captured = rowsAsText(capture);
    std::sort(captured.begin(), captured.end());
    EXPECT_EQ(captured, expected);
}

TEST_F(CatalogQueryTest, NameListsPerObjectType) {
    EXPECT_EQ(
        column(s_hrms->query("Select Name From SysObjects where xtype='P' and Status>=0"), "Name"),
        (std::vector<std::string>{"p_EmployeeList", "p_MonthlySalary", "p_LeaveApprove",
                                  "p_员工查询"}));
    EXPECT_EQ(
        column(s_hrms->query("Select Name From SysObjects where xtype='V' and Status>=0"), "Name"),
        (std::vector<std::string>{"v_EmployeeDept", "v_ActiveContract"}));
    EXPECT_EQ(
        column(s_hrms->query("Select Name From SysObjects where xtype='TR' and Status>=0"), "Name"),
        (std::vector<std::string>{"tr_Employee_Insert", "tr_LeaveRequest_Check"}));
}

TEST_F(CatalogQueryTest, ExistenceQueryFindsObjectOfThatTypeOnly) {
    auto count = [](const std::string& sql) { return s_hrms->query(sql).rows.size(); };
    EXPECT_EQ(
        count("Select * From sysObjects where type='P' and Status>=0 and name='p_EmployeeList'"),
        1u);
    EXPECT_EQ(
        count("Select * From sysObjects where type='P' and Status>=0 and name=N'P_EMPLOYEELIST'"),
        1u);
    EXPECT_EQ(
        count("Select * From sysObjects where type='V' and Status>=0 and name='p_EmployeeList'"),
        0u);
    EXPECT_EQ(
        count(
            "Select * From sysObjects where type='TR' and Status>=0 and name='tr_Employee_Insert'"),
        1u);
    EXPECT_EQ(count("Select * From sysObjects where type='P' and Status>=0 and name=N'p_员工查询'"),
              1u);
    EXPECT_EQ(count("Select * From sysObjects where type='P' and Status>=0 and name='nothing'"),
              0u);
}

} // namespace
} // namespace testserver::test

namespace testserver::test {
namespace {

// The older release differs from the newer one in the ways the compare must see.
TEST(OldFixtureTest, DiffersFromTheNewReleaseWhereItShould) {
    EngineWithSession old(readFile(fixturesDir() / "hrms_old.sql"), "hrms_old");
    ResultSet columns = old.query(kColumnQuery);
    auto row = [&](const std::string& table, const std::string& name) {
        for (const auto& values : columns.rows)
            if (*values[9] == table && *values[0] == name) {
                std::string line;
                for (std::size_t i : {2u, 4u, 5u, 6u, 7u, 8u})
                    line +=
                        (line.empty() ? "" : "|") + (values[i] ? *values[i] : std::string("NULL"));
                return line;
            }
        return std::string("missing");
    };
    EXPECT_EQ(row("Employee", "EmpName"), "30|0|2|Chinese_PRC_CI_AS|0|nvarchar");
    EXPECT_EQ(row("Employee", "EmpCode"), "20|0|2|Chinese_PRC_CS_AS|0|varchar");
    EXPECT_EQ(row("Employee", "Gender"), "2|1|2|Chinese_PRC_CI_AS|0|varchar");
    EXPECT_EQ(row("Employee", "HireDate"), "23|1|0|NULL|0|datetime");
    EXPECT_EQ(row("Employee", "Email"), "missing");
    EXPECT_EQ(row("Employee", "OldDeptCode"), "10|1|2|Chinese_PRC_CI_AS|0|varchar");
    EXPECT_EQ(row("LeaveRequest", "LeaveId"), "10|0|0|NULL|0|int");
    EXPECT_EQ(row("SalaryItem", "ItemNo"), "10|0|0|NULL|1|int");
    EXPECT_EQ(row("Training", "TrainId"), "missing");
    EXPECT_EQ(row("员工档案", "归档日期"), "missing");

    std::vector<std::string> indexes;
    for (const auto& values : old.query(kIndexQuery).rows)
        if (*values[5] == "Employee" || *values[5] == "Attendance" || *values[5] == "SalaryItem")
            indexes.push_back(*values[0] + "|" + *values[1] + "|" + *values[6]);
    EXPECT_EQ(indexes,
              (std::vector<std::string>{
                  "2|IX_Attendance_EmpDate|EmpNo", "2|IX_Attendance_EmpDate|WorkDate",
                  "2|IX_Employee_Code|EmpCode", "3|IX_Employee_Dept|DeptNo",
                  "4|IX_Employee_Name|EmpName", "1|PK_Employee|EmpNo", "1|PK_SalaryItem|ItemNo"}));

    std::vector<std::string> defaults = rowsAsText(old.query(kDefaultQuery));
    EXPECT_NE(
        std::find(defaults.begin(), defaults.end(), "DF_Employee_Salary|Employee|(100)|Salary"),
        defaults.end());
    EXPECT_NE(std::find(defaults.begin(), defaults.end(),
                        "DF_Dept_Created|Department|(getdate())|CreatedAt"),
              defaults.end());
    EXPECT_EQ(
        column(old.query("Select Name From SysObjects where xtype='P' and Status>=0"), "Name"),
        (std::vector<std::string>{"p_EmployeeList", "p_MonthlySalary", "p_员工查询", "p_OldReport",
                                  "p_SalaryCalc_Old"}));
    EXPECT_EQ(
        column(old.query("Select Name From SysObjects where xtype='V' and Status>=0"), "Name"),
        std::vector<std::string>{"v_EmployeeDept"});
}

} // namespace
} // namespace testserver::test
