#pragma once

#include "script/executor.h"

#include <QList>
#include <QString>

class QPlainTextEdit;

namespace dbc {

// The report the text box shows after "执 行": each refused statement under
// a "【被拒绝】" line with the server's message after it, the closing note
// when the server refused statements, and a last line when a lost
// connection or the user's stop ended the run. The refused statements and
// their messages are drawn on a red ground.
struct ExecutionReportText {
    QString text;
    // Blocks (lines) of the text drawn on the red ground: first line, count.
    QList<std::pair<int, int>> refusedLines;
};

ExecutionReportText executionReportText(const ExecutionReport& report);

// Shows `report` in `box`, the refused lines marked.
void showExecutionReport(QPlainTextEdit& box, const ExecutionReportText& report);

// Removes the marks of a report, when the box shows something else.
void clearReportMarks(QPlainTextEdit& box);

// The marker line before each refused statement.
inline constexpr const char* refusedMarker = "【被拒绝】";

} // namespace dbc
