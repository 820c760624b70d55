#include "cli/argument_parser.h"

#include "cli/edit_distance.h"
#include "cli/report_file.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>
#include <string_view>

namespace dbc::cli {

namespace {

enum class Option {
    Server,
    Database,
    User,
    Password,
    PasswordFile,
    Store,
    Output,
    DryRun,
    Transaction,
    AllowDataLoss,
    FillNewColumns,
    DropExtra,
    Input,
    LoginTimeout,
    QueryTimeout,
    StatementTimeout,
    Targets,
    Passwords,
    Jobs,
    OutDir,
    Report,
    Driver,
    Encrypt,
    TrustServerCertificate,
    Integrated,
    Help,
};

struct OptionSpec {
    Option option;
    char shortName; // 0: none
    std::string_view longName;
    std::string_view valueName; // empty: a flag
    std::string_view help;
};

constexpr std::array kOptions{
    OptionSpec{Option::Server, 'S', "server", "SERVER",
               "SQL Server: host, host,port, host\\instance, . or (local) (default .)"},
    OptionSpec{Option::Database, 'd', "database", "NAME", "database name (default hrms)"},
    OptionSpec{Option::User, 'U', "user", "LOGIN", "login name (default Sa)"},
    OptionSpec{Option::Password, 'P', "password", "PASSWORD",
               "password; other users can see it in the process list, so prefer "
               "--password-file, $DBCOMPARE_PASSWORD or the prompt at the terminal"},
    OptionSpec{Option::PasswordFile, 0, "password-file", "FILE",
               "read the password from the first line of FILE, which only its owner may "
               "read (chmod 600)"},
    OptionSpec{Option::Store, 0, "store", "FILE",
               "snapshot file (default: Source.mdb beside the program)"},
    OptionSpec{Option::Output, 'o', "output", "FILE",
               "write the script to FILE, not to standard output; either way each "
               "statement is its own batch, for sqlcmd, osql or tsql"},
    OptionSpec{Option::DryRun, 0, "dry-run", "", "print the statements instead of running them"},
    OptionSpec{Option::Transaction, 0, "transaction", "",
               "run the whole script in one transaction: the first refused statement rolls "
               "everything back"},
    OptionSpec{Option::AllowDataLoss, 0, "allow-data-loss", "",
               "run the script even where the data check finds stored values it would change "
               "or lose; values longer than a column's new length are cut to fit first, "
               "numbers beyond a smaller type's range set to its largest or smallest value"},
    OptionSpec{Option::FillNewColumns, 0, "fill-new-columns", "",
               "add a NOT NULL column without a default to a table with rows with a "
               "temporary default of its type's empty value (0, '', 19000101), dropped "
               "right after"},
    OptionSpec{Option::DropExtra, 0, "drop-extra", "",
               "also drop the tables, views, procedures, triggers and functions the target has "
               "and the snapshot lacks (a table with its rows), after what depends on them"},
    OptionSpec{Option::Input, 'i', "input", "FILE", "read the command text from FILE"},
    OptionSpec{Option::LoginTimeout, 0, "login-timeout", "S",
               "give up a login after S seconds (default 15, 0: the driver's own limit)"},
    OptionSpec{Option::QueryTimeout, 0, "query-timeout", "S",
               "give up a catalog query after S seconds (default 120, 0: wait for ever)"},
    OptionSpec{Option::StatementTimeout, 0, "statement-timeout", "S",
               "give up a statement after S seconds (default: no limit)"},
    OptionSpec{Option::Targets, 0, "targets", "FILE",
               "run for every target FILE lists, one a line: -S server -d database -U user"},
    OptionSpec{Option::Passwords, 0, "passwords", "FILE",
               "with --targets: passwords as server<TAB>login<TAB>password lines, in a file "
               "only its owner can read (else $DBCOMPARE_PASSWORD)"},
    OptionSpec{Option::Jobs, 0, "jobs", "N", "with --targets: targets handled at once (default 8)"},
    OptionSpec{Option::OutDir, 0, "out", "DIR",
               "with --targets: write each target's files into DIR, named "
               "database@server.sql (.execute.txt)"},
    OptionSpec{Option::Report, 0, "report", "FILE",
               "write the difference report to FILE.html (one page) or FILE.json"},
    OptionSpec{Option::Driver, 0, "driver", "NAME",
               "the ODBC driver, e.g. \"ODBC Driver 18 for SQL Server\" (default: "
               "$DBCOMPARE_ODBC_DRIVER, else FreeTDS)"},
    OptionSpec{Option::Encrypt, 0, "encrypt", "MODE",
               "encrypt the connection: yes, no or strict (TDS 8.0; not with FreeTDS); "
               "default: the driver's own (Driver 18: yes)"},
    OptionSpec{Option::TrustServerCertificate, 'C', "trust-server-certificate", "",
               "accept the server's certificate without checking who issued it"},
    OptionSpec{Option::Integrated, 'E', "integrated", "",
               "log in as the user running this program (Windows login; Kerberos on "
               "Linux): no login name or password"},
    OptionSpec{Option::Help, 'h', "help", "", "show this help"},
};

struct SubcommandSpec {
    Subcommand subcommand;
    std::string_view name;
    std::string_view summary;
    std::vector<Option> options;
    std::string_view positional; // empty: none
};

const std::vector<SubcommandSpec>& subcommands() {
    using enum Option;
    static const std::vector<SubcommandSpec> list{
        {Subcommand::Capture,
         "capture",
         "read the source database's catalog into the snapshot file",
         {Server, Database, User, Password, PasswordFile, Integrated, Encrypt,
          TrustServerCertificate, Driver, Store, LoginTimeout, QueryTimeout, Help},
         {}},
        {Subcommand::Compare,
         "compare",
         "compare the target database with the snapshot and write the script",
         {Server,       Database,     User,         Password,
          PasswordFile, Integrated,   Encrypt,      TrustServerCertificate,
          Driver,       Store,        Output,       Report,
          DropExtra,    Targets,      Passwords,    Jobs,
          OutDir,       LoginTimeout, QueryTimeout, Help},
         {}},
        {Subcommand::Execute,
         "execute",
         "compare, then run the script's statements against the target",
         {Server,        Database,
          User,          Password,
          PasswordFile,  Integrated,
          Encrypt,       TrustServerCertificate,
          Driver,        Store,
          DryRun,        Transaction,
          AllowDataLoss, FillNewColumns,
          DropExtra,     Targets,
          Passwords,     Jobs,
          OutDir,        LoginTimeout,
          QueryTimeout,  StatementTimeout,
          Help},
         {}},
        {Subcommand::ExecOne,
         "exec-one",
         "run one command against the database",
         {Server, Database, User, Password, PasswordFile, Integrated, Encrypt,
          TrustServerCertificate, Driver, Input, LoginTimeout, StatementTimeout, Help},
         "SQL"},
        {Subcommand::Show, "show", "tell what the snapshot file holds", {Store, Help}, {}},
    };
    return list;
}

std::string argumentNumber(std::size_t index) {
    return "argument " + std::to_string(index + 1);
}

std::string optionName(const OptionSpec& known) {
    return known.shortName ? std::string("-") + known.shortName
                           : "--" + std::string(known.longName);
}

std::string subcommandList() {
    std::string list;
    for (const auto& sub : subcommands())
        list += (list.empty() ? "" : ", ") + std::string(sub.name);
    return list;
}

// An argument that reads as an option: "--name", "--name=value", "-X" or
// "-Xvalue". Anything else (SQL text such as "-- comment", "-", a negative
// number) is an ordinary argument.
bool looksLikeOption(std::string_view argument) {
    if (argument.size() < 2 || argument[0] != '-')
        return false;
    if (argument[1] == '-') {
        std::string_view name = argument.substr(2, argument.find('=') - 2);
        return !name.empty() && std::isalpha(static_cast<unsigned char>(name[0])) &&
               std::all_of(name.begin(), name.end(), [](char c) {
                   return std::isalnum(static_cast<unsigned char>(c)) || c == '-';
               });
    }
    return std::isalpha(static_cast<unsigned char>(argument[1])) != 0;
}

const OptionSpec* findLong(std::string_view name) {
    for (const auto& known : kOptions) {
        if (known.longName == name)
            return &known;
    }
    return nullptr;
}

const OptionSpec* findShort(char name) {
    for (const auto& known : kOptions) {
        if (known.shortName != 0 && known.shortName == name)
            return &known;
    }
    return nullptr;
}

const OptionSpec& findOptionSpec(Option option) {
    return *std::find_if(kOptions.begin(), kOptions.end(),
                         [&](const auto& s) { return s.option == option; });
}

bool accepts(const SubcommandSpec& sub, Option option) {
    return std::find(sub.options.begin(), sub.options.end(), option) != sub.options.end();
}

// The option an argument names, whatever subcommand takes it.
const OptionSpec* findOption(std::string_view argument) {
    if (argument.substr(0, 2) == "--")
        return findLong(argument.substr(2, argument.find('=') - 2));
    return findShort(argument[1]);
}

// " (did you mean -P?)" for an unknown option close to one the subcommand
// takes: the same short letter in the other case, or a long name with a
// typing slip. The unknown argument itself is never repeated.
std::string suggestion(const SubcommandSpec& sub, std::string_view argument) {
    for (Option option : sub.options) {
        const OptionSpec& known = *std::find_if(kOptions.begin(), kOptions.end(),
                                                [&](const auto& s) { return s.option == option; });
        if (argument.substr(0, 2) == "--") {
            std::string_view name = argument.substr(2, argument.find('=') - 2);
            if (editDistance(name, known.longName) <= 2)
                return " (did you mean --" + std::string(known.longName) + "?)";
        } else if (known.shortName != 0 &&
                   std::tolower(static_cast<unsigned char>(argument[1])) ==
                       std::tolower(static_cast<unsigned char>(known.shortName))) {
            return " (did you mean " + optionName(known) + "?)";
        }
    }
    return {};
}

int seconds(const std::string& value, const OptionSpec& known, std::size_t index) {
    bool digits =
        !value.empty() && value.size() <= 6 &&
        std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!digits)
        throw CommandLineError("--" + std::string(known.longName) + " needs a whole number" +
                               (known.option == Option::Jobs ? "" : " of seconds") + " (" +
                               argumentNumber(index) + ")");
    return std::stoi(value);
}

void setOption(ParsedCommand& parsed, const OptionSpec& known, const std::string& value,
               std::size_t index) {
    ConnectionOptions& c = parsed.connection;
    switch (known.option) {
    case Option::Server:
        c.server = value;
        break;
    case Option::Database:
        if (isBlankDatabaseName(value))
            throw CommandLineError("the database name (-d) is empty; give the database to use");
        c.database = value;
        break;
    case Option::User:
        c.user = value;
        break;
    case Option::Password:
        c.password = value;
        c.passwordGiven = true;
        break;
    case Option::PasswordFile:
        if (value.empty())
            throw CommandLineError("the password file (--password-file) is empty (" +
                                   argumentNumber(index) + ")");
        c.passwordFile = value;
        break;
    case Option::Store:
        parsed.store = value;
        break;
    case Option::Output:
        if (value.empty())
            throw CommandLineError("the output file (-o) is empty (" + argumentNumber(index) + ")");
        parsed.outputFile = value;
        break;
    case Option::Input:
        if (value.empty())
            throw CommandLineError("the input file (-i) is empty (" + argumentNumber(index) + ")");
        parsed.inputFile = value;
        break;
    case Option::LoginTimeout:
        c.timeouts.loginSeconds = seconds(value, known, index);
        break;
    case Option::QueryTimeout:
        c.timeouts.querySeconds = seconds(value, known, index);
        break;
    case Option::StatementTimeout:
        c.statementTimeoutSeconds = seconds(value, known, index);
        break;
    case Option::DryRun:
        parsed.dryRun = true;
        break;
    case Option::Encrypt:
        if (auto mode = encryptionNamed(value)) {
            c.security.encryption = *mode;
            break;
        }
        throw CommandLineError("--encrypt takes yes, no or strict (" + argumentNumber(index) + ")");
    case Option::TrustServerCertificate:
        c.security.trustServerCertificate = true;
        break;
    case Option::Integrated:
        c.security.integratedLogin = true;
        break;
    case Option::Driver:
    case Option::Targets:
    case Option::Passwords:
    case Option::OutDir:
    case Option::Report:
        if (value.empty())
            throw CommandLineError("--" + std::string(known.longName) + " is empty (" +
                                   argumentNumber(index) + ")");
        (known.option == Option::Driver      ? c.odbcDriver
         : known.option == Option::Targets   ? parsed.targetsFile
         : known.option == Option::Passwords ? parsed.passwordsFile
         : known.option == Option::OutDir    ? parsed.outDir
                                             : parsed.reportFile) = value;
        break;
    case Option::Jobs:
        parsed.jobs = seconds(value, known, index);
        if (parsed.jobs < 1 || parsed.jobs > 256)
            throw CommandLineError("--jobs needs a number from 1 to 256 (" + argumentNumber(index) +
                                   ")");
        break;
    case Option::Transaction:
        parsed.allOrNothing = true;
        break;
    case Option::AllowDataLoss:
        parsed.allowDataLoss = true;
        break;
    case Option::FillNewColumns:
        parsed.fillNewColumns = true;
        break;
    case Option::DropExtra:
        parsed.dropExtra = true;
        break;
    case Option::Help:
        break;
    }
}

constexpr const char* exitStatusHelp =
    "\nExit status:\n"
    "  0  success\n"
    "  1  the server refused one or more statements\n"
    "  2  usage error, a refused password file, or the script file cannot be written\n"
    "  3  connection, login, timeout or snapshot file failure, or a connection lost\n"
    "     during execute\n"
    "  4  standard output cannot be written (a full disk, a closed pipe)\n"
    "  5  stopped on request: Ctrl-C or SIGTERM during execute, Ctrl-C or Ctrl-D at\n"
    "     the password prompt, Ctrl-C during a --targets run\n"
    "  6  execute ran nothing: the data check found stored values the script would\n"
    "     change or lose (listed on standard error); --allow-data-loss runs it\n"
    "With --targets: the worst of the targets' statuses (5 when one did not run).\n";

// --targets takes the connection from its file and writes into --out; the
// options of a many-targets run are refused without it.
void checkManyTargets(const ParsedCommand& parsed, const std::vector<Option>& seen,
                      const std::string& context) {
    auto given = [&](Option o) { return std::find(seen.begin(), seen.end(), o) != seen.end(); };
    if (!parsed.reportFile.empty() && !isReportFileName(parsed.reportFile))
        throw CommandLineError(context + "--report needs a file ending in .html or .json");
    if (parsed.targetsFile.empty()) {
        for (Option o : {Option::Passwords, Option::Jobs, Option::OutDir}) {
            if (given(o))
                throw CommandLineError(context + "--" + std::string(findOptionSpec(o).longName) +
                                       " applies only with --targets FILE");
        }
        return;
    }
    for (Option o : {Option::Server, Option::Database, Option::User, Option::Password,
                     Option::Output, Option::DryRun, Option::Transaction}) {
        if (given(o))
            throw CommandLineError(context + "option " + optionName(findOptionSpec(o)) +
                                   " does not go with --targets: the targets file names the "
                                   "targets and each gets its own file in --out");
    }
    if (parsed.outDir.empty())
        throw CommandLineError(context + "--targets needs --out DIR for the targets' files");
}

// An integrated login sends no login name or password (sqlcmd refuses
// -E with -U or -P as well).
void checkIntegratedLogin(const std::vector<Option>& seen, const std::string& context) {
    if (std::find(seen.begin(), seen.end(), Option::Integrated) == seen.end())
        return;
    for (Option o : {Option::User, Option::Password, Option::PasswordFile, Option::Passwords}) {
        if (std::find(seen.begin(), seen.end(), o) != seen.end())
            throw CommandLineError(context + "option " + optionName(findOptionSpec(o)) +
                                   " does not go with -E: an integrated login sends no login "
                                   "name or password");
    }
}

std::string subcommandHelp(const SubcommandSpec& sub) {
    std::string text = "dbcompare " + std::string(sub.name) + ": " + std::string(sub.summary) +
                       "\n\nUsage: dbcompare " + std::string(sub.name) + " [options]";
    if (!sub.positional.empty())
        text += " [" + std::string(sub.positional) + "]";
    text += "\n\nOptions:\n";
    for (Option option : sub.options) {
        const OptionSpec& known = *std::find_if(kOptions.begin(), kOptions.end(),
                                                [&](const auto& s) { return s.option == option; });
        std::string names = known.shortName ? std::string("-") + known.shortName + ", " : "    ";
        names += "--" + std::string(known.longName);
        if (!known.valueName.empty())
            names += " " + std::string(known.valueName);
        names.resize(std::max<std::size_t>(names.size() + 2, 32), ' ');
        text += "  " + names + std::string(known.help) + "\n";
    }
    if (sub.subcommand == Subcommand::Compare || sub.subcommand == Subcommand::Execute)
        text += exitStatusHelp;
    return text;
}

std::string programHelp() {
    std::string text = "dbcompare: brings a SQL Server database's schema into line with a "
                       "snapshot of another's.\nWithout a subcommand it opens the window.\n\n"
                       "Usage: dbcompare SUBCOMMAND [options]\n\nSubcommands:\n";
    for (const auto& sub : subcommands()) {
        std::string name(sub.name);
        name.resize(12, ' ');
        text += "  " + name + std::string(sub.summary) + "\n";
    }
    text += "\nOptions: -h, --help (also after a subcommand), --version\n";
    text += "\nThe password: -P PASSWORD is visible to other users of this machine in the "
            "process list;\n--password-file FILE (readable by its owner only) or the "
            "environment variable\nDBCOMPARE_PASSWORD are not; without any of them it is "
            "asked for at the terminal.\n";
    text += exitStatusHelp;
    return text;
}

} // namespace

