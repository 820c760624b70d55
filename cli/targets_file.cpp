#include "cli/targets_file.h"

#include "catalog/name_key.h"
#include "data/sql_server_connection.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

namespace dbc::cli {

namespace {

// The words of one line; nothing after a "#" outside quotes.
std::vector<std::string> words(const std::string& line, const std::string& where) {
    std::vector<std::string> result;
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == ' ' || c == '\t') {
            ++i;
            continue;
        }
        if (c == '#')
            break;
        std::string word;
        bool quoted = false;
        while (i < line.size()) {
            const char d = line[i];
            if (quoted) {
                if (d == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                    word += '"';
                    i += 2;
                    continue;
                }
                if (d == '"')
                    quoted = false;
                else
                    word += d;
                ++i;
                continue;
            }
            if (d == ' ' || d == '\t')
                break;
            if (d == '"')
                quoted = true;
            else
                word += d;
            ++i;
        }
        if (quoted)
            throw TargetsFileError(where + ": a double quote is not closed");
        result.push_back(std::move(word));
    }
    return result;
}

enum class Field { None, Server, Database, User, Password, Encrypt, Trust, Integrated };

bool isFlag(Field field) {
    return field == Field::Trust || field == Field::Integrated;
}

std::string fieldName(Field field) {
    switch (field) {
    case Field::Server:
        return "-S";
    case Field::Database:
        return "-d";
    case Field::User:
        return "-U";
    case Field::Encrypt:
        return "--encrypt";
    case Field::Trust:
        return "-C";
    case Field::Integrated:
        return "-E";
    case Field::Password:
    case Field::None:
        break;
    }
    return "-P";
}

// The option a word names and the value attached to it, if any.
Field fieldOf(const std::string& word, std::string& attached, bool& hasAttached) {
    static const std::pair<const char*, Field> longNames[] = {
        {"--server", Field::Server},
        {"--database", Field::Database},
        {"--user", Field::User},
        {"--password", Field::Password},
        {"--encrypt", Field::Encrypt},
        {"--trust-server-certificate", Field::Trust},
        {"--integrated", Field::Integrated}};
    hasAttached = false;
    for (const auto& [name, field] : longNames) {
        const std::string prefix = name;
        if (word == prefix)
            return field;
        if (word.rfind(prefix + "=", 0) == 0) {
            attached = word.substr(prefix.size() + 1);
            hasAttached = true;
            return field;
        }
    }
    if (word.size() >= 2 && word[0] == '-' && word[1] != '-') {
        const Field field = word[1] == 'S'   ? Field::Server
                            : word[1] == 'd' ? Field::Database
                            : word[1] == 'U' ? Field::User
                            : word[1] == 'P' ? Field::Password
                            : word[1] == 'C' ? Field::Trust
                            : word[1] == 'E' ? Field::Integrated
                                             : Field::None;
        if (field != Field::None && word.size() > 2) {
            attached = word.substr(2);
            hasAttached = true;
        }
        return field;
    }
    return Field::None;
}

TargetLine parseLine(const std::vector<std::string>& ws, const std::string& where) {
    TargetLine target;
    std::set<Field> seen;
    for (std::size_t i = 0; i < ws.size(); ++i) {
        std::string value;
        bool hasValue = false;
        const Field field = fieldOf(ws[i], value, hasValue);
        const std::string wordNumber = "word " + std::to_string(i + 1);
        if (field == Field::Password)
            throw TargetsFileError(where + ": passwords are not taken from the targets file; "
                                           "give them with --passwords FILE or "
                                           "DBCOMPARE_PASSWORD");
        if (field == Field::None)
            throw TargetsFileError(where + ": " + wordNumber +
                                   " is not -S, -d or -U; a line holds one target as "
                                   "-S server -d database -U user");
        if (!seen.insert(field).second)
            throw TargetsFileError(where + ": " + fieldName(field) + " is given twice");
        if (isFlag(field)) {
            if (hasValue)
                throw TargetsFileError(where + ": " + fieldName(field) + " takes no value");
            (field == Field::Trust ? target.trustServerCertificate : target.integratedLogin) = true;
            continue;
        }
        if (!hasValue) {
            if (i + 1 >= ws.size())
                throw TargetsFileError(where + ": " + wordNumber + " needs a value");
            value = ws[++i];
        }
        switch (field) {
        case Field::Server:
            if (value.empty())
                throw TargetsFileError(where + ": the server (-S) is empty");
            target.server = value;
            break;
        case Field::Database:
            if (isBlankDatabaseName(value))
                throw TargetsFileError(where + ": the database name (-d) is empty");
            target.database = value;
            break;
        case Field::User:
            target.user = value;
            break;
        case Field::Encrypt:
            target.encryption = encryptionNamed(value);
            if (!target.encryption)
                throw TargetsFileError(where + ": --encrypt takes yes, no or strict");
            break;
        case Field::Password:
        case Field::Trust:
        case Field::Integrated:
        case Field::None:
            break;
        }
    }
    if (seen.count(Field::Integrated) && seen.count(Field::User))
        throw TargetsFileError(where + ": -U does not go with -E: an integrated login sends no "
                                       "login name");
    return target;
}

} // namespace

ConnectionSecurity securityFor(const TargetLine& target, const ConnectionSecurity& commandLine) {
    ConnectionSecurity security = commandLine;
    if (target.encryption)
        security.encryption = *target.encryption;
    security.trustServerCertificate =
        security.trustServerCertificate || target.trustServerCertificate;
    security.integratedLogin = security.integratedLogin || target.integratedLogin;
    return security;
}

std::vector<TargetLine> parseTargets(const std::string& text, const std::string& fileName) {
    std::vector<TargetLine> targets;
    std::set<std::pair<std::string, std::string>> seen;
    std::istringstream lines(text);
    std::string line;
    std::size_t number = 0;
    while (std::getline(lines, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::string where = fileName + " line " + std::to_string(number);
        const auto ws = words(line, where);
        if (ws.empty())
            continue;
        TargetLine target = parseLine(ws, where);
        target.lineNumber = number;
        // Server and database names are matched as SQL Server matches them,
        // letter case aside: the same database twice would write one file twice.
        if (!seen.insert({nameKey(target.server), nameKey(target.database)}).second)
            throw TargetsFileError(where + ": database '" + target.database + "' on server '" +
                                   target.server + "' is listed before");
        targets.push_back(std::move(target));
    }
    if (targets.empty())
        throw TargetsFileError(fileName + ": lists no target; give one a line as "
                                          "-S server -d database -U user");
    return targets;
}

std::vector<TargetLine> readTargetsFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw TargetsFileError("cannot read the targets file " + path.string() + ": " +
                               std::strerror(errno));
    std::ostringstream content;
    content << in.rdbuf();
    return parseTargets(content.str(), path.string());
}

} // namespace dbc::cli
