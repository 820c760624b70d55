#include "command_line.h"

#include "commands.h"
#include "exit_status.h"

#include <CLI/CLI.hpp>

#include <iostream>

namespace dbc {

namespace {

void addConnectionOptions(CLI::App& command, cli::ConnectionOptions& options) {
    command
        .add_option("-S,--server", options.server,
                    "SQL Server: host, host,port, host\\instance, . or (local)")
        ->capture_default_str();
    command.add_option("-d,--database", options.database, "database name")->capture_default_str();
    command.add_option("-U,--user", options.user, "login name")->capture_default_str();
    command.add_option_function<std::string>(
        "-P,--password",
        [&options](const std::string& value) {
            options.password = value;
            options.passwordGiven = true;
        },
        "password (else $DBCOMPARE_PASSWORD, else asked at the terminal)");
}

void addStoreOption(CLI::App& command, std::string& store) {
    command.add_option("--store", store, "snapshot file (default: Source.mdb beside the program)");
}

} // namespace

int runCommandLine(int argc, char** argv) {
    CLI::App app{"dbcompare: brings a SQL Server database's schema into line with a snapshot "
                 "of another's.\nWithout a subcommand it opens the window.",
                 "dbcompare"};
    app.set_version_flag("--version", std::string("dbcompare ") + DBCOMPARE_VERSION);
    app.require_subcommand(1);

    cli::ConnectionOptions connection;
    std::string store;

    auto* capture =
        app.add_subcommand("capture", "read the source database's catalog into the snapshot file");
    addConnectionOptions(*capture, connection);
    addStoreOption(*capture, store);

    std::string outputFile;
    auto* compare = app.add_subcommand(
        "compare", "compare the target database with the snapshot and write the script");
    addConnectionOptions(*compare, connection);
    addStoreOption(*compare, store);
    compare->add_option("-o,--output", outputFile,
                        "write the script to FILE, not to standard output");

    bool dryRun = false;
    auto* execute = app.add_subcommand(
        "execute", "compare, then run the script's statements against the target");
    addConnectionOptions(*execute, connection);
    addStoreOption(*execute, store);
    execute->add_flag("--dry-run", dryRun, "print the statements instead of running them");

    std::string sql;
    std::string inputFile;
    auto* execOne = app.add_subcommand("exec-one", "run one command against the database");
    addConnectionOptions(*execOne, connection);
    addStoreOption(*execOne, store);
    auto* sqlOption = execOne->add_option("sql", sql, "the command text");
    auto* inputOption =
        execOne->add_option("-i,--input", inputFile, "read the command text from FILE")
            ->check(CLI::ExistingFile);
    sqlOption->excludes(inputOption);
    inputOption->excludes(sqlOption);

    auto* show = app.add_subcommand("show", "tell what the snapshot file holds");
    addStoreOption(*show, store);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        int status = app.exit(error);
        return status == 0 ? cli::Success : cli::UsageError;
    }
    if (execOne->parsed() && sql.empty() && inputFile.empty()) {
        std::cerr << "dbcompare exec-one: give the command text or -i FILE\n";
        return cli::UsageError;
    }

    cli::Commands commands(connection, store);
    if (capture->parsed())
        return commands.capture();
    if (compare->parsed())
        return commands.compare(outputFile);
    if (execute->parsed())
        return commands.execute(dryRun);
    if (execOne->parsed())
        return commands.execOne(sql, inputFile);
    return commands.show();
}

} // namespace dbc