ParsedCommand parseArguments(const std::vector<std::string>& arguments) {
    ParsedCommand parsed;
    if (arguments.empty())
        throw CommandLineError("give a subcommand: " + subcommandList());
    const std::string& first = arguments[0];
    if (first == "--help" || first == "-h") {
        parsed.helpText = programHelp();
        return parsed;
    }
    if (first == "--version") {
        parsed.subcommand = Subcommand::Version;
        return parsed;
    }
    auto sub = std::find_if(subcommands().begin(), subcommands().end(),
                            [&](const auto& s) { return s.name == first; });
    if (sub == subcommands().end()) {
        if (looksLikeOption(first))
            throw CommandLineError("argument 1 is an option; the subcommand (" + subcommandList() +
                                   ") comes first");
        throw CommandLineError("argument 1 is not a subcommand; the subcommands are " +
                               subcommandList());
    }
    parsed.subcommand = sub->subcommand;
    const std::string context = std::string(sub->name) + ": ";

    std::vector<Option> seen;
    bool sqlGiven = false;
    bool onlyPositionals = false;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (!onlyPositionals && argument == "--") {
            onlyPositionals = true;
            continue;
        }
        if (onlyPositionals || !looksLikeOption(argument)) {
            if (sub->positional.empty() || sqlGiven)
                throw CommandLineError(context + argumentNumber(i) + " is not expected" +
                                       (sqlGiven ? "; give the command text as one argument" : ""));
            parsed.sql = argument;
            sqlGiven = true;
            continue;
        }
        const OptionSpec* known = findOption(argument);
        if (!known)
            throw CommandLineError(context + argumentNumber(i) + " is not an option of " +
                                   std::string(sub->name) + suggestion(*sub, argument));
        const std::string name = optionName(*known);
        if (!accepts(*sub, known->option))
            throw CommandLineError(context + "option " + name + " does not apply to " +
                                   std::string(sub->name) + " (" + argumentNumber(i) + ")");
        if (known->option == Option::Help) {
            parsed.subcommand = Subcommand::Help;
            parsed.helpText = subcommandHelp(*sub);
            return parsed;
        }
        if (std::find(seen.begin(), seen.end(), known->option) != seen.end())
            throw CommandLineError(context + "option " + name + " is given twice (" +
                                   argumentNumber(i) + ")");
        seen.push_back(known->option);

        // The value: after "=" of a long option, the rest of a short one
        // ("-Psecret"), or the next argument unless that is one of the
        // program's options (then the value was left out: "-U -P s").
        std::optional<std::string> value;
        const bool isLong = argument.substr(0, 2) == "--";
        if (isLong && argument.find('=') != std::string::npos)
            value = argument.substr(argument.find('=') + 1);
        else if (!isLong && argument.size() > 2)
            value = argument.substr(2);
        if (known->valueName.empty()) {
            if (value)
                throw CommandLineError(context + "option " + name + " takes no value (" +
                                       argumentNumber(i) + ")");
            setOption(parsed, *known, {}, i);
            continue;
        }
        if (!value) {
            const bool nextIsOption = i + 1 < arguments.size() &&
                                      looksLikeOption(arguments[i + 1]) &&
                                      findOption(arguments[i + 1]) != nullptr;
            if (i + 1 >= arguments.size() || nextIsOption)
                throw CommandLineError(context + "option " + name + " needs a value (" +
                                       argumentNumber(i) + ")");
            value = arguments[++i];
        }
        setOption(parsed, *known, *value, i);
    }

    if (parsed.connection.passwordGiven && !parsed.connection.passwordFile.empty())
        throw CommandLineError(context + "give the password with -P or --password-file, not both");
    checkIntegratedLogin(seen, context);
    checkManyTargets(parsed, seen, context);
    if (parsed.subcommand == Subcommand::ExecOne) {
        if (sqlGiven && !parsed.inputFile.empty())
            throw CommandLineError(context + "give the command text or -i FILE, not both");
        if (!sqlGiven && parsed.inputFile.empty())
            throw CommandLineError(context + "give the command text or -i FILE");
        if (sqlGiven && parsed.sql.find_first_not_of(" \t\r\n") == std::string::npos)
            throw CommandLineError(context + "the command text is empty");
    }
    return parsed;
}

} // namespace dbc::cli
