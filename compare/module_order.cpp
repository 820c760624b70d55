#include "compare/module_order.h"

#include "catalog/name_key.h"
#include "data/object_name.h"

#include <algorithm>
#include <functional>
#include <queue>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace dbc {

namespace {

// A byte that may go on a regular identifier: letters (every byte of a
// character above U+007F counts), digits, _ @ # $.
bool continuesIdentifier(char c) noexcept {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
           (c >= '0' && c <= '9') || c == '_' || c == '@' || c == '#' || c == '$';
}

bool startsIdentifier(char c) noexcept {
    return continuesIdentifier(c) && !(c >= '0' && c <= '9') && c != '$';
}

// The end of a delimited part beginning at `at` (its opening character), the
// closing character doubled inside it; the text read into `name`.
std::size_t readDelimited(std::string_view text, std::size_t at, char close, std::string* name) {
    ++at;
    while (at < text.size()) {
        if (text[at] == close) {
            if (at + 1 < text.size() && text[at + 1] == close) {
                if (name)
                    *name += close;
                at += 2;
                continue;
            }
            return at + 1;
        }
        if (name)
            *name += text[at];
        ++at;
    }
    return at;
}

std::size_t skipBlockComment(std::string_view text, std::size_t at) {
    int depth = 0;
    while (at < text.size()) {
        if (text.substr(at, 2) == "/*") {
            ++depth;
            at += 2;
        } else if (text.substr(at, 2) == "*/") {
            at += 2;
            if (--depth == 0)
                return at;
        } else {
            ++at;
        }
    }
    return at;
}

} // namespace

std::vector<std::string> mentionedNameKeys(const std::string& source) {
    const std::string_view text(source);
    std::vector<std::string> keys;
    std::size_t at = 0;
    while (at < text.size()) {
        const char c = text[at];
        if (text.substr(at, 2) == "--") {
            const std::size_t end = text.find('\n', at);
            at = end == std::string_view::npos ? text.size() : end + 1;
        } else if (text.substr(at, 2) == "/*") {
            at = skipBlockComment(text, at);
        } else if (c == '\'') {
            at = readDelimited(text, at, '\'', nullptr);
        } else if (c == '[' || c == '"') {
            std::string name;
            at = readDelimited(text, at, c == '[' ? ']' : '"', &name);
            keys.push_back(nameKey(name));
        } else if (startsIdentifier(c)) {
            const std::size_t begin = at;
            while (at < text.size() && continuesIdentifier(text[at]))
                ++at;
            const std::string_view word = text.substr(begin, at - begin);
            // N'...' is a string literal; @x a variable.
            if (word.size() == 1 && (word[0] == 'N' || word[0] == 'n') && at < text.size() &&
                text[at] == '\'')
                continue;
            if (word.front() != '@')
                keys.push_back(nameKey(word));
        } else if (continuesIdentifier(c)) {
            while (at < text.size() && continuesIdentifier(text[at]))
                ++at; // a number
        } else {
            ++at;
        }
    }
    return keys;
}

std::vector<ModuleText> orderByMentions(std::vector<ModuleText> modules) {
    const std::size_t count = modules.size();
    // By the name without its schema, as a text mentions it ("sales.Totals"
    // mentions "sales" and "Totals"): a mention of a name that two schemas
    // hold waits for both.
    std::unordered_map<std::string, std::vector<std::size_t>> byKey;
    for (std::size_t i = 0; i < count; ++i)
        byKey[nameKey(bareName(modules[i].name))].push_back(i);
    // users[j]: the modules that mention module j; waiting[i]: how many
    // modules module i mentions that are not placed yet.
    std::vector<std::vector<std::size_t>> users(count);
    std::vector<std::size_t> waiting(count, 0);
    for (std::size_t i = 0; i < count; ++i) {
        std::string text;
        for (const std::string& row : modules[i].rows)
            text += row;
        std::unordered_set<std::size_t> needs;
        const std::vector<std::string> mentioned = mentionedNameKeys(text);
        const std::unordered_set<std::string> mentions(mentioned.begin(), mentioned.end());
        const std::string ownKey = nameKey(bareName(modules[i].name));
        for (const std::string& key : mentions) {
            const auto found = byKey.find(key);
            if (found == byKey.end())
                continue;
            for (std::size_t other : found->second) {
                // Every text names itself: an object of its own name in
                // another schema is waited for only when that schema is
                // mentioned too.
                const std::string_view schema = schemaOf(modules[other].name);
                if (other == i ||
                    (key == ownKey && !mentions.contains(nameKey(schema.empty() ? "dbo" : schema))))
                    continue;
                needs.insert(other);
            }
        }
        waiting[i] = needs.size();
        for (std::size_t needed : needs)
            users[needed].push_back(i);
    }
    std::priority_queue<std::size_t, std::vector<std::size_t>, std::greater<>> free;
    for (std::size_t i = 0; i < count; ++i)
        if (waiting[i] == 0)
            free.push(i);
    std::vector<bool> placed(count, false);
    std::vector<ModuleText> ordered;
    ordered.reserve(count);
    std::size_t firstUnplaced = 0;
    while (ordered.size() < count) {
        std::size_t next;
        if (!free.empty()) {
            next = free.top();
            free.pop();
        } else {
            // A cycle: the earliest object left goes first.
            while (placed[firstUnplaced])
                ++firstUnplaced;
            next = firstUnplaced;
        }
        if (placed[next])
            continue;
        placed[next] = true;
        ordered.push_back(std::move(modules[next]));
        for (std::size_t user : users[next]) {
            if (!placed[user] && waiting[user] > 0 && --waiting[user] == 0)
                free.push(user);
        }
    }
    return ordered;
}

void moveModuleDropsFirst(ChangeList& changes) {
    ChangeList drops;
    ChangeList others;
    for (Change& change : changes)
        (std::holds_alternative<DropModule>(change.record) ? drops : others)
            .push_back(std::move(change));
    std::reverse(drops.begin(), drops.end());
    changes = std::move(drops);
    changes.insert(changes.end(), std::make_move_iterator(others.begin()),
                   std::make_move_iterator(others.end()));
}

} // namespace dbc
