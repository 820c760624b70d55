#pragma once

#include <QString>
#include <QStringList>

namespace dbc {

// The lines of help that the text box Memo1 shows at start-up. The text box
// does not wrap lines, so each line is broken by hand after a mark, never
// inside a word, and fits the text box at its default size; the last line is
// empty.
QStringList helpTextLines();

// The help lines joined by "\n".
QString helpText();

} // namespace dbc
