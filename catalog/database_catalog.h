#pragma once

#include "catalog/catalog_model.h"
#include "catalog/object_kinds.h"
#include "catalog/server_reader.h"

#include <array>
#include <optional>
#include <vector>

namespace dbc {

// The parts of a database's catalog in the order a compare reads and diffs
// them; Whole stands past the last.
enum class CatalogPart {
    Tables,
    Defaults,
    ForeignKeys,
    ExtraObjects,
    Checks,
    AliasTypes,
    Functions,
    Indexes,
    Procedures,
    Views,
    Triggers,
    Whole
};

// The module part of an object kind.
constexpr CatalogPart modulePart(ObjectKind::Id kind) noexcept {
    switch (kind) {
    case ObjectKind::Procedure:
        return CatalogPart::Procedures;
    case ObjectKind::View:
        return CatalogPart::Views;
    case ObjectKind::Trigger:
        return CatalogPart::Triggers;
    case ObjectKind::Function:
        break;
    }
    return CatalogPart::Functions;
}

// One side of a compare, read whole: the snapshot store's catalog, or the
// target's as far as the compare asks for it. A part a store written by an
// earlier version does not keep is std::nullopt ("not recorded"), never an
// empty list ("none").
struct DatabaseCatalog {
    // How far the reading went: Whole when every part was read, else the part
    // whose reading failed. The parts before it are complete; a module part
    // where it stopped holds what was read before the failure.
    CatalogPart readUpTo = CatalogPart::Whole;
    // A snapshot without column rows and without procedures, views, triggers
    // and functions holds nothing: its other parts are not read.
    bool holdsNothing = false;

    std::vector<Table> tables;
    std::vector<DefaultConstraint> defaults;
    std::optional<std::vector<ForeignKey>> foreignKeys;
    std::optional<std::vector<CheckConstraint>> checks;
    std::optional<std::vector<AliasType>> aliasTypes;
    std::vector<TableIndexes> indexes;

    // The snapshot's procedures, views, triggers and functions with their
    // stored texts, by ObjectKind::Id; views and functions in the order they
    // are created in (orderByMentions) once the compare has ordered them.
    // False `functionsRecorded`: a store written before functions were kept.
    std::array<std::vector<ModuleText>, 4> modules;
    bool functionsRecorded = true;

    // The target's answers for the snapshot's objects of each kind (asked
    // for by name, in the snapshot's order), by ObjectKind::Id.
    std::array<std::vector<TargetModule>, 4> moduleAnswers;
    // The target's tables, views, procedures, triggers and functions, read
    // for --drop-extra only.
    std::optional<std::vector<CatalogObject>> droppableObjects;

    // True when `part` was read whole.
    bool holds(CatalogPart part) const noexcept { return part < readUpTo; }
};

} // namespace dbc
