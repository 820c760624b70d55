#include "cli/command_line.h"

#include "cli/argument_parser.h"
#include "cli/commands.h"
#include "cli/exit_status.h"

#include <csignal>
#include <iostream>

namespace dbc {

int runCommandLine(int argc, char** argv) {
    // Beyond the file size limit a write then fails with its reason
    // ("File too large") instead of the signal ending the program mid-file.
    std::signal(SIGXFSZ, SIG_IGN);
    std::vector<std::string> arguments(argv + 1, argv + argc);
    cli::ParsedCommand command;
    try {
        command = cli::parseArguments(arguments);
    } catch (const cli::CommandLineError& error) {
        std::cerr << "dbcompare: " << error.what() << '\n';
        return cli::UsageError;
    }

    cli::Commands commands(command.connection, command.store);
    switch (command.subcommand) {
    case cli::Subcommand::Help:
        std::cout << command.helpText;
        return cli::Success;
    case cli::Subcommand::Version:
        std::cout << "dbcompare " << DBCOMPARE_VERSION << '\n';
        return cli::Success;
    case cli::Subcommand::Capture:
        return commands.capture();
    case cli::Subcommand::Compare:
        return commands.compare(command.outputFile);
    case cli::Subcommand::Execute:
        return commands.execute(command.dryRun, command.allOrNothing);
    case cli::Subcommand::ExecOne:
        return commands.execOne(command.sql, command.inputFile);
    case cli::Subcommand::Show:
        return commands.show();
    }
    return cli::UsageError;
}

} // namespace dbc
