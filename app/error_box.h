#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace dbc {

// The message as the error box shows it: a full stop is appended when the
// last character sorts after "." by code point (a letter, a digit, a Chinese
// character, ...). An empty message stays empty.
QString withFullStop(const QString& message);

// The application's error box: modal, titled with the application's display
// name, error icon, one OK button, the message under the full-stop rule.
// Returns when the user has closed it; the program then goes on.
void showError(QWidget* parent, const QString& message);

// Runs one handler body; an exception derived from std::exception ends the
// body and its message is shown in the error box. What the body did before
// the exception stays done. Returns true when the body ran to its end.
bool runHandler(QWidget* parent, const std::function<void()>& body);

} // namespace dbc
