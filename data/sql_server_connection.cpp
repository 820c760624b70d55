#include "sql_server_connection.h"

#include "database_error.h"
#include "odbc_connection.h"
#include "result.h"

#include <cstdlib>
#include <string_view>

namespace dbc {

namespace {

constexpr const char* kDefaultDriver = "FreeTDS";
constexpr const char* kLocalHost = "127.0.0.1";

bool containsIgnoringCase(std::string_view text, std::string_view part) {
    if (part.size() > text.size())
        return false;
    for (std::size_t i = 0; i + part.size() <= text.size(); ++i) {
        if (equalsIgnoringCase(text.substr(i, part.size()), part))
            return true;
    }
    return false;
}

bool isFreeTds(std::string_view driverName) {
    return containsIgnoringCase(driverName, "freetds") ||
           containsIgnoringCase(driverName, "tdsodbc");
}

// "." and "(local)" are SQL Server's names for this machine.
std::string hostName(std::string_view host) {
    if (host == "." || equalsIgnoringCase(host, "(local)"))
        return kLocalHost;
    return std::string(host);
}

// Builds NAME=value; with the quoting the driver reads.
class AttributeWriter {
public:
    explicit AttributeWriter(bool freeTds) : m_freeTds(freeTds) {}

    void add(std::string_view name, const std::string& value, const std::string& what) {
        if (value.find('\0') != std::string::npos)
            throw DatabaseError(what + " contains a NUL character");
        m_text += std::string(name) + "=" +
                  (m_freeTds ? quoteFreeTdsValue(value, what) : quoteOdbcValue(value)) + ";";
    }
    void addRaw(std::string_view text) { m_text += text; }
    const std::string& text() const noexcept { return m_text; }

private:
    bool m_freeTds;
    std::string m_text;
};

// SERVER (and PORT) for FreeTDS from the server box.
void addFreeTdsServer(AttributeWriter& out, std::string_view server) {
    const std::string what = "the server name";
    if (server.size() > 4 && equalsIgnoringCase(server.substr(0, 4), "tcp:"))
        server.remove_prefix(4);
    auto comma = server.rfind(',');
    if (comma != std::string_view::npos) {
        out.add("SERVER", hostName(server.substr(0, comma)), what);
        out.add("PORT", std::string(server.substr(comma + 1)), what);
        return;
    }
    auto backslash = server.find('\\');
    if (backslash != std::string_view::npos) {
        out.add("SERVER",
                hostName(server.substr(0, backslash)) + std::string(server.substr(backslash)),
                what);
        return;
    }
    out.add("SERVER", hostName(server), what);
}

} // namespace

std::string sqlServerDriverName() {
    const char* value = std::getenv("DBCOMPARE_ODBC_DRIVER");
    if (value && *value)
        return value;
    return kDefaultDriver;
}

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

std::string quoteFreeTdsValue(const std::string& value, const std::string& what) {
    if (value.find('}') == std::string::npos)
        return "{" + value + "}";
    if (value.find(';') == std::string::npos && value.front() != '{')
        return value;
    throw DatabaseError(what +
                        " cannot be passed to the FreeTDS ODBC driver: it contains \"}\" together "
                        "with \";\" or a leading \"{\"");
}

std::string odbcConnectionString(const ConnectionProperties& properties,
                                 const std::string& driverName) {
    bool freeTds = isFreeTds(driverName);
    // The driver manager reads DRIVER itself, by ODBC's rule.
    AttributeWriter out(freeTds);
    out.addRaw("DRIVER=" + quoteOdbcValue(driverName) + ";");
    if (freeTds)
        addFreeTdsServer(out, properties.server);
    else
        out.add("SERVER", properties.server, "the server name");
    out.add("DATABASE", properties.database, "the database name");
    out.add("UID", properties.user, "the user name");
    out.add("PWD", properties.password, "the password");
    if (freeTds)
        out.addRaw("ClientCharset=UTF-8;TDS_Version=7.4;");
    return out.text();
}

std::unique_ptr<Connection> connectSqlServer(const ConnectionProperties& properties) {
    return std::make_unique<OdbcConnection>(
        odbcConnectionString(properties, sqlServerDriverName()));
}

} // namespace dbc
