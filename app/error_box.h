#pragma once

#include <QString>

#include <functional>

class QMessageBox;
class QWidget;

namespace dbc {

// The message as the error box shows it: after a Chinese character or a
// closing Chinese quote the full-width full stop "。" is appended, after a
// full-width mark nothing, and otherwise "." when the last character sorts
// after "." by code point (a letter, a digit, ...). An empty message stays
// empty.
QString withFullStop(const QString& message);

// Titles a message box of the program with the application's display name
// and gives it a minimum width, so that a short text ("执行完毕！") does not
// leave a box too narrow for its own title.
void prepareMessageBox(QMessageBox& box);

// The narrowest a message box of the program is drawn, in pixels.
inline constexpr int messageBoxMinimumWidth = 260;

// A modal message box without an icon and with one OK button; returns when
// the user has closed it.
void showInformation(QWidget* parent, const QString& text);

// The application's error box: modal, titled with the application's display
// name, error icon, one OK button, the message under the full-stop rule.
// Returns when the user has closed it; the program then goes on.
void showError(QWidget* parent, const QString& message);

// Runs one handler body; an exception derived from std::exception ends the
// body and its message is shown in the error box. What the body did before
// the exception stays done. Returns true when the body ran to its end.
bool runHandler(QWidget* parent, const std::function<void()>& body);

} // namespace dbc
