#include "compare/catalog_diff.h"

#include "catalog/name_key.h"
#include "data/sql_text.h"

#include <algorithm>
#include <string>

namespace dbc {

namespace {

// The rows concatenated as they are: the statement that re-creates the object.
std::string joinedText(const std::vector<std::string>& rows) {
    std::string text;
    for (const std::string& row : rows)
        text.append(row);
    return text;
}

// The form in which two texts are compared: every row trimmed of bytes of
// value 32 or below at both ends, the rows concatenated, then the ASCII
// capitals lowered. Texts differing only in letter case or in white space at
// row edges have the same form; one blank more inside a row does not.
std::string comparisonForm(const std::vector<std::string>& rows) {
    std::string trimmed;
    for (const std::string& row : rows)
        trimmed.append(trimControl(row));
    return nameKey(trimmed);
}

} // namespace

std::vector<std::string> modulesToAsk(const std::vector<ModuleText>& snapshot) {
    std::vector<std::string> names;
    for (const ModuleText& stored : snapshot) {
        // Without stored rows there is nothing to re-create the object from.
        if (!stored.rows.empty())
            names.push_back(stored.name);
    }
    return names;
}

void diffModules(const ObjectKind& kind, const std::vector<ModuleText>& snapshot,
                 const std::vector<TargetModule>& target, ChangeList& out) {
    std::size_t answer = 0;
    for (const ModuleText& stored : snapshot) {
        if (stored.rows.empty())
            continue;
        if (answer == target.size())
            break;
        const TargetModule& found = target[answer++];
        CreateModule create{&kind, stored.name, joinedText(stored.rows)};
        if (!found.exists) {
            out.push_back({std::move(create), true});
            continue;
        }
        if (found.text && comparisonForm(stored.rows) == comparisonForm(*found.text))
            continue;
        out.push_back({DropModule{&kind, stored.name, !found.text}, true});
        if (found.text)
            create.targetText = joinedText(*found.text);
        out.push_back({std::move(create), true});
    }
}

} // namespace dbc
