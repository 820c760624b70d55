#pragma once

// The boundary between the test server's wire protocol (TDS) and its SQL
// engine over SQLite catalog files. The protocol side turns packets into calls
// of Engine/Session and turns the returned outcomes into TDS tokens; the engine
// side never sees a byte of TDS.

#include "testserver/engine/server_version.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace testserver {

enum class ColumnType {
    TinyInt,  // 1-byte integer
    SmallInt, // 2-byte integer
    Int,      // 4-byte integer
    BigInt,   // 8-byte integer
    NVarChar, // Unicode text, maxLength in characters (1..4000)
};

struct ColumnInfo {
    std::string name; // UTF-8, as the statement aliased it
    ColumnType type = ColumnType::NVarChar;
    int maxLength = 4000; // characters, for NVarChar
    bool nullable = true;
};

// A value as text (UTF-8; integers in plain decimal) or NULL.
using Value = std::optional<std::string>;

struct ResultSet {
    std::vector<ColumnInfo> columns;
    std::vector<std::vector<Value>> rows;
};

// An error or informational message as SQL Server sends it.
struct ServerMessage {
    int number = 0;
    int state = 1;
    int severity = 16; // 0..10 informational (INFO token), 11+ error (ERROR token)
    std::string text;  // UTF-8
    int line = 1;
};

// What one statement of a batch produced, in the order the client must see it:
// messages first, then the database change, then the result set, then DONE.
struct StatementOutcome {
    std::vector<ServerMessage> messages;    // INFO and ERROR tokens
    std::optional<std::string> newDatabase; // ENVCHANGE type 1 (after "use")
    std::optional<ResultSet> resultSet;     // COLMETADATA + ROW tokens
    std::optional<long long> rowCount;      // DONE with DONE_COUNT set
    bool failed = false;                    // DONE with DONE_ERROR set
};

struct BatchResult {
    std::vector<StatementOutcome> statements; // never empty
};

// A login the engine refused: the message goes to the client as an ERROR
// token, and the connection is then closed.
class LoginRefused : public std::runtime_error {
public:
    explicit LoginRefused(ServerMessage message)
        : std::runtime_error(message.text), m_message(std::move(message)) {}
    const ServerMessage& message() const noexcept { return m_message; }

private:
    ServerMessage m_message;
};

// One client's state: its current database and its SQLite connection(s).
// A session is used by one thread at a time.
class Session {
public:
    virtual ~Session() = default;

    // The current database's name as the catalog file spells it.
    virtual std::string database() const = 0;

    // Runs one SQL batch (UTF-8 text, as the client sent it). Errors are
    // reported in the outcomes, never thrown.
    virtual BatchResult executeBatch(const std::string& sql) = 0;
};

struct Credentials {
    std::string user;
    std::string password;
};

// What the protocol side needs to open sessions; the Engine below is the real
// one, protocol tests may supply their own.
class SessionProvider {
public:
    virtual ~SessionProvider() = default;
    // Checks the login and opens the requested database. Throws LoginRefused.
    virtual std::unique_ptr<Session> login(const std::string& user, const std::string& password,
                                           const std::string& database) = 0;
};

// Shared by all sessions; thread-safe.
class Engine : public SessionProvider {
public:
    // `dataDir` holds one NAME.sqlite file per database. Without credentials
    // every login is accepted. `version` is the release the server answers
    // as (server_version.h).
    Engine(std::filesystem::path dataDir, std::optional<Credentials> credentials,
           const ServerVersion& version = defaultServerVersion());
    ~Engine() override;
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // Checks the login and opens the requested database (empty: the first
    // database in name order, as a login's default database). Throws
    // LoginRefused with SQL Server's message (18456 for a wrong login, 4060
    // for a database that cannot be opened).
    std::unique_ptr<Session> login(const std::string& user, const std::string& password,
                                   const std::string& database) override;

    // Runs a T-SQL script (batches separated by lines that hold only "GO",
    // any letter case) in a fresh session, as a client would. Used to build
    // catalog files from fixture scripts. Throws std::runtime_error naming
    // the first statement that failed and the server's message.
    void runScript(const std::string& scriptText);

    const std::filesystem::path& dataDir() const noexcept;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace testserver
