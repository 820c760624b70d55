#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dbc {

// Quotes `value` by ODBC's rule: enclosed in braces with every "}" doubled,
// so that ";", "=", "{", "}" and blanks are part of the value. This is how
// unixODBC and Microsoft's drivers read a value.
std::string quoteOdbcValue(const std::string& value);

// The attribute/value pairs unixODBC's driver manager reads from a
// connection string: a braced value runs to the first "}" that is not
// doubled ("}}" stands for "}"), any other value to the next ";". Keywords
// are kept as written (the manager compares them ignoring case).
std::vector<std::pair<std::string, std::string>> parseAsUnixOdbc(std::string_view text);

// Builds a connection string for the FreeTDS driver behind unixODBC.
//
// FreeTDS 1.3 reads a braced value up to the first "};" and keeps "}}"
// doubled; unixODBC undoubles "}}" and stops at a single "}". Each value is
// written in a form FreeTDS reads back exactly: "{value}" when it holds no
// "}" (both agree), the bare value when it holds no ";" and does not begin
// with "{" (both agree), else "{value}" unchanged when it holds no "};".
// In that last form unixODBC misreads the value, so the finished string is
// checked with parseAsUnixOdbc(): the manager must see no attribute but
// those written here (at most stray pairs whose keyword is not a name).
// A value that cannot be passed is refused with DatabaseError naming it.
class FreeTdsConnectionString {
public:
    explicit FreeTdsConnectionString(const std::string& driverName);

    // Adds NAME=value; `what` names the value in errors ("the password").
    void add(std::string_view name, const std::string& value, const std::string& what);
    // Adds text that needs no quoting ("ClientCharset=UTF-8;").
    void addRaw(std::string_view text);

    // The checked string.
    std::string finish() const;

private:
    std::string m_text;
    std::vector<std::string> m_names;    // keywords written, in order
    std::vector<std::string> m_doubtful; // `what` of values unixODBC misreads
};

} // namespace dbc
