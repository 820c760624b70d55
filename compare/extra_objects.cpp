#include "compare/extra_objects.h"

#include "catalog/name_key.h"

#include <array>
#include <string_view>

namespace dbc {

namespace {

// Where the snapshot lists objects of a sysobjects type, or null where it
// says nothing of them.
const std::set<std::string>* listFor(const SnapshotObjects& snapshot, std::string_view type) {
    if (type == "U")
        return snapshot.tablesRecorded ? &snapshot.tables : nullptr;
    if (type == "P")
        return &snapshot.procedures;
    if (type == "V")
        return &snapshot.views;
    if (type == "TR")
        return &snapshot.triggers;
    return snapshot.functionsRecorded ? &snapshot.functions : nullptr;
}

bool isFunction(std::string_view type) {
    return type == "FN" || type == "IF" || type == "TF";
}

} // namespace

ChangeList dropExtraObjects(const std::vector<CatalogObject>& target,
                            const SnapshotObjects& snapshot,
                            const std::vector<ForeignKey>& targetForeignKeys,
                            const std::set<std::string>& alreadyDropped) {
    std::vector<const CatalogObject*> extra;
    std::set<std::string> tables;
    for (const CatalogObject& object : target) {
        const auto* listed = listFor(snapshot, object.type);
        if (!listed || listed->contains(objectKey(object.name)) || object.encrypted)
            continue;
        extra.push_back(&object);
        if (object.type == "U")
            tables.insert(objectKey(object.name));
    }
    ChangeList out;
    for (const ForeignKey& key : targetForeignKeys) {
        if (tables.contains(objectKey(key.referencedTable)) &&
            objectKey(key.table) != objectKey(key.referencedTable) &&
            !alreadyDropped.contains(nameKey(key.name)))
            out.push_back({DropForeignKey{key}});
    }
    // Triggers, views, procedures, functions, then tables.
    constexpr std::array<std::string_view, 5> order{"TR", "V", "P", "F", "U"};
    for (std::string_view kind : order) {
        for (const CatalogObject* object : extra) {
            const bool ofKind = kind == "F" ? isFunction(object->type) : object->type == kind;
            if (!ofKind)
                continue;
            if (kind == "TR" && tables.contains(objectKey(object->parent)))
                continue; // goes with its table
            if (kind == "U")
                out.push_back({DropTable{object->name}});
            else
                out.push_back({DropExtraModule{object->type, object->name}});
        }
    }
    return out;
}

std::set<std::string> droppedTables(const ChangeList& changes) {
    std::set<std::string> tables;
    for (const Change& change : changes) {
        if (const auto* drop = std::get_if<DropTable>(&change.record))
            tables.insert(objectKey(drop->table));
    }
    return tables;
}

} // namespace dbc
