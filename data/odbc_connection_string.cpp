#include "data/odbc_connection_string.h"

#include "data/database_error.h"
#include "data/result.h"

namespace dbc {

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// A keyword the driver manager could act on: letters, digits, "_" and
// blanks only (DRIVER, DSN, FILEDSN, SAVEFILE, ...).
bool isName(std::string_view keyword) {
    bool anyLetter = false;
    for (char c : keyword) {
        bool letter =
            (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
        if (!letter && !isSpace(c))
            return false;
        anyLetter = anyLetter || letter;
    }
    return anyLetter;
}

std::string trimmed(std::string_view text) {
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return std::string(text);
}

} // namespace

std::string quoteOdbcValue(const std::string& value) {
    std::string quoted = "{";
    for (char c : value) {
        quoted += c;
        if (c == '}')
            quoted += '}';
    }
    quoted += '}';
    return quoted;
}

std::vector<std::pair<std::string, std::string>> parseAsUnixOdbc(std::string_view text) {
    std::vector<std::pair<std::string, std::string>> pairs;
    std::size_t pos = 0;
    for (;;) {
        while (pos < text.size() && (isSpace(text[pos]) || text[pos] == ';'))
            ++pos;
        std::size_t equals = text.find('=', pos);
        if (pos >= text.size() || equals == std::string_view::npos)
            return pairs;
        std::string keyword(text.substr(pos, equals - pos));
        pos = equals + 1;
        std::string value;
        if (pos < text.size() && text[pos] == '{') {
            ++pos;
            while (pos < text.size() &&
                   (text[pos] != '}' || (pos + 1 < text.size() && text[pos + 1] == '}'))) {
                if (text[pos] == '}')
                    ++pos;
                value += text[pos++];
            }
            if (pos < text.size())
                ++pos; // the closing brace
        } else {
            std::size_t end = text.find(';', pos);
            if (end == std::string_view::npos)
                end = text.size();
            value = std::string(text.substr(pos, end - pos));
            pos = end;
        }
        pairs.emplace_back(std::move(keyword), std::move(value));
    }
}

FreeTdsConnectionString::FreeTdsConnectionString(const std::string& driverName) {
    // The driver manager reads DRIVER itself, by ODBC's rule; FreeTDS reads
    // the string again and would end a braced value at its first "};",
    // taking what follows as settings.
    if (driverName.find("};") != std::string::npos || driverName.find('\0') != std::string::npos)
        throw DatabaseError("the driver name cannot be passed to the FreeTDS ODBC driver: it "
                            "contains \"};\" or a NUL character");
    m_text = "DRIVER=" + quoteOdbcValue(driverName) + ";";
    m_names.push_back("DRIVER");
}

void FreeTdsConnectionString::add(std::string_view name, const std::string& value,
                                  const std::string& what) {
    if (value.find('\0') != std::string::npos)
        throw DatabaseError(what + " contains a NUL character");
    std::string form;
    if (value.find('}') == std::string::npos) {
        form = "{" + value + "}";
    } else if (value.find(';') == std::string::npos && value.front() != '{') {
        form = value;
    } else if (value.find("};") == std::string::npos) {
        form = "{" + value + "}";
        m_doubtful.push_back(what);
    } else {
        throw DatabaseError(what +
                            " cannot be passed to the FreeTDS ODBC driver: it contains \"};\"");
    }
    m_text += std::string(name) + "=" + form + ";";
    m_names.emplace_back(name);
}

void FreeTdsConnectionString::addRaw(std::string_view text) {
    m_text += text;
    for (const auto& [keyword, value] : parseAsUnixOdbc(text))
        m_names.push_back(trimmed(keyword));
}

std::string FreeTdsConnectionString::finish() const {
    if (m_doubtful.empty())
        return m_text;
    // Every name the manager sees must be one written here, in order.
    std::size_t next = 0;
    bool sound = true;
    for (const auto& [keyword, value] : parseAsUnixOdbc(m_text)) {
        if (!isName(keyword))
            continue;
        if (next < m_names.size() && equalsIgnoringCase(trimmed(keyword), m_names[next]))
            ++next;
        else
            sound = false;
    }
    if (sound)
        return m_text;
    std::string names;
    for (std::size_t i = 0; i < m_doubtful.size(); ++i)
        names += (i ? (i + 1 == m_doubtful.size() ? " or " : ", ") : "") + m_doubtful[i];
    throw DatabaseError(names + " cannot be passed to the FreeTDS ODBC driver: together its "
                                "\"}\" and \";\" would let the driver manager read a setting "
                                "out of it");
}

} // namespace dbc
