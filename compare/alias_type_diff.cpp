#include "compare/catalog_diff.h"

#include "catalog/name_key.h"
#include "data/sql_names.h"
#include "script/column_type.h"

#include <algorithm>
#include <map>

namespace dbc {

namespace {

// "varchar(10)", "decimal(9,2)", "int": the base as sp_addtype takes it.
std::string baseText(const AliasType& type) {
    if (typeKindOf(type.baseType) == TypeKind::ExactNumeric)
        return type.baseType + exactNumericPiece(type.length, type.scale);
    if (typeTakesLength(type.baseType))
        return type.baseType + "(" + type.length + ")";
    return type.baseType;
}

bool sameBase(const AliasType& a, const AliasType& b) {
    return compareNameKeys(a.baseType, b.baseType) == 0 && a.length == b.length &&
           a.scale == b.scale;
}

// The alias type names (name keys) the script's created, added and altered
// columns are of, in the order the script first uses them.
std::vector<std::string> typesUsed(const ChangeList& changes) {
    std::vector<std::string> used;
    auto note = [&](const Column& column) {
        if (column.computed() || typeKindOf(column.type) != TypeKind::Alias)
            return;
        std::string key = nameKey(column.type);
        if (std::find(used.begin(), used.end(), key) == used.end())
            used.push_back(std::move(key));
    };
    for (const Change& change : changes) {
        if (const auto* create = std::get_if<CreateTable>(&change.record)) {
            for (const Column& column : create->columns)
                note(column);
        } else if (const auto* add = std::get_if<AddColumn>(&change.record)) {
            note(add->column);
        } else if (const auto* alter = std::get_if<AlterColumn>(&change.record)) {
            note(alter->column);
        }
    }
    return used;
}

// True for an Alter that only restates a column of an alias type whose base
// differs between the two sides: the column is of that type on both, and the
// Alter could only give it the target's type again.
bool restatesDifferingAlias(const Change& change, const std::map<std::string, bool>& differing) {
    const auto* alter = std::get_if<AlterColumn>(&change.record);
    if (!alter || !alter->targetColumn || !differing.contains(nameKey(alter->column.type)))
        return false;
    const Column& s = alter->column;
    const Column& t = *alter->targetColumn;
    return compareNameKeys(s.type, t.type) == 0 && s.nullable == t.nullable &&
           s.collation == t.collation && s.colStat == t.colStat;
}

} // namespace

void diffAliasTypes(const std::vector<AliasType>& snapshot, const std::vector<AliasType>& target,
                    std::size_t at, ChangeList& changes) {
    std::map<std::string, const AliasType*> targetByName;
    for (const AliasType& type : target)
        targetByName.emplace(nameKey(type.name), &type);
    std::map<std::string, const AliasType*> snapshotByName;
    for (const AliasType& type : snapshot)
        snapshotByName.emplace(nameKey(type.name), &type);

    ChangeList placed;
    std::map<std::string, bool> differing;
    for (const auto& [key, type] : snapshotByName) {
        const auto found = targetByName.find(key);
        if (found == targetByName.end() || sameBase(*type, *found->second))
            continue;
        differing[key] = true;
        placed.push_back({UnscriptedChange{
            sqlName(type->name),
            "alias type of " + baseText(*type) + " in the snapshot, " + baseText(*found->second) +
                " in the target; the script never drops an alias type (its columns would have "
                "to go first): change it by hand"}});
    }
    for (const std::string& key : typesUsed(changes)) {
        const auto type = snapshotByName.find(key);
        if (type != snapshotByName.end() && !targetByName.contains(key))
            placed.push_back({AddAliasType{*type->second}});
    }
    std::erase_if(changes,
                  [&](const Change& change) { return restatesDifferingAlias(change, differing); });
    changes.insert(changes.begin() + static_cast<std::ptrdiff_t>(std::min(at, changes.size())),
                   placed.begin(), placed.end());
}

} // namespace dbc
