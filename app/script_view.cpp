#include "app/script_view.h"

#include <QListWidget>
#include <QPlainTextEdit>
#include <QTextDocument>

namespace dbc {

ScriptView::ScriptView(QPlainTextEdit& display, QListWidget& statements)
    : m_display(display), m_statements(statements) {}

void ScriptView::show(const ScriptBuffer& buffer) {
    m_display.setPlainText(QString::fromStdString(buffer.displayText()));
    // Shown by the program, not typed: "执行一条" does not send it.
    m_display.document()->setModified(false);
    m_statements.clear();
    for (const auto& statement : buffer.statements())
        m_statements.addItem(QString::fromStdString(statement));
}

ScriptBuffer ScriptView::read() const {
    ScriptBuffer buffer;
    for (int i = 0; i < m_statements.count(); ++i)
        buffer.addStatement(m_statements.item(i)->text().toStdString());
    // Adding the statements also wrote display lines; the text box, with the
    // user's edits, replaces them.
    buffer.setDisplayText(m_display.toPlainText().toStdString());
    return buffer;
}

} // namespace dbc
