// CREATE DATABASE with its files, DROP DATABASE, ALTER DATABASE, and the
// arguments of the system procedures on logins, users and roles.

#include "testserver/engine/command_parser.h"
#include "testserver/engine/name_collation.h"

#include <array>
#include <cmath>

namespace testserver {

namespace {

std::string valueOf(const Token& token) {
    return token.isString() || token.kind == TokenKind::QuotedName ? token.value : token.text;
}

// A size in 8-KB pages: n [KB | MB | GB | TB], megabytes when no unit is written.
long long pages(TokenCursor& cursor, bool* percent = nullptr) {
    const Token& number = cursor.next();
    if (number.kind != TokenKind::Number)
        throw TokenCursor::unexpected(number);
    double amount = std::stod(number.text);
    double perPage = 128; // MB
    if (percent && cursor.acceptSymbol("%")) {
        *percent = true;
        return static_cast<long long>(amount);
    }
    if (cursor.accept("kb"))
        perPage = 1.0 / 8;
    else if (cursor.accept("gb"))
        perPage = 128.0 * 1024;
    else if (cursor.accept("tb"))
        perPage = 128.0 * 1024 * 1024;
    else
        cursor.accept("mb");
    if (percent)
        *percent = false;
    return static_cast<long long>(std::ceil(amount * perPage));
}

struct FileOptions {
    DatabaseFileSpec file;
    bool nameGiven = false;
    bool filenameGiven = false;
    bool sizeGiven = false;
    bool maxsizeGiven = false;
    bool growthGiven = false;
};

// ( [NAME = n,] FILENAME = 'f' [, SIZE = s] [, MAXSIZE = {m | UNLIMITED}] [, FILEGROWTH = g] )
FileOptions fileSpec(TokenCursor& cursor) {
    FileOptions options;
    cursor.expectSymbol("(");
    do {
        const Token& option = cursor.next();
        cursor.expectSymbol("=");
        if (option.is("name")) {
            options.file.name = valueOf(cursor.next());
            options.nameGiven = true;
        } else if (option.is("filename")) {
            const Token& file = cursor.next();
            if (!file.isString())
                throw TokenCursor::unexpected(file);
            options.file.filename = file.value;
            options.filenameGiven = true;
        } else if (option.is("size")) {
            options.file.size = pages(cursor);
            options.sizeGiven = true;
        } else if (option.is("maxsize")) {
            options.file.maxsize = cursor.accept("unlimited") ? -1 : pages(cursor);
            options.maxsizeGiven = true;
        } else if (option.is("filegrowth")) {
            options.file.growth = pages(cursor, &options.file.growthInPercent);
            options.growthGiven = true;
        } else if (option.is("newname")) {
            throw messages::notSupported("renaming a database file");
        } else {
            throw TokenCursor::unexpected(option);
        }
    } while (cursor.acceptSymbol(","));
    cursor.expectSymbol(")");
    return options;
}

DatabaseFileSpec declaredFile(TokenCursor& cursor, const std::string& database, bool log,
                              int groupid) {
    FileOptions options = fileSpec(cursor);
    if (!options.filenameGiven)
        throw ServerError(messages::make(
            5105, 16, "Device activation error. The physical file name '' may be incorrect."));
    if (!options.nameGiven)
        options.file.name = log ? database + "_log" : database;
    options.file.log = log;
    options.file.groupid = log ? 0 : groupid;
    return options.file;
}

// ALTER DATABASE ... SET options as the sp_dboption options they stand for.
void setOption(TokenCursor& cursor, AlterDatabase& alter) {
    const Token& option = cursor.next();
    auto add = [&](std::string name, bool on) {
        alter.options.push_back(DatabaseOption{alter.name, std::move(name), on});
    };
    auto onOff = [&]() {
        if (cursor.accept("on"))
            return true;
        cursor.expect("off");
        return false;
    };
    struct Switch {
        std::string_view keyword;
        std::string_view option;
    };
    static constexpr std::array<Switch, 15> kSwitches{{
        {"auto_close", "autoclose"},
        {"auto_create_statistics", "auto create statistics"},
        {"auto_shrink", "autoshrink"},
        {"auto_update_statistics", "auto update statistics"},
        {"cursor_close_on_commit", "cursor close on commit"},
        {"torn_page_detection", "torn page detection"},
        {"ansi_null_default", "ANSI null default"},
        {"ansi_nulls", "ANSI nulls"},
        {"ansi_padding", "ANSI padding"},
        {"ansi_warnings", "ANSI warnings"},
        {"arithabort", "arithabort"},
        {"concat_null_yields_null", "concat null yields null"},
        {"numeric_roundabort", "numeric roundabort"},
        {"quoted_identifier", "quoted identifier"},
        {"recursive_triggers", "recursive triggers"},
    }};
    for (const Switch& candidate : kSwitches)
        if (option.is(candidate.keyword)) {
            add(std::string(candidate.option), onOff());
            return;
        }
    if (option.is("db_chaining")) {
        add("db chaining", onOff());
    } else if (option.is("single_user")) {
        add("single user", true);
    } else if (option.is("restricted_user")) {
        add("dbo use only", true);
    } else if (option.is("multi_user")) {
        add("single user", false);
        add("dbo use only", false);
    } else if (option.is("offline") || option.is("online")) {
        add("offline", option.is("offline"));
    } else if (option.is("read_only") || option.is("read_write")) {
        add("read only", option.is("read_only"));
    } else if (option.is("cursor_default")) {
        if (cursor.accept("local"))
            add("default to local cursor", true);
        else if (cursor.accept("global"))
            add("default to local cursor", false);
        else
            throw cursor.unexpected();
    } else if (option.is("recovery")) {
        // SIMPLE truncates the log on checkpoint; BULK_LOGGED allows
        // minimally logged bulk copy; FULL neither.
        if (cursor.accept("simple")) {
            add("trunc. log on chkpt.", true);
            add("select into/bulkcopy", false);
        } else if (cursor.accept("bulk_logged")) {
            add("trunc. log on chkpt.", false);
            add("select into/bulkcopy", true);
        } else {
            cursor.expect("full");
            add("trunc. log on chkpt.", false);
            add("select into/bulkcopy", false);
        }
    } else {
        throw TokenCursor::unexpected(option);
    }
}

} // namespace

Command parseDatabaseStatement(TokenCursor& cursor) {
    const Token& verb = cursor.next();
    cursor.expect("database");
    if (verb.is("drop")) {
        DropDatabase drop;
        do {
            drop.names.push_back(cursor.name());
        } while (cursor.acceptSymbol(","));
        cursor.expectEnd();
        return Command{drop, 1};
    }
    if (verb.is("alter")) {
        AlterDatabase alter;
        alter.name = cursor.name();
        if (cursor.accept("set")) {
            do {
                setOption(cursor, alter);
            } while (cursor.acceptSymbol(","));
            if (cursor.accept("with")) {
                // How other users' transactions end: there are none to end here.
                if (cursor.accept("rollback")) {
                    if (!cursor.accept("immediate")) {
                        cursor.expect("after");
                        cursor.integer();
                        cursor.accept("seconds");
                    }
                } else {
                    cursor.expect("no_wait");
                }
            }
        } else if (cursor.accept("modify") && cursor.peek().is("file")) {
            cursor.next();
            FileOptions options = fileSpec(cursor);
            if (!options.nameGiven)
                throw ServerError(messages::make(
                    5035, 16, "ALTER DATABASE MODIFY FILE requires the NAME of the file."));
            if (options.filenameGiven)
                throw messages::notSupported("moving a database file (MODIFY FILE ... FILENAME)");
            alter.modifiedFile = options.file;
            alter.sizeGiven = options.sizeGiven;
            alter.maxsizeGiven = options.maxsizeGiven;
            alter.growthGiven = options.growthGiven;
        } else {
            throw messages::notSupported("ALTER DATABASE other than SET options and MODIFY FILE");
        }
        cursor.expectEnd();
        return Command{alter, 1};
    }
    CreateDatabase create;
    create.name = cursor.name();
    if (cursor.accept("on")) {
        cursor.accept("primary");
        int groupid = 1;
        do {
            if (cursor.accept("filegroup")) {
                create.filegroups.push_back({++groupid, cursor.name()});
            }
            create.files.push_back(declaredFile(cursor, create.name, false, groupid));
        } while (cursor.acceptSymbol(","));
    }
    if (cursor.accept("log")) {
        cursor.expect("on");
        do {
            create.files.push_back(declaredFile(cursor, create.name, true, 0));
        } while (cursor.acceptSymbol(","));
    }
    if (cursor.accept("collate"))
        create.collation = cursor.name();
    if (cursor.accept("for")) {
        if (cursor.peek().is("attach") || cursor.peek().is("load"))
            throw messages::notSupported("CREATE DATABASE ... FOR " +
                                         asciiLower(cursor.peek().text) +
                                         ": the test server attaches no database files");
        throw cursor.unexpected();
    }
    cursor.expectEnd();
    return Command{create, 1};
}

// [@name =] value, ...: text, numbers and bare words as text, NULL as nothing,
// DEFAULT as an argument not given.
Command parseServerProcedure(TokenCursor& cursor, const std::string& procedure) {
    ServerProcedure call;
    call.procedure = asciiLower(procedure);
    while (!cursor.atEnd()) {
        if (!call.arguments.empty())
            cursor.expectSymbol(",");
        ProcedureArgument argument;
        if (cursor.peek().isWord() && cursor.peek().text.front() == '@') {
            if (!cursor.hasAhead(1) || !cursor.peek(1).isSymbol("="))
                throw ServerError(
                    messages::make(137, 15,
                                   "Must declare the variable '" + cursor.peek().text + "'."),
                    true);
            argument.name = asciiLower(cursor.next().text.substr(1));
            cursor.expectSymbol("=");
        }
        const Token& value = cursor.next();
        if (value.is("null")) {
        } else if (value.is("default")) {
            argument.defaulted = true;
        } else if (value.isString() || value.kind == TokenKind::QuotedName ||
                   value.kind == TokenKind::Number || value.isWord()) {
            argument.value = valueOf(value);
        } else {
            throw TokenCursor::unexpected(value);
        }
        call.arguments.push_back(std::move(argument));
    }
    return Command{call, 1};
}

} // namespace testserver
