#pragma once

#include <string>
#include <string_view>

namespace dbc {

// The form in which two default or CHECK definitions are compared: control
// bytes and blanks at both ends aside, and without the
// parentheses that wrap the whole definition. SQL Server 2000 keeps a
// definition as written ("(0)"), 2005 and later in a form of their own
// ("((0))"): both read the same here, so a snapshot of one release compares
// with a target of the other. Parentheses inside string literals and
// bracketed names are text, not grouping.
std::string definitionForm(std::string_view definition);

// The form a compare run compares default and CHECK definitions and index
// filters in: releaseNeutralForm when the run's snapshot or target comes from
// SQL Server 2005 or later (a DefinitionFormScope says so), so that the same
// definition kept by either release compares equal; else the definition as
// the server keeps it, control bytes and blanks at both ends aside, as SQL
// Server 2000 always was compared.
std::string comparedDefinition(std::string_view definition);

// The form a compare run compares computed column definitions in:
// releaseNeutralForm across releases as above, else bareExpression.
std::string comparedExpression(std::string_view definition);

class DefinitionFormScope {
public:
    explicit DefinitionFormScope(bool acrossReleases) noexcept;
    ~DefinitionFormScope();
    DefinitionFormScope(const DefinitionFormScope&) = delete;
    DefinitionFormScope& operator=(const DefinitionFormScope&) = delete;

private:
    bool m_previous;
};

} // namespace dbc
