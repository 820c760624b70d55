#include "report/difference.h"

#include "catalog/name_key.h"
#include "data/object_name.h"
#include "script/expression_text.h"
#include "script/statement_text.h"

#include <map>
#include <tuple>

namespace dbc::report {

namespace {

std::string yesNo(bool value) {
    return value ? "yes" : "no";
}

// A computed column shows its definition where a plain one shows its type.
std::string columnType(const Column& column) {
    if (column.computed())
        return "AS (" + bareExpression(column.computedDefinition) + ")";
    return column.type + typeArguments(column);
}

std::string columnLength(const Column& column) {
    return column.typeStat == "2" ? column.length : std::string();
}

std::string identity(const Column& column) {
    if (column.colStat != "1")
        return "no";
    if (column.identSeed.empty())
        return "yes";
    return "(" + column.identSeed + ", " + column.identIncr + ")";
}

std::vector<DefinitionField> fieldsOf(const Column* source, const Column* target) {
    using Getter = std::string (*)(const Column&);
    static const std::pair<const char*, Getter> parts[] = {
        {"type", columnType},
        {"length", columnLength},
        {"nullable", [](const Column& c) { return yesNo(c.nullable != "0"); }},
        {"collation", [](const Column& c) { return c.collation; }},
        {"identity", identity},
    };
    std::vector<DefinitionField> fields;
    for (const auto& [name, get] : parts) {
        DefinitionField field{name, source ? get(*source) : "", target ? get(*target) : ""};
        // The target side never knows a seed; only whether it is an identity.
        field.differs =
            source && target &&
            (std::string(name) == "identity" ? (source->colStat == "1") != (target->colStat == "1")
                                             : field.source != field.target);
        fields.push_back(std::move(field));
    }
    return fields;
}

std::string indexType(const Index& index) {
    if (index.isPrimaryKey())
        return "primary key";
    if (index.constraint == KeyConstraint::Unique)
        return "unique constraint";
    return index.unique ? "unique index" : "index";
}

std::string indexKeys(const Index& index) {
    std::string keys;
    for (const IndexKey& key : index.keys)
        keys += (keys.empty() ? "" : ", ") + key.column + (key.descending ? " DESC" : "");
    return keys;
}

std::vector<DefinitionField> fieldsOf(const Index* source, const Index* target) {
    using Getter = std::string (*)(const Index&);
    static const std::pair<const char*, Getter> parts[] = {
        {"type", indexType},
        {"clustered", [](const Index& i) { return yesNo(i.clustered()); }},
        {"keys", indexKeys},
    };
    std::vector<DefinitionField> fields;
    for (const auto& [name, get] : parts) {
        DefinitionField field{name, source ? get(*source) : "", target ? get(*target) : ""};
        field.differs = source && target && field.source != field.target;
        fields.push_back(std::move(field));
    }
    return fields;
}

std::vector<DefinitionField> fieldsOf(const DefaultConstraint& constraint) {
    return {{"column", constraint.column, "", false}, {"value", constraint.value, "", false}};
}

const char* moduleType(const ObjectKind& kind) {
    switch (kind.id) {
    case ObjectKind::Procedure:
        return "procedure";
    case ObjectKind::View:
        return "view";
    case ObjectKind::Trigger:
        return "trigger";
    case ObjectKind::Function:
        return "function";
    }
    return "module";
}

// A change seen as one side's part of a difference. `adds`: the change
// brings the snapshot's object in (a create or add), else it removes the
// target's.
struct Part {
    Difference difference;
    bool adds = false;
    std::string mergeName; // the name under which a drop of the same object was recorded
};

struct ToPart {
    // A change of a form added later: listed with its statement under "other".
    template <typename Record> Part operator()(const Record&) const { return {}; }
    Part operator()(const UseDatabase&) const { return {}; }
    Part operator()(const CreateTable& c) const {
        Difference d{DifferenceKind::Table, Presence::OnlyInSource, "table", "", c.table};
        for (const Column& column : c.columns)
            d.fields.push_back({column.name, columnType(column), "", false});
        return {std::move(d), true, c.table};
    }
    Part operator()(const AddColumn& c) const {
        Difference d{DifferenceKind::Column, Presence::OnlyInSource, "column", c.column.table,
                     c.column.name};
        d.fields = fieldsOf(&c.column, nullptr);
        return {std::move(d), true, c.column.name};
    }
    Part operator()(const AlterColumn& c) const {
        Difference d{DifferenceKind::Column, Presence::Different, "column", c.column.table,
                     c.column.name};
        d.fields = fieldsOf(&c.column, c.targetColumn ? &*c.targetColumn : nullptr);
        return {std::move(d), true, c.column.name};
    }
    Part operator()(const DropColumn& c) const {
        return {{DifferenceKind::Column, Presence::OnlyInTarget, "column", c.table, c.column},
                false,
                c.column};
    }
    Part operator()(const CreateIndex& c) const {
        Difference d{DifferenceKind::IndexOrKey, Presence::OnlyInSource, indexType(c.index),
                     c.index.table, c.index.name};
        d.fields = fieldsOf(&c.index, c.targetIndex ? &*c.targetIndex : nullptr);
        if (c.targetIndex)
            d.presence = Presence::Different;
        return {std::move(d), true, c.targetIndex ? c.targetIndex->name : c.index.name};
    }
    Part operator()(const DropIndex& c) const {
        return {{DifferenceKind::IndexOrKey, Presence::OnlyInTarget,
                 c.keyConstraint ? "key constraint" : "index", c.table, c.index},
                false,
                c.index};
    }
    Part operator()(const CreateModule& c) const {
        Difference d{DifferenceKind::Module, Presence::OnlyInSource, moduleType(*c.kind), "",
                     c.name};
        d.sourceText = c.text;
        d.targetText = c.targetText;
        return {std::move(d), true, c.name};
    }
    Part operator()(const DropModule& c) const {
        Difference d{DifferenceKind::Module, Presence::Different, moduleType(*c.kind), "", c.name};
        d.targetTextUnreadable = c.textUnreadable;
        return {std::move(d), false, c.name};
    }
    Part operator()(const AddDefault& c) const {
        Difference d{DifferenceKind::Default, Presence::OnlyInSource, "default", c.constraint.table,
                     c.constraint.name};
        d.fields = fieldsOf(c.constraint);
        return {std::move(d), true, c.constraint.name};
    }
    Part operator()(const DropDefault& c) const {
        return {{DifferenceKind::Default, Presence::OnlyInTarget, "default", c.table, c.name},
                false,
                c.name};
    }
    Part operator()(const DropForeignKey& c) const {
        return {{DifferenceKind::Constraint, Presence::OnlyInTarget, "foreign key", c.key.table,
                 c.key.name},
                false,
                c.key.name};
    }
    Part operator()(const AddForeignKey& c) const {
        return {{DifferenceKind::Constraint, Presence::OnlyInSource, "foreign key", c.key.table,
                 c.key.name},
                true,
                c.key.name};
    }
};

// A later part of an object already listed: a create after the drop of the
// same object makes the object differ (or, when both definitions are alike,
// be rebuilt around another change).
void merge(Difference& into, Part&& part) {
    Difference& later = part.difference;
    if (part.adds) {
        into.name = later.name;
        into.objectType = later.objectType;
        if (!later.fields.empty())
            into.fields = std::move(later.fields);
        into.sourceText = std::move(later.sourceText);
        if (later.targetText)
            into.targetText = std::move(later.targetText);
        const bool differs = later.presence == Presence::Different || into.targetTextUnreadable ||
                             (into.kind == DifferenceKind::Module);
        into.presence = differs ? Presence::Different : Presence::Rebuilt;
    } else if (into.presence == Presence::OnlyInSource) {
        into.presence = Presence::Rebuilt;
    }
    into.statements.insert(into.statements.end(), later.statements.begin(), later.statements.end());
}

using DifferenceIndex = std::map<std::tuple<DifferenceKind, std::string, std::string>, std::size_t>;

// Lists a part: merged into the difference of its object when one is listed.
void addPart(std::vector<Difference>& differences, DifferenceIndex& byObject, Part&& part) {
    const auto key = std::make_tuple(part.difference.kind, nameKey(part.difference.table),
                                     nameKey(part.mergeName));
    const auto found = byObject.find(key);
    if (found != byObject.end()) {
        merge(differences[found->second], std::move(part));
        return;
    }
    // A change of a form this report does not know stands alone.
    if (part.difference.kind != DifferenceKind::Other)
        byObject.emplace(key, differences.size());
    differences.push_back(std::move(part.difference));
}

} // namespace

std::vector<Difference> differencesOf(const ChangeList& changes) {
    std::vector<Difference> differences;
    DifferenceIndex byObject;
    auto parts = [](const Change& change) {
        // A table rebuild stands for the column and index changes it makes,
        // each listed with the rebuild's statement.
        std::vector<Part> list;
        if (const auto* rebuild = std::get_if<RebuildTable>(&change.record)) {
            for (const RebuiltChange& replaced : rebuild->replaced)
                list.push_back(std::visit(ToPart{}, replaced));
        }
        if (list.empty())
            list.push_back(std::visit(ToPart{}, change.record));
        for (Part& part : list) {
            part.difference.statements.push_back(statementText(change));
            // An object outside dbo is shown "sales.Orders".
            part.difference.table = displayName(part.difference.table);
            part.difference.name = displayName(part.difference.name);
            part.mergeName = displayName(part.mergeName);
        }
        return list;
    };
    for (const Change& change : changes) {
        if (std::holds_alternative<UseDatabase>(change.record))
            continue;
        for (Part& part : parts(change))
            addPart(differences, byObject, std::move(part));
    }
    return differences;
}

const char* kindKey(DifferenceKind kind) {
    switch (kind) {
    case DifferenceKind::Table:
        return "table";
    case DifferenceKind::Column:
        return "column";
    case DifferenceKind::IndexOrKey:
        return "indexOrKey";
    case DifferenceKind::Constraint:
        return "constraint";
    case DifferenceKind::Module:
        return "module";
    case DifferenceKind::Default:
        return "default";
    case DifferenceKind::Other:
        return "other";
    }
    return "other";
}

const char* presenceKey(Presence presence) {
    switch (presence) {
    case Presence::OnlyInSource:
        return "onlyInSource";
    case Presence::OnlyInTarget:
        return "onlyInTarget";
    case Presence::Different:
        return "different";
    case Presence::Rebuilt:
        return "rebuilt";
    }
    return "different";
}

} // namespace dbc::report
