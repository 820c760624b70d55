#include "compare/definition_form.h"

#include "compare/release_neutral_form.h"
#include "data/sql_text.h"
#include "script/expression_text.h"

namespace dbc {

namespace {

// True when the "(" at the start of `text` is closed by the ")" at its end.
bool wrappedWhole(std::string_view text) {
    if (text.size() < 2 || text.front() != '(' || text.back() != ')')
        return false;
    int depth = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\'' || c == '[') {
            // A literal or bracketed name: up to its unescaped end.
            const char end = c == '\'' ? '\'' : ']';
            for (++i; i < text.size(); ++i) {
                if (text[i] == end) {
                    if (i + 1 < text.size() && text[i + 1] == end)
                        ++i;
                    else
                        break;
                }
            }
            if (i >= text.size())
                return false;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')' && --depth == 0) {
            return i + 1 == text.size();
        }
    }
    return false;
}

thread_local bool t_acrossReleases = false;

} // namespace

DefinitionFormScope::DefinitionFormScope(bool acrossReleases) noexcept
    : m_previous(t_acrossReleases) {
    t_acrossReleases = acrossReleases;
}

DefinitionFormScope::~DefinitionFormScope() {
    t_acrossReleases = m_previous;
}

std::string comparedDefinition(std::string_view definition) {
    return t_acrossReleases ? releaseNeutralForm(definition) : std::string(trimControl(definition));
}

std::string comparedExpression(std::string_view definition) {
    return t_acrossReleases ? releaseNeutralForm(definition) : bareExpression(definition);
}

std::string definitionForm(std::string_view definition) {
    std::string_view form = trimControl(definition);
    while (wrappedWhole(form))
        form = trimControl(form.substr(1, form.size() - 2));
    return std::string(form);
}

} // namespace dbc
