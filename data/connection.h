#pragma once

#include "data/database_error.h"
#include "data/result.h"

#include <cstddef>
#include <functional>
#include <string>
#include <variant>
#include <vector>

namespace dbc {

// The error of open() for a statement that yields no result set.
inline constexpr const char* kNoResultSet = "CommandText does not return a result set";

// What one statement of several gave: its rows, or the error it failed with.
using ResultOrError = std::variant<Result, DatabaseError>;

// Receives the reply to statement `index` of a list, in list order.
using ReplyHandler = std::function<void(std::size_t index, ResultOrError reply)>;

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

    // Runs each of `statements` as open() would and hands `onReply` each one's
    // result or error, in order. A lost connection (SQLSTATE class 08) is
    // thrown instead: nothing after it could be answered. This sends one
    // request per statement; a server connection may group them into fewer
    // requests, with the same replies.
    virtual void openEach(const std::vector<std::string>& statements, const ReplyHandler& onReply);

    // Runs `sql`, a batch of one or more statements, and returns what it
    // yields in order: each result set (results without columns, such as row
    // counts, left out) and each error a statement failed with, the batch
    // going on after it as the server decides. A lost connection is thrown.
    // Connections that cannot return several results throw DatabaseError.
    virtual std::vector<ResultOrError> openAll(const std::string& sql);
    // How long a later statement may wait for the server's answer before it
    // fails (timedOut()); 0 waits for ever. Connections without a server
    // ignore it.
    virtual void setQueryTimeout(int /*seconds*/) {}
};

// True when `error` means the connection itself is gone (SQLSTATE class 08).
bool connectionLost(const DatabaseError& error) noexcept;

} // namespace dbc
