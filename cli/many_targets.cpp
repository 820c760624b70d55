#include "cli/many_targets.h"

#include "cli/exit_status.h"
#include "cli/odbc_driver.h"
#include "cli/output_file.h"
#include "cli/password_prompt.h"
#include "cli/passwords_file.h"
#include "cli/report_file.h"
#include "cli/snapshot_copy.h"
#include "cli/target_job.h"
#include "cli/targets_summary.h"
#include "report/report_source.h"
#include "snapshot/snapshot_store.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <optional>
#include <thread>
#include <unistd.h>

namespace dbc::cli {

namespace {

std::atomic<bool> g_stop{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void onInterrupt(int) {
    g_stop.store(true);
}

// Ctrl+C while the targets run: the first asks the run to stop (the handler
// is reset, so a second ends the program at once; every file written so far
// is whole either way). The previous handling is restored afterwards.
class InterruptAsStop {
public:
    InterruptAsStop() {
        g_stop.store(false);
        struct sigaction action {};
        action.sa_handler = onInterrupt;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND;
        sigaction(SIGINT, &action, &m_previous);
    }
    ~InterruptAsStop() { sigaction(SIGINT, &m_previous, nullptr); }
    InterruptAsStop(const InterruptAsStop&) = delete;
    InterruptAsStop& operator=(const InterruptAsStop&) = delete;

private:
    struct sigaction m_previous {};
};

// "targets done k of n" on standard error, redrawn in place; nothing when
// standard error is not a terminal.
class TargetsProgress {
public:
    explicit TargetsProgress(std::size_t total) : m_total(total), m_enabled(::isatty(2) != 0) {
        draw();
    }
    ~TargetsProgress() {
        if (m_enabled)
            std::cerr << '\n';
    }
    void targetDone() {
        std::lock_guard lock(m_mutex);
        ++m_done;
        draw();
    }

private:
    void draw() {
        if (m_enabled)
            std::cerr << "\rtargets done " << m_done << " of " << m_total << std::flush;
    }
    std::mutex m_mutex;
    std::size_t m_total;
    std::size_t m_done = 0;
    bool m_enabled;
};

struct RunFailed {
    int status;
};

[[noreturn]] void fail(int status, const std::string& message) {
    std::cerr << "dbcompare: " << message << '\n';
    throw RunFailed{status};
}

// The password of each target: from the passwords file, else the
// environment's, else (asked once) the terminal's.
std::vector<std::string> passwordsOf(const std::vector<TargetLine>& targets,
                                     const std::optional<PasswordFile>& file,
                                     const ConnectionSecurity& commandLine) {
    std::optional<std::string> common;
    std::vector<std::string> passwords;
    for (const TargetLine& target : targets) {
        // An integrated login needs no password.
        if (securityFor(target, commandLine).integratedLogin) {
            passwords.emplace_back();
            continue;
        }
        if (file) {
            if (auto found = file->find(target.server, target.user)) {
                passwords.push_back(*found);
                continue;
            }
        }
        if (!common) {
            if (const char* fromEnvironment = std::getenv("DBCOMPARE_PASSWORD"))
                common = fromEnvironment;
            else if (standardInputIsTerminal())
                common = promptPassword("Password: ");
            else
                common = std::string();
        }
        passwords.push_back(*common);
    }
    return passwords;
}

} // namespace

int runManyTargets(const ManyTargetsRun& run) {
    try {
        std::vector<TargetLine> targets;
        std::optional<PasswordFile> passwordFile;
        try {
            targets = readTargetsFile(run.targetsFile);
            if (!run.passwordsFile.empty())
                passwordFile = PasswordFile::read(run.passwordsFile);
        } catch (const TargetsFileError& error) {
            fail(UsageError, error.what());
        }
        std::error_code error;
        std::filesystem::create_directories(run.outDir, error);
        if (error || !std::filesystem::is_directory(run.outDir))
            fail(UsageError, "--out " + run.outDir + ": cannot use it as the output folder" +
                                 (error ? ": " + error.message() : std::string()));

        const std::filesystem::path store =
            run.store.empty() ? defaultStorePath() : std::filesystem::path(run.store);
        if (!std::filesystem::exists(store, error))
            fail(ConnectionOrStoreFailure, "no snapshot: the snapshot file " + store.string() +
                                               " holds no captured database; run dbcompare "
                                               "capture first");
        std::optional<SnapshotCopy> snapshot;
        report::ReportSource source;
        try {
            snapshot.emplace(store);
            source = report::reportSourceOf(snapshot->path(), store);
        } catch (const std::exception& failure) {
            fail(ConnectionOrStoreFailure,
                 "snapshot file " + store.string() + ": " + failure.what());
        }
        const std::vector<std::string> passwords = passwordsOf(targets, passwordFile, run.security);

        TargetJobSettings settings{odbcDriverOr(run.odbcDriver),
                                   run.timeouts,
                                   run.security,
                                   run.statementTimeoutSeconds,
                                   snapshot->path(),
                                   run.outDir,
                                   run.execute,
                                   {run.allowDataLoss, run.fillNewColumns},
                                   &g_stop,
                                   run.dropExtra};
        std::vector<TargetOutcome> outcomes(targets.size());
        for (std::size_t i = 0; i < targets.size(); ++i)
            outcomes[i].target = targets[i];
        {
            InterruptAsStop interrupts;
            TargetsProgress progress(targets.size());
            std::atomic<std::size_t> next{0};
            auto worker = [&] {
                for (;;) {
                    if (g_stop.load())
                        return;
                    const std::size_t i = next.fetch_add(1);
                    if (i >= targets.size())
                        return;
                    outcomes[i] = runTargetJob(targets[i], passwords[i], settings);
                    progress.targetDone();
                }
            };
            const std::size_t jobs = std::min<std::size_t>(
                std::size_t(run.jobs > 0 ? run.jobs : defaultJobs), targets.size());
            std::vector<std::jthread> pool;
            for (std::size_t j = 0; j < jobs; ++j)
                pool.emplace_back(worker);
        }

        std::cout << summaryTable(outcomes);
        int status = worstStatus(outcomes);
        if (!run.reportFile.empty()) {
            std::vector<report::TargetReport> reports;
            for (const TargetOutcome& outcome : outcomes) {
                if (outcome.state != TargetState::NotRun)
                    reports.push_back(outcome.report);
            }
            try {
                writeReportFile(run.reportFile, source, reports);
            } catch (const std::exception& failure) {
                std::cerr << "dbcompare: " << failure.what() << '\n';
                status = std::max(status, int(UsageError));
            }
        }
        return status;
    } catch (const RunFailed& failed) {
        return failed.status;
    }
}

} // namespace dbc::cli
