#include "compare/created_module_order.h"

#include "catalog/name_key.h"
#include "compare/module_order.h"

#include <set>
#include <string>

namespace dbc {

namespace {

const CreateModule* viewOrFunctionCreate(const Change& change) {
    const auto* create = std::get_if<CreateModule>(&change.record);
    if (!create ||
        !(create->kind->id == ObjectKind::View || create->kind->id == ObjectKind::Function))
        return nullptr;
    return create;
}

std::set<std::string> mentionsOf(const std::string& text, const std::string& ownKey) {
    std::set<std::string> keys;
    for (std::string& key : mentionedNameKeys(text)) {
        if (key != ownKey)
            keys.insert(std::move(key));
    }
    return keys;
}

bool mentionsFunction(const Change& change, const std::string& functionKey) {
    const auto* add = std::get_if<AddColumn>(&change.record);
    if (!add || !add->column.computed())
        return false;
    for (const std::string& key : mentionedNameKeys(add->column.computedDefinition)) {
        if (key == functionKey)
            return true;
    }
    return false;
}

// The position of the last view or function created after `from` that
// `mentions` names and that `from` must follow: one of the other kind, or
// one already moved here (the order among one kind, cycles included, is
// orderByMentions' and stays); `from` when there is none.
std::size_t lastMentionedAfter(const ChangeList& changes, std::size_t from,
                               const std::set<std::string>& mentions,
                               const std::set<std::string>& moved) {
    const ObjectKind::Id kind = viewOrFunctionCreate(changes[from])->kind->id;
    std::size_t last = from;
    for (std::size_t i = from + 1; i < changes.size(); ++i) {
        const CreateModule* create = viewOrFunctionCreate(changes[i]);
        if (!create)
            continue;
        const std::string key = objectKey(create->name);
        if (mentions.contains(key) && (create->kind->id != kind || moved.contains(key)))
            last = i;
    }
    return last;
}

// Moves the create at `from` to right after `after`, with the computed
// column Adds between them that mention it (a function's) right behind it.
void moveAfter(ChangeList& changes, std::size_t from, std::size_t after) {
    const CreateModule& create = std::get<CreateModule>(changes[from].record);
    const bool function = create.kind->id == ObjectKind::Function;
    const std::string key = objectKey(create.name);
    ChangeList moved{std::move(changes[from])};
    ChangeList stay;
    for (std::size_t i = from + 1; i <= after; ++i) {
        if (function && mentionsFunction(changes[i], key))
            moved.push_back(std::move(changes[i]));
        else
            stay.push_back(std::move(changes[i]));
    }
    stay.insert(stay.end(), std::make_move_iterator(moved.begin()),
                std::make_move_iterator(moved.end()));
    std::move(stay.begin(), stay.end(), changes.begin() + static_cast<std::ptrdiff_t>(from));
}

} // namespace

void orderCreatedViewsAndFunctions(ChangeList& changes) {
    std::size_t creates = 0;
    for (const Change& change : changes)
        creates += viewOrFunctionCreate(change) ? 1 : 0;
    // Each move puts one create behind another; more moves than pairs of
    // creates can only come from a cycle.
    std::size_t movesLeft = creates * creates;
    std::set<std::string> moved;
    for (std::size_t i = 0; i < changes.size() && movesLeft > 0;) {
        const CreateModule* create = viewOrFunctionCreate(changes[i]);
        if (!create) {
            ++i;
            continue;
        }
        const std::string key = objectKey(create->name);
        const std::size_t after =
            lastMentionedAfter(changes, i, mentionsOf(create->text, key), moved);
        if (after == i) {
            ++i;
            continue;
        }
        moved.insert(key);
        moveAfter(changes, i, after);
        --movesLeft;
    }
}

} // namespace dbc
