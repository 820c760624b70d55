// sp_helptext through a session, in the forms the compare tool sends.

#include "tests/testserver_engine/engine_test_support.h"
#include "testserver/engine/script_splitter.h"
#include "testserver/engine/utf8_text.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace testserver::test {
namespace {

class HelpTextTest : public ::testing::Test {
protected:
    HelpTextTest() : m_hrms(readFile(fixturesDir() / "hrms_new.sql")) {}

    // The batch of the fixture script that created `name`.
    static std::string fixtureBatch(const std::string& marker) {
        for (const std::string& batch : splitScript(readFile(fixturesDir() / "hrms_new.sql")))
            if (batch.find(marker) != std::string::npos)
                return batch;
        throw std::runtime_error("no batch with " + marker);
    }

    static std::string joined(const ResultSet& result) {
        std::string text;
        for (const std::string& row : column(result, "Text"))
            text += row;
        return text;
    }

    EngineWithSession m_hrms;
};

TEST_F(HelpTextTest, ReturnsTheStoredTextLineByLine) {
    ResultSet result = m_hrms.query("sp_helpText p_EmployeeList");
    ASSERT_EQ(result.columns.size(), 1u);
    EXPECT_EQ(result.columns[0].name, "Text");
    EXPECT_EQ(result.columns[0].type, ColumnType::NVarChar);
    EXPECT_EQ(result.columns[0].maxLength, 255);
    std::string batch = fixtureBatch("CREATE PROCEDURE p_EmployeeList");
    EXPECT_EQ(joined(result), batch);
    std::vector<std::string> rows = column(result, "Text");
    EXPECT_EQ(rows.size(), static_cast<std::size_t>(std::count(batch.begin(), batch.end(), '\n')));
    EXPECT_EQ(rows[1], "CREATE PROCEDURE p_EmployeeList\n");
    EXPECT_EQ(rows[2], "\t@DeptNo int = NULL\n");
}

TEST_F(HelpTextTest, EveryFormTheToolSendsGivesTheSameRows) {
    std::vector<std::string> expected = column(m_hrms.query("sp_helpText p_EmployeeList"), "Text");
    for (const char* sql :
         {"Exec sp_helpText p_EmployeeList", "exec sp_helptext N'p_EmployeeList'",
          "EXECUTE sp_helptext 'dbo.p_EmployeeList'", "sp_helptext @objname = N'p_EmployeeList'",
          "exec sp_helptext [p_EmployeeList]", "exec dbo.sp_helptext P_EMPLOYEELIST",
          "sp_helptext p_EmployeeList\n"})
        EXPECT_EQ(column(m_hrms.query(sql), "Text"), expected) << sql;
}

TEST_F(HelpTextTest, ViewsTriggersAndChineseNames) {
    EXPECT_EQ(joined(m_hrms.query("Exec sp_helpText v_ActiveContract")),
              fixtureBatch("CREATE VIEW v_ActiveContract"));
    EXPECT_EQ(joined(m_hrms.query("Exec sp_helpText tr_LeaveRequest_Check")),
              fixtureBatch("CREATE TRIGGER tr_LeaveRequest_Check"));
    EXPECT_EQ(joined(m_hrms.query("Exec sp_helpText p_员工查询")),
              fixtureBatch("CREATE PROCEDURE p_员工查询"));
}

TEST_F(HelpTextTest, NamesWithApostrophesBlanksAndBracketsInsideUnicodeLiterals) {
    m_hrms.exec("CREATE PROCEDURE [p O'Brien list] AS\r\nSELECT 1\r\n");
    m_hrms.exec("CREATE PROCEDURE [p]]x] AS SELECT 2");
    EXPECT_EQ(
        column(m_hrms.query("exec sp_helptext N'p O''Brien list'"), "Text"),
        (std::vector<std::string>{"CREATE PROCEDURE [p O'Brien list] AS\r\n", "SELECT 1\r\n"}));
    EXPECT_EQ(joined(m_hrms.query("exec sp_helptext N'p]x'")),
              "CREATE PROCEDURE [p]]x] AS SELECT 2");
    EXPECT_EQ(joined(m_hrms.query("exec sp_helptext N'[p]]x]'")),
              "CREATE PROCEDURE [p]]x] AS SELECT 2");
}

TEST_F(HelpTextTest, LongTextIsStoredInPiecesAndSplitAt255) {
    std::string longLine = "-- " + std::string(597, 'x') + "\n"; // 601 characters
    std::string text = "CREATE PROCEDURE p_long AS\n" + longLine;
    while (utf16Length(text) < 9000)
        text += "SELECT '档案编号档案编号档案编号' AS a, 12345 AS b\n";
    m_hrms.exec(text);
    ResultSet rows = m_hrms.query("sp_helptext p_long");
    EXPECT_EQ(joined(rows), text);
    std::vector<std::string> texts = column(rows, "Text");
    EXPECT_EQ(texts[1], longLine.substr(0, 255));
    EXPECT_EQ(texts[2], longLine.substr(255, 255));
    EXPECT_EQ(texts[3], longLine.substr(510));
    for (const std::string& row : texts)
        EXPECT_LE(utf16Length(row), 255u);

    ResultSet pieces = m_hrms.query(
        "select c.colid, c.text from syscomments c inner join sysobjects o on o.id = c.id "
        "where o.name = 'p_long' order by c.colid");
    ASSERT_EQ(pieces.rows.size(), 3u);
    std::string stored;
    for (std::size_t i = 0; i < pieces.rows.size(); ++i) {
        EXPECT_EQ(*pieces.rows[i][0], std::to_string(i + 1));
        EXPECT_LE(utf16Length(*pieces.rows[i][1]), 4000u);
        stored += *pieces.rows[i][1];
    }
    EXPECT_EQ(utf16Length(*pieces.rows[0][1]), 4000u);
    EXPECT_EQ(stored, text);
}

struct HelpTextErrorCase {
    const char* sql;
    int number;
    const char* text;
};

class HelpTextErrorTest : public ::testing::TestWithParam<HelpTextErrorCase> {
protected:
    static void SetUpTestSuite() {
        s_old = new EngineWithSession(readFile(fixturesDir() / "hrms_old.sql"), "hrms_old");
    }
    static void TearDownTestSuite() {
        delete s_old;
        s_old = nullptr;
    }
    static EngineWithSession* s_old;
};

EngineWithSession* HelpTextErrorTest::s_old = nullptr;

TEST_P(HelpTextErrorTest, RefusesWithSqlServersMessage) {
    StatementOutcome outcome = s_old->run(GetParam().sql);
    EXPECT_TRUE(outcome.failed);
    EXPECT_FALSE(outcome.resultSet.has_value());
    ASSERT_EQ(outcome.messages.size(), 1u) << messagesOf(outcome);
    EXPECT_EQ(outcome.messages[0].number, GetParam().number);
    EXPECT_EQ(outcome.messages[0].severity, 16);
    EXPECT_EQ(outcome.messages[0].text, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Errors, HelpTextErrorTest,
    ::testing::Values(
        HelpTextErrorCase{"sp_helptext p_Nothing", 15009,
                          "The object 'p_Nothing' does not exist in database 'hrms_old'."},
        HelpTextErrorCase{"Exec sp_helpText Employee", 15197,
                          "There is no text for object 'Employee'."},
        HelpTextErrorCase{"exec sp_helptext N'p_SalaryCalc_Old'", 15471,
                          "The object comments have been encrypted."},
        HelpTextErrorCase{"sp_helptext", 201,
                          "Procedure 'sp_helptext' expects parameter '@objname', which was "
                          "not supplied."}));

} // namespace
} // namespace testserver::test
