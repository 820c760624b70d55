#pragma once

#include "testserver/engine/engine.h"

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace testserver::test {

// A SessionProvider for protocol tests: a fixed set of database names, an
// optional single login, and batches answered from a table the test fills.
// SET options and transaction control (BEGIN TRAN, COMMIT, ROLLBACK, IF
// @@TRANCOUNT ...) are answered with an empty success; any other batch gets
// SQL Server's syntax error 102 and is recorded as unrecognised.
class FakeSessionProvider : public SessionProvider {
public:
    explicit FakeSessionProvider(std::vector<std::string> databases,
                                 std::optional<Credentials> credentials = std::nullopt);

    // Answers the batch whose text is `sql` (leading and trailing blanks and
    // line ends aside).
    void answer(const std::string& sql, BatchResult result);
    // The same, calling `produce` for each such batch.
    void answer(const std::string& sql, std::function<BatchResult()> produce);

    std::unique_ptr<Session> login(const std::string& user, const std::string& password,
                                   const std::string& database) override;

    // Every batch received, in order, and those nothing answered.
    std::vector<std::string> batches() const;
    std::vector<std::string> unrecognised() const;
    // The last login's user, password and database as the server decoded them.
    Credentials lastLogin() const;
    std::string lastLoginDatabase() const;

private:
    friend class FakeSession;
    BatchResult run(const std::string& database, std::string& newDatabase, const std::string& sql);
    std::optional<std::string> findDatabase(const std::string& name) const;

    std::vector<std::string> m_databases;
    std::optional<Credentials> m_credentials;
    mutable std::mutex m_mutex;
    std::map<std::string, std::function<BatchResult()>> m_answers;
    std::vector<std::string> m_batches;
    std::vector<std::string> m_unrecognised;
    Credentials m_lastLogin;
    std::string m_lastDatabase;
};

// Builders for answers; a result set is counted, as without SET NOCOUNT ON.
StatementOutcome rowsOutcome(std::vector<ColumnInfo> columns, std::vector<std::vector<Value>> rows);
StatementOutcome errorOutcome(int number, std::string text, int severity = 16);
StatementOutcome countOutcome(long long rows);

} // namespace testserver::test
