// dbcompare-testserver: a SQL Server 2000 look-alike for tests and demos. It
// speaks TDS on 127.0.0.1 and keeps each database's catalog in DIR/NAME.sqlite.

#include "testserver/engine/engine.h"
#include "testserver/engine/script_splitter.h"
#include "testserver/tds/tds_server.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <mutex>
#include <optional>
#include <pthread.h>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Waits on its own thread for SIGINT or SIGTERM and then calls `onSignal`.
// The signals are blocked in every thread started after construction, so
// only this one receives them.
class SignalWatcher {
public:
    template <typename F> explicit SignalWatcher(F onSignal) {
        sigemptyset(&m_signals);
        sigaddset(&m_signals, SIGINT);
        sigaddset(&m_signals, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &m_signals, nullptr);
        m_thread = std::thread([this, onSignal] {
            int received = 0;
            sigwait(&m_signals, &received);
            m_fired = true;
            onSignal();
        });
    }
    // Wakes the watcher when no signal came (the server ended on its own).
    ~SignalWatcher() {
        if (!m_fired)
            pthread_kill(m_thread.native_handle(), SIGTERM);
        m_thread.join();
    }
    SignalWatcher(const SignalWatcher&) = delete;
    SignalWatcher& operator=(const SignalWatcher&) = delete;

private:
    sigset_t m_signals{};
    std::atomic<bool> m_fired{false};
    std::thread m_thread;
};

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::vector<fs::path> catalogFiles(const fs::path& dataDir) {
    std::vector<fs::path> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(dataDir, error))
        if (entry.path().extension() == ".sqlite")
            files.push_back(entry.path());
    return files;
}

// The catalog file that already holds database `name` (names match ignoring
// letter case), if any.
std::optional<fs::path> existingCatalog(const fs::path& dataDir, const std::string& name) {
    for (const fs::path& path : catalogFiles(dataDir))
        if (lower(path.stem().string()) == lower(name))
            return path;
    return std::nullopt;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Builds DIR/NAME.sqlite from a T-SQL script, as a client would by creating
// the database and running the script in it. Never replaces a catalog. A
// script that manages databases itself (USE master, DROP DATABASE, CREATE
// DATABASE) leaves the databases it created under their own names, NAME
// included when it drops and recreates it.
void loadCatalog(testserver::Engine& engine, const fs::path& dataDir,
                 const std::string& assignment) {
    auto eq = assignment.find('=');
    if (eq == std::string::npos || eq == 0 || eq + 1 == assignment.size())
        throw std::runtime_error("--load expects NAME=FILE, got '" + assignment + "'");
    std::string name = assignment.substr(0, eq);
    fs::path script = assignment.substr(eq + 1);
    if (name.find_first_of("/\\]") != std::string::npos)
        throw std::runtime_error("'" + name + "' cannot be a database name here");
    if (auto existing = existingCatalog(dataDir, name))
        throw std::runtime_error("database " + name + " already exists: " + existing->string() +
                                 " (it is never overwritten)");
    std::string text = testserver::scriptTextAsUtf8(readFile(script));
    std::vector<fs::path> before = catalogFiles(dataDir);
    try {
        engine.runScript("CREATE DATABASE [" + name + "]\nGO\nUSE [" + name + "]\nGO\n" + text);
    } catch (...) {
        // The catalogs this run created did not exist before it: half-built
        // ones would only block the next attempt.
        for (const fs::path& created : catalogFiles(dataDir))
            if (std::find(before.begin(), before.end(), created) == before.end()) {
                std::error_code ignored;
                fs::remove(created, ignored);
            }
        throw;
    }
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"SQL Server test server: answers TDS clients on 127.0.0.1 from SQLite catalog "
                 "files DIR/NAME.sqlite"};
    std::string dataDir;
    int port = 1433;
    std::string user;
    std::string password;
    std::vector<std::string> loads;
    bool verbose = false;
    int latencyMs = 0;
    std::string version = "2000";
    app.add_option("--data", dataDir, "directory of the catalog files")->required();
    app.add_option("--port", port, "TCP port on 127.0.0.1; 0 picks a free one")
        ->check(CLI::Range(0, 65535));
    auto* userOption = app.add_option("--user", user, "the only login accepted");
    auto* passwordOption = app.add_option("--password", password, "its password");
    userOption->needs(passwordOption);
    passwordOption->needs(userOption);
    app.add_option("--load", loads,
                   "build DIR/NAME.sqlite from the T-SQL script FILE and exit, instead of "
                   "serving")
        ->type_name("NAME=FILE");
    app.add_flag("--verbose", verbose, "log every request on standard error");
    app.add_option("--latency-ms", latencyMs,
                   "hold every response N ms before sending it, as a slow link would")
        ->check(CLI::Range(0, 60000))
        ->type_name("N");
    app.add_option("--version", version,
                   "the SQL Server release to answer as: its @@VERSION and catalog views")
        ->check([](const std::string& text) -> std::string {
            try {
                testserver::serverVersion(text);
                return {};
            } catch (const std::invalid_argument& e) {
                return e.what();
            }
        })
        ->type_name(testserver::serverVersionChoices());
    CLI11_PARSE(app, argc, argv);

    std::signal(SIGPIPE, SIG_IGN);
    try {
        std::optional<testserver::Credentials> credentials;
        if (!userOption->empty())
            credentials = testserver::Credentials{user, password};
        testserver::Engine engine(dataDir, credentials, testserver::serverVersion(version));

        if (!loads.empty()) {
            for (const auto& assignment : loads)
                loadCatalog(engine, dataDir, assignment);
            return 0;
        }

        auto logMutex = std::make_shared<std::mutex>();
        testserver::tds::ServerOptions options;
        options.traceRequests = verbose;
        options.responseDelay = std::chrono::milliseconds(latencyMs);
        options.log = [logMutex](const std::string& line) {
            std::lock_guard<std::mutex> lock(*logMutex);
            std::cerr << line << std::endl;
        };
        testserver::tds::TdsServer server(engine, options);
        std::uint16_t boundPort = server.listen(static_cast<std::uint16_t>(port));
        SignalWatcher watcher([&server] { server.stop(); });
        std::cout << "listening on 127.0.0.1:" << boundPort << std::endl;
        server.run();
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "dbcompare-testserver: " << e.what() << std::endl;
        return 1;
    }
}
