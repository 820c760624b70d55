#pragma once

#include "script/script_buffer.h"

class QListWidget;
class QPlainTextEdit;

namespace dbc {

// The two faces of the generated script as the window holds them: the
// display text in the text box Memo1 and the statement list as the item
// captions of the hidden list ListView1.
class ScriptView {
public:
    ScriptView(QPlainTextEdit& display, QListWidget& statements);

    // Shows `buffer`: Memo1 gets its display text, ListView1 one item per
    // statement, in order, each caption the whole statement.
    void show(const ScriptBuffer& buffer);

    // What the window holds now: Memo1's text (with the user's edits) as the
    // display text and ListView1's captions as the statement list.
    ScriptBuffer read() const;

private:
    QPlainTextEdit& m_display;
    QListWidget& m_statements;
};

} // namespace dbc
