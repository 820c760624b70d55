#include "app/execution_report_view.h"

#include "script/script_buffer.h"

#include <QPlainTextEdit>
#include <QTextBlock>

namespace dbc {

namespace {

void appendLines(QStringList& lines, const std::string& text) {
    for (const std::string& line : splitLines(text))
        lines.append(QString::fromStdString(line));
}

} // namespace

ExecutionReportText executionReportText(const ExecutionReport& report) {
    ExecutionReportText shown;
    QStringList lines;
    // The failure of a lost connection is the last one; it is not a refusal
    // and is named by the closing line instead.
    std::size_t refused = report.failures.size();
    if (report.connectionLostAt != 0 && refused > 0)
        --refused;
    for (std::size_t i = 0; i < refused; ++i) {
        const ExecutionFailure& failure = report.failures[i];
        const int first = static_cast<int>(lines.size());
        lines.append(QString::fromUtf8(refusedMarker));
        appendLines(lines, failure.statement);
        appendLines(lines, failure.message);
        shown.refusedLines.append({first, static_cast<int>(lines.size()) - first});
    }
    if (refused > 0) {
        lines.append(QString());
        lines.append(QString::fromUtf8(failureReportNote));
    }
    if (report.connectionLostAt != 0) {
        const ExecutionFailure& lost = report.failures.back();
        if (!lines.isEmpty())
            lines.append(QString());
        lines.append(QStringLiteral("执行第 %1 条语句（共 %2 条）时与服务器的连接已断开，"
                                    "这条语句是否生效无法确定，其后的语句没有执行：")
                         .arg(report.connectionLostAt)
                         .arg(report.statementCount));
        appendLines(lines, lost.statement);
        appendLines(lines, lost.message);
    } else if (report.stoppedBefore != 0) {
        if (!lines.isEmpty())
            lines.append(QString());
        lines.append(QStringLiteral("已按要求停止：从第 %1 条语句起（共 %2 条）没有执行。")
                         .arg(report.stoppedBefore)
                         .arg(report.statementCount));
    }
    if (report.rolledBack) {
        // An all-or-nothing run (全部或全不) the refusal or stop undid whole.
        if (!lines.isEmpty())
            lines.append(QString());
        lines.append(QStringLiteral("全部语句已回滚，数据库没有任何改变。"));
    }
    shown.text = lines.join(QLatin1Char('\n'));
    return shown;
}

void showExecutionReport(QPlainTextEdit& box, const ExecutionReportText& report) {
    box.setPlainText(report.text);
    box.document()->setModified(false);
    QList<QTextEdit::ExtraSelection> marks;
    QTextCharFormat refused;
    refused.setBackground(QColor(255, 214, 214));
    refused.setProperty(QTextFormat::FullWidthSelection, true);
    for (const auto& [first, count] : report.refusedLines) {
        for (int line = first; line < first + count; ++line) {
            QTextEdit::ExtraSelection mark;
            mark.cursor = QTextCursor(box.document()->findBlockByNumber(line));
            mark.format = refused;
            marks.append(mark);
        }
    }
    box.setExtraSelections(marks);
}

void clearReportMarks(QPlainTextEdit& box) {
    box.setExtraSelections({});
}

} // namespace dbc
