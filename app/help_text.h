#pragma once

#include <QString>
#include <QStringList>

namespace dbc {

// The 32 lines of help that the text box Memo1 shows at start-up. The breaks
// fall where the original text box wrapped them, also inside words; line 11
// and line 32 are empty.
QStringList helpTextLines();

// The help lines joined by "\n": 32 lines in a plain text box, the last one
// empty.
QString helpText();

} // namespace dbc
