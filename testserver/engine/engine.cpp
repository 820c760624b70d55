#include "testserver/engine/engine.h"

#include "testserver/engine/database_directory.h"
#include "testserver/engine/lexer.h"
#include "testserver/engine/script_splitter.h"
#include "testserver/engine/server_error.h"
#include "testserver/engine/session_impl.h"
#include "testserver/engine/statement_splitter.h"

#include <atomic>

namespace testserver {

struct Engine::Impl {
    Impl(std::filesystem::path dataDir, std::optional<Credentials> login,
         const ServerVersion& serverVersion)
        : directory(std::move(dataDir)), credentials(std::move(login)), version(serverVersion) {}

    DatabaseDirectory directory;
    std::optional<Credentials> credentials;
    const ServerVersion& version;
    std::atomic<int> nextSpid{51};

    std::unique_ptr<Session> open(const std::string& user, const std::string& database) {
        std::optional<DatabaseFile> file;
        if (database.empty()) {
            std::vector<DatabaseFile> files = directory.list();
            if (!files.empty())
                file = files.front();
        } else {
            file = directory.find(database);
            if (!file)
                throw LoginRefused(messages::make(4060, 11,
                                                  "Cannot open database requested in login '" +
                                                      database + "'. Login fails."));
        }
        try {
            return std::make_unique<SessionImpl>(directory, file, user, nextSpid++, version);
        } catch (const ServerError&) {
            // Dropped by another session while this login looked it up.
            throw LoginRefused(messages::make(4060, 11,
                                              "Cannot open database requested in login '" +
                                                  database + "'. Login fails."));
        }
    }
};

Engine::Engine(std::filesystem::path dataDir, std::optional<Credentials> credentials,
               const ServerVersion& version) {
    std::error_code ignored;
    std::filesystem::create_directories(dataDir, ignored);
    m_impl = std::make_unique<Impl>(std::move(dataDir), std::move(credentials), version);
}

Engine::~Engine() = default;

std::unique_ptr<Session> Engine::login(const std::string& user, const std::string& password,
                                       const std::string& database) {
    if (m_impl->credentials &&
        (user != m_impl->credentials->user || password != m_impl->credentials->password))
        throw LoginRefused(messages::make(18456, 14, "Login failed for user '" + user + "'."));
    return m_impl->open(user, database);
}

namespace {

// The text of statement `index` of a batch, for the failure report.
std::string statementText(const std::string& batch, std::size_t index) {
    try {
        std::vector<Token> tokens = tokenize(batch);
        std::vector<StatementSpan> spans = splitStatements(batch, tokens);
        if (index < spans.size())
            return spans[index].text;
    } catch (const ServerError&) {
    }
    return batch;
}

} // namespace

void Engine::runScript(const std::string& scriptText) {
    std::string user = m_impl->credentials ? m_impl->credentials->user : std::string("sa");
    std::unique_ptr<Session> session = m_impl->open(user, "");
    for (const std::string& batch : splitScript(scriptText)) {
        BatchResult result = session->executeBatch(batch);
        for (std::size_t i = 0; i < result.statements.size(); ++i) {
            const StatementOutcome& outcome = result.statements[i];
            for (const ServerMessage& message : outcome.messages) {
                if (message.severity <= 10 && !outcome.failed)
                    continue;
                if (message.severity <= 10)
                    continue;
                throw std::runtime_error("statement failed: " + statementText(batch, i) + "\nMsg " +
                                         std::to_string(message.number) + ", Level " +
                                         std::to_string(message.severity) + ", State " +
                                         std::to_string(message.state) + ", Line " +
                                         std::to_string(message.line) + "\n" + message.text);
            }
        }
    }
}

const std::filesystem::path& Engine::dataDir() const noexcept {
    return m_impl->directory.path();
}

} // namespace testserver
