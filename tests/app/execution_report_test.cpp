// The report "执 行" leaves in the text box: refused statements marked, the
// closing advice only after refusals, a last line for a lost connection or a
// stop.
#include "app/execution_report_view.h"
#include "tests/app/qstring_printer.h"

#include <gtest/gtest.h>

namespace dbc {
namespace {

struct ReportCase {
    const char* name;
    ExecutionReport report;
    const char* expected; // UTF-8, lines joined by "\n"
    QList<std::pair<int, int>> marked;
};

class ReportText : public ::testing::TestWithParam<ReportCase> {};

TEST_P(ReportText, ListsRefusalsAndHowTheRunEnded) {
    const ExecutionReportText shown = executionReportText(GetParam().report);
    EXPECT_EQ(shown.text, QString::fromUtf8(GetParam().expected));
    EXPECT_EQ(shown.refusedLines, GetParam().marked);
}

ExecutionReport made(std::vector<ExecutionFailure> failures, std::size_t count,
                     std::size_t lostAt = 0, std::size_t stoppedBefore = 0) {
    ExecutionReport report;
    report.failures = std::move(failures);
    report.statementCount = count;
    report.connectionLostAt = lostAt;
    report.stoppedBefore = stoppedBefore;
    return report;
}

const std::string kNote = failureReportNote;

INSTANTIATE_TEST_SUITE_P(
    Window, ReportText,
    ::testing::Values(
        ReportCase{"NothingRefused", made({}, 5), "", {}},
        ReportCase{"Refused",
                   made({{"Alter TABLE t\nAdd x int", "Error 156"}}, 5),
                   "【被拒绝】\nAlter TABLE t\nAdd x int\nError 156\n\n"
                   "以上是不能处理的语句,请到企业管理器中更改,如果提示 索引xx依赖于列xx ,"
                   "那么这些字段(列)属性只能在企业管理中的设计表中修改!",
                   {{0, 4}}},
        // A lost connection is no refusal: no advice about the table designer.
        ReportCase{"LostConnectionOnly",
                   made({{"Create TABLE t (x int)", "Communication link failure"}}, 9, 4),
                   "执行第 4 条语句（共 9 条）时与服务器的连接已断开，这条语句是否生效无法确定，"
                   "其后的语句没有执行：\nCreate TABLE t (x int)\nCommunication link failure",
                   {}},
        ReportCase{"RefusedThenLost",
                   made({{"a", "no"}, {"b", "Communication link failure"}}, 9, 4),
                   "【被拒绝】\na\nno\n\n"
                   "以上是不能处理的语句,请到企业管理器中更改,如果提示 索引xx依赖于列xx ,"
                   "那么这些字段(列)属性只能在企业管理中的设计表中修改!\n\n"
                   "执行第 4 条语句（共 9 条）时与服务器的连接已断开，这条语句是否生效无法确定，"
                   "其后的语句没有执行：\nb\nCommunication link failure",
                   {{0, 3}}},
        ReportCase{"Stopped",
                   made({}, 9, 0, 3),
                   "已按要求停止：从第 3 条语句起（共 9 条）没有执行。",
                   {}}),
    [](const auto& row) { return std::string(row.param.name); });

} // namespace
} // namespace dbc
