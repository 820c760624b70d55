#include "cli/command_line.h"

#include "cli/argument_parser.h"
#include "cli/commands.h"
#include "cli/exit_status.h"
#include "cli/many_targets.h"
#include "cli/standard_output.h"

#include <csignal>
#include <string>

namespace dbc {

namespace {

int printed(const std::string& text) {
    try {
        cli::writeStandardOutput(text);
        return cli::Success;
    } catch (const cli::StandardOutputError& error) {
        cli::writeStandardError("dbcompare: " + std::string(error.what()) + "\n");
        return cli::OutputFailure;
    }
}

} // namespace

int runCommandLine(int argc, char** argv) {
    // Beyond the file size limit a write then fails with its reason
    // ("File too large") instead of the signal ending the program mid-file.
    std::signal(SIGXFSZ, SIG_IGN);
    // A reader that went away (a closed pipe) makes a write fail with its
    // reason, reported like any other failed write, instead of ending the
    // program silently.
    std::signal(SIGPIPE, SIG_IGN);
    std::vector<std::string> arguments(argv + 1, argv + argc);
    cli::ParsedCommand command;
    try {
        command = cli::parseArguments(arguments);
    } catch (const cli::CommandLineError& error) {
        cli::writeStandardError("dbcompare: " + std::string(error.what()) + "\n");
        return cli::UsageError;
    }

    if (!command.targetsFile.empty()) {
        cli::ManyTargetsRun run{command.targetsFile,
                                command.passwordsFile,
                                command.outDir,
                                command.reportFile,
                                command.store,
                                command.jobs,
                                command.subcommand == cli::Subcommand::Execute,
                                command.allowDataLoss,
                                command.fillNewColumns,
                                command.connection.timeouts,
                                command.connection.statementTimeoutSeconds,
                                command.connection.odbcDriver,
                                command.connection.security,
                                command.dropExtra};
        return cli::runManyTargets(run);
    }
    cli::Commands commands(command.connection, command.store);
    commands.setCompareOptions({command.dropExtra});
    switch (command.subcommand) {
    case cli::Subcommand::Help:
        return printed(command.helpText);
    case cli::Subcommand::Version:
        return printed("dbcompare " DBCOMPARE_VERSION "\n");
    case cli::Subcommand::Capture:
        return commands.capture();
    case cli::Subcommand::Compare:
        return commands.compare(command.outputFile, command.reportFile);
    case cli::Subcommand::Execute:
        return commands.execute(command.dryRun, command.allOrNothing,
                                {command.allowDataLoss, command.fillNewColumns});
    case cli::Subcommand::ExecOne:
        return commands.execOne(command.sql, command.inputFile);
    case cli::Subcommand::Show:
        return commands.show();
    }
    return cli::UsageError;
}

} // namespace dbc
