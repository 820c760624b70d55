// The window's message table: what a capture says, and one punctuation style
// across every message and the help text.
#include "app/help_text.h"
#include "app/window_messages.h"
#include "tests/app/qstring_printer.h"

#include <gtest/gtest.h>

namespace dbc {
namespace {

TEST(CaptureMessage, NamesEachUnreadableObjectOnALineOfItsOwn) {
    CaptureSummary summary;
    EXPECT_EQ(objectsWithoutTextMessage(summary), QString());
    summary.objectsWithoutText = {"p_secret", "v_hidden"};
    EXPECT_EQ(objectsWithoutTextMessage(summary),
              QStringLiteral("以下对象的文本无法读取（可能已加密），未存入源数据，不参与比对："
                             "\np_secret\nv_hidden"));
}

TEST(CaptureMessage, CountsWhatWasRead) {
    const std::vector<StoreTableCount> counts = {{"SourceTable", 12, 3}, {"SourceIndex", 5, 2},
                                                 {"SourceSp", 40, 4},    {"SourceView", 2, 1},
                                                 {"SourceTR", 0, 0},     {"SourceDF", 6, 6}};
    EXPECT_EQ(captureDoneMessage({"dev", "hrms", "sa", "pw"}, counts, {}),
              QStringLiteral("已读取服务器 dev 上的数据库 hrms：3 个表，12 个字段，2 个索引，"
                             "4 个存储过程，1 个视图，0 个触发器，6 个默认值。"));
}

TEST(WindowMessages, KeepOnePunctuationStyle) {
    EXPECT_FALSE(keepsPunctuationStyle(QStringLiteral("按“执行一条”.")));
    EXPECT_FALSE(keepsPunctuationStyle(QStringLiteral("执行完毕!")));
    EXPECT_TRUE(keepsPunctuationStyle(QStringLiteral("无法连接到服务器 a,1：Login failed.")));
    for (const QString& message : windowMessageSamples()) {
        EXPECT_TRUE(keepsPunctuationStyle(message)) << message.toStdString();
        EXPECT_FALSE(message.contains(QStringLiteral("上框"))) << message.toStdString();
    }
    for (const QString& line : helpTextLines())
        EXPECT_TRUE(keepsPunctuationStyle(line)) << line.toStdString();
}

TEST(WindowMessages, ExecuteDoneCountsWhatRanAndWhatWasRefused) {
    ExecutionReport report;
    report.statementCount = 10;
    report.failures = {{"a", "no"}, {"b", "no"}};
    EXPECT_EQ(executeDoneMessage(report),
              QStringLiteral("执行完毕！共 10 条语句：已执行 8 条，被拒绝 2 条。"));
    report.stoppedBefore = 6;
    EXPECT_EQ(executeDoneMessage(report),
              QStringLiteral(
                  "已停止执行：共 10 条语句，从第 6 条起没有执行；已执行 3 条，被拒绝 2 条。"));
    report.stoppedBefore = 0;
    report.connectionLostAt = 7;
    EXPECT_EQ(executeDoneMessage(report),
              QStringLiteral("与服务器的连接已断开：共 10 条语句，执行第 7 条时断开，"
                             "它是否生效无法确定，其后的语句没有执行；已执行 5 条，被拒绝 1 条。"));
}

} // namespace
} // namespace dbc
