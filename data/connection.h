#pragma once

#include "result.h"

#include <string>

namespace dbc {

// A connection to SQL Server or to the snapshot store. Every failure is thrown
// as DatabaseError carrying the driver's or server's message.
class Connection {
public:
    virtual ~Connection() = default;

    // Runs `sql` and fetches every row of its first result set. A statement
    // that yields no result set is an error ("CommandText does not return a
    // result set").
    virtual Result open(const std::string& sql) = 0;

    // Runs `sql` as a command that returns no rows.
    virtual void execute(const std::string& sql) = 0;

    // How long a later statement may wait for the server's answer before it
    // fails (timedOut()); 0 waits for ever. Connections without a server
    // ignore it.
    virtual void setQueryTimeout(int /*seconds*/) {}
};

} // namespace dbc
