#include "compare/function_placement.h"

#include "catalog/name_key.h"
#include "compare/module_order.h"

#include <algorithm>
#include <set>
#include <string>

namespace dbc {

void placeFunctionChanges(ChangeList changes, std::size_t dropsAt, ChangeList& out) {
    const auto firstOther = std::find_if(changes.begin(), changes.end(), [](const Change& change) {
        return !std::holds_alternative<DropModule>(change.record);
    });
    out.insert(out.begin() + static_cast<std::ptrdiff_t>(dropsAt),
               std::make_move_iterator(changes.begin()), std::make_move_iterator(firstOther));
    out.insert(out.end(), std::make_move_iterator(firstOther),
               std::make_move_iterator(changes.end()));
}

void addComputedColumnsAfterTheirFunctions(const ChangeList& functionChanges,
                                           std::size_t columnChangesAt, ChangeList& out) {
    std::set<std::string> created;
    for (const Change& change : functionChanges) {
        if (const auto* create = std::get_if<CreateModule>(&change.record))
            created.insert(objectKey(create->name));
    }
    if (created.empty())
        return;
    auto callsCreated = [&created](const Column& column) {
        if (!column.computed())
            return false;
        for (const std::string& name : mentionedNameKeys(column.computedDefinition)) {
            if (created.contains(name))
                return true;
        }
        return false;
    };
    ChangeList moved;
    for (auto it = out.begin() + static_cast<std::ptrdiff_t>(columnChangesAt); it != out.end();) {
        // A new table is created without such columns; they are added after.
        if (auto* create = std::get_if<CreateTable>(&it->record)) {
            std::vector<Column>& columns = create->columns;
            for (auto column = columns.begin(); column != columns.end();) {
                if (callsCreated(*column) && columns.size() > 1) {
                    moved.push_back({AddColumn{*column, std::nullopt}});
                    column = columns.erase(column);
                } else {
                    ++column;
                }
            }
            ++it;
            continue;
        }
        const auto* add = std::get_if<AddColumn>(&it->record);
        if (add != nullptr && callsCreated(add->column)) {
            moved.push_back(std::move(*it));
            it = out.erase(it);
        } else {
            ++it;
        }
    }
    out.insert(out.end(), std::make_move_iterator(moved.begin()),
               std::make_move_iterator(moved.end()));
}

} // namespace dbc
