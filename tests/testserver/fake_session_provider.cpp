#include "tests/testserver/fake_session_provider.h"

#include <algorithm>
#include <cctype>

namespace testserver::test {

namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// tsql sends a batch with the line end of its last line.
std::string trimmed(const std::string& text) {
    auto begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos)
        return {};
    auto end = text.find_last_not_of(" \t\r\n");
    return text.substr(begin, end - begin + 1);
}

bool startsWithIgnoringCase(const std::string& text, const std::string& prefix) {
    return lower(text.substr(0, prefix.size())) == prefix;
}

} // namespace

class FakeSession : public Session {
public:
    FakeSession(FakeSessionProvider& provider, std::string database)
        : m_provider(provider), m_database(std::move(database)) {}
    std::string database() const override { return m_database; }
    BatchResult executeBatch(const std::string& sql) override {
        std::string newDatabase;
        BatchResult result = m_provider.run(m_database, newDatabase, sql);
        if (!newDatabase.empty())
            m_database = newDatabase;
        return result;
    }

private:
    FakeSessionProvider& m_provider;
    std::string m_database;
};

FakeSessionProvider::FakeSessionProvider(std::vector<std::string> databases,
                                         std::optional<Credentials> credentials)
    : m_databases(std::move(databases)), m_credentials(std::move(credentials)) {}

void FakeSessionProvider::answer(const std::string& sql, BatchResult result) {
    answer(sql, [result] { return result; });
}

void FakeSessionProvider::answer(const std::string& sql, std::function<BatchResult()> produce) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_answers[sql] = std::move(produce);
}

std::optional<std::string> FakeSessionProvider::findDatabase(const std::string& name) const {
    for (const auto& db : m_databases)
        if (lower(db) == lower(name))
            return db;
    return std::nullopt;
}

std::unique_ptr<Session> FakeSessionProvider::login(const std::string& user,
                                                    const std::string& password,
                                                    const std::string& database) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lastLogin = Credentials{user, password};
        m_lastDatabase = database;
    }
    if (m_credentials && (user != m_credentials->user || password != m_credentials->password))
        throw LoginRefused(ServerMessage{18456, 1, 14, "Login failed for user '" + user + "'.", 1});
    std::string name = database.empty() ? m_databases.front() : database;
    auto found = findDatabase(name);
    if (!found)
        throw LoginRefused(ServerMessage{
            4060, 1, 11, "Cannot open database requested in login '" + name + "'. Login fails.",
            1});
    return std::make_unique<FakeSession>(*this, *found);
}

BatchResult FakeSessionProvider::run(const std::string& database, std::string& newDatabase,
                                     const std::string& text) {
    std::string sql = trimmed(text);
    std::function<BatchResult()> produce;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_batches.push_back(text);
        auto it = m_answers.find(sql);
        if (it != m_answers.end())
            produce = it->second;
    }
    if (produce)
        return produce();
    if (startsWithIgnoringCase(sql, "use ")) {
        std::string name = sql.substr(4);
        name.erase(std::remove_if(name.begin(), name.end(),
                                  [](char c) { return c == '[' || c == ']' || c == ' '; }),
                   name.end());
        auto found = findDatabase(name);
        if (!found)
            return BatchResult{{errorOutcome(
                911, "Could not locate entry in sysdatabases for database '" + name +
                         "'. No entry found with that name. Make sure that the name is entered "
                         "correctly.")}};
        newDatabase = *found;
        StatementOutcome outcome;
        outcome.messages.push_back(
            ServerMessage{5701, 1, 0, "Changed database context to '" + *found + "'.", 1});
        outcome.newDatabase = *found;
        return BatchResult{{outcome}};
    }
    // Session settings and transaction control succeed without effect.
    for (const char* accepted : {"set ", "begin tran", "commit", "rollback", "if @@trancount"})
        if (startsWithIgnoringCase(sql, accepted))
            return BatchResult{{StatementOutcome{}}};
    (void)database;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_unrecognised.push_back(text);
    }
    std::string near = sql.substr(0, sql.find(' '));
    return BatchResult{{errorOutcome(102, "Incorrect syntax near '" + near + "'.", 15)}};
}

std::vector<std::string> FakeSessionProvider::batches() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_batches;
}

std::vector<std::string> FakeSessionProvider::unrecognised() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_unrecognised;
}

Credentials FakeSessionProvider::lastLogin() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lastLogin;
}

std::string FakeSessionProvider::lastLoginDatabase() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lastDatabase;
}

StatementOutcome rowsOutcome(std::vector<ColumnInfo> columns,
                             std::vector<std::vector<Value>> rows) {
    StatementOutcome outcome;
    outcome.rowCount = static_cast<long long>(rows.size());
    outcome.resultSet = ResultSet{std::move(columns), std::move(rows)};
    return outcome;
}

StatementOutcome errorOutcome(int number, std::string text, int severity) {
    StatementOutcome outcome;
    outcome.messages.push_back(ServerMessage{number, 1, severity, std::move(text), 1});
    outcome.failed = true;
    return outcome;
}

StatementOutcome countOutcome(long long rows) {
    StatementOutcome outcome;
    outcome.rowCount = rows;
    return outcome;
}

} // namespace testserver::test
