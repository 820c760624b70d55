#pragma once

#include "data/sql_server_connection.h"

#include <QString>

#include <exception>
#include <filesystem>

class QWidget;

namespace dbc {

// The window's own messages, in Chinese. Texts that come from the server or
// the driver are passed on as they are, after a Chinese lead naming what
// failed.

// A failed connection: the server and port tried, then the driver's or
// server's message.
QString connectionFailedMessage(const ConnectionProperties& properties,
                                const std::exception& error);

// The snapshot store file could not be opened or read.
QString storeFailedMessage(const std::exception& error);

// "执行一条" with nothing typed.
QString nothingToExecuteMessage();

// Asks before "执 行" when the text box no longer shows the compare's script:
// the statements of the last compare run, not the edited text. Returns true
// when the user chose to execute.
bool confirmExecutingComparedStatements(QWidget* parent);

} // namespace dbc
