#include "compare/target_release.h"

#include "data/sql_names.h"
#include "script/column_type.h"
#include "script/statement_text.h"

#include <algorithm>
#include <optional>

namespace dbc {

namespace {

// Why the target cannot hold the column's type, or nothing when it can.
std::optional<std::string> typeRefusal(const Column& column, const ServerVersion& target) {
    const std::string written = column.type + typeArguments(column);
    // (max) came with 2005 (9).
    const bool maxLength = column.length == "-1" && column.typeStat == "2";
    const int needed = std::max(firstMajorVersionOf(column.type), maxLength ? 9 : 8);
    if (target.major < needed) {
        return "the target, " + releaseName(target.major) + ", has no type " +
               (maxLength ? column.type + "(max)" : written);
    }
    return std::nullopt;
}

std::optional<UnscriptedChange> refusal(const ChangeRecord& record, const ServerVersion& target) {
    if (const auto* create = std::get_if<CreateTable>(&record)) {
        for (const Column& column : create->columns) {
            if (auto why = typeRefusal(column, target))
                return UnscriptedChange{sqlName(create->table), "not created: " + *why +
                                                                    " of its column " +
                                                                    sqlName(column.name)};
        }
    } else if (const auto* add = std::get_if<AddColumn>(&record)) {
        if (auto why = typeRefusal(add->column, target))
            return UnscriptedChange{columnObjectName(add->column.table, add->column.name),
                                    "not added: " + *why};
    } else if (const auto* alter = std::get_if<AlterColumn>(&record)) {
        if (auto why = typeRefusal(alter->column, target))
            return UnscriptedChange{columnObjectName(alter->column.table, alter->column.name),
                                    "not altered: " + *why};
    } else if (const auto* index = std::get_if<CreateIndex>(&record)) {
        // INCLUDE came with 2005 (9), filters with 2008.
        const bool included = !index->index.included.empty() && target.major < 9;
        const bool filtered = !index->index.filter.empty() && !target.hasFilteredIndexes();
        if (included || filtered)
            return UnscriptedChange{sqlName(index->index.table) + "." + sqlName(index->index.name),
                                    "not created: the target, " + releaseName(target.major) +
                                        ", has no " +
                                        (filtered ? "filtered indexes" : "included columns")};
    }
    return std::nullopt;
}

} // namespace

void keepToTheTargetRelease(ChangeList& changes, const ServerVersion& target) {
    for (Change& change : changes) {
        if (auto unscripted = refusal(change.record, target))
            change.record = std::move(*unscripted);
    }
}

} // namespace dbc
