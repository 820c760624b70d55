#include "compare/catalog_diff.h"

#include "compare/module_header.h"
#include "data/sql_names.h"

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

// The form in which two texts are compared: the text as it is, but for the
// line-end style (CR LF read as LF), the blanks and tabs at the end of
// each line, and the blank lines after the last. Letter case, blanks inside or at the start of a
// line, and every line break count: "--" + line break + "WHERE" is not
// "--WHERE".
std::string comparisonForm(std::string_view text) {
    std::string form;
    form.reserve(text.size());
    auto dropLineEndBlanks = [&form] {
        while (!form.empty() && (form.back() == ' ' || form.back() == '\t'))
            form.pop_back();
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        if (c == '\n')
            dropLineEndBlanks();
        form += c;
    }
    // Line ends after the last line are no part of the text either: a query
    // tool sends the line end before its "GO" with the batch, so an object
    // created from a script file ends in one more than its source.
    while (!form.empty() && (form.back() == ' ' || form.back() == '\t' || form.back() == '\n' ||
                             form.back() == '\r'))
        form.pop_back();
    return form;
}

// The same object's two texts say the same, also when the header of either
// names the object under an earlier name (sp_rename leaves the text alone).
bool sameText(const std::string& name, const std::string& stored, const std::string& found) {
    if (comparisonForm(stored) == comparisonForm(found))
        return true;
    const std::optional<std::string> storedUnderName = textUnderName(stored, name);
    const std::optional<std::string> foundUnderName = textUnderName(found, name);
    return storedUnderName && foundUnderName &&
           comparisonForm(*storedUnderName) == comparisonForm(*foundUnderName);
}

const char* singular(const ObjectKind& kind) {
    switch (kind.id) {
    case ObjectKind::Procedure:
        return "procedure";
    case ObjectKind::View:
        return "view";
    case ObjectKind::Function:
        return "function";
    case ObjectKind::Trigger:
        break;
    }
    return "trigger";
}

UnscriptedChange unreadableHeader(const ObjectKind& kind, const std::string& name) {
    return {sqlName(name), std::string("not re-created: the snapshot's text of this ") +
                               singular(kind) +
                               " does not begin with a CREATE statement naming it that can be "
                               "read; the target's object is left as it is"};
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
        const std::string storedText = joinedText(stored.rows);
        if (found.exists && found.text &&
            sameText(stored.name, storedText, joinedText(*found.text)))
            continue;
        // Created under the object's own name, never under the one an
        // earlier sp_rename left in its text; a header that cannot be read
        // leaves the target's object alone rather than drop one and create
        // another.
        std::optional<std::string> text = textUnderName(storedText, stored.name);
        if (!text) {
            // After a "Go" like the statements around it, so that in a file
            // run by a query tool it is no part of the previous object's text.
            out.push_back({unreadableHeader(kind, stored.name), true});
            continue;
        }
        CreateModule create{&kind, stored.name, std::move(*text)};
        if (found.exists)
            out.push_back({DropModule{&kind, stored.name, !found.text}, true});
        if (found.text)
            create.targetText = joinedText(*found.text);
        out.push_back({std::move(create), true});
    }
}

} // namespace dbc
