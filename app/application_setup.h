#pragma once

#include <QString>

class QCoreApplication;

namespace dbc {

// The program's title: the window's caption and the title of its message
// boxes.
QString programTitle();

// Names the application and loads Qt's own Simplified Chinese texts, so that
// standard buttons ("确定"), context menus and shortcut names read in Chinese
// like the rest of the window. The title bar shows the caption alone: the
// display name is the caption itself, so Qt appends no suffix.
// Returns false when Qt's Chinese translations are not installed (the
// window then shows Qt's English texts).
bool setUpApplication(QCoreApplication& application);

} // namespace dbc
