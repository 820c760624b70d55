#pragma once

#include "script/change.h"

#include <optional>
#include <string>
#include <vector>

namespace dbc::report {

// What a difference is about, in the order a report lists them.
enum class DifferenceKind { Table, Column, IndexOrKey, Constraint, Module, Default, Other };
inline constexpr DifferenceKind differenceKinds[] = {
    DifferenceKind::Table,      DifferenceKind::Column, DifferenceKind::IndexOrKey,
    DifferenceKind::Constraint, DifferenceKind::Module, DifferenceKind::Default,
    DifferenceKind::Other};

// Which side has the object. `Rebuilt`: both sides have it alike, but it is
// dropped and put back around a change it depends on.
enum class Presence { OnlyInSource, OnlyInTarget, Different, Rebuilt };
// The order a report lists them in: what differs first.
inline constexpr Presence presences[] = {Presence::Different, Presence::OnlyInSource,
                                         Presence::OnlyInTarget, Presence::Rebuilt};

// One part of a definition on each side (empty where a side lacks the
// object), and whether the two differ.
struct DefinitionField {
    std::string name; // "type", "keys", ...
    std::string source;
    std::string target;
    bool differs = false;
};

// One object that differs, with the statements of the script that deal with
// it, in script order.
struct Difference {
    DifferenceKind kind = DifferenceKind::Other;
    Presence presence = Presence::Different;
    std::string objectType = {}; // "column", "procedure", "primary key", ...
    std::string table = {};      // empty for objects that are not part of a table
    std::string name = {};
    std::vector<DefinitionField> fields = {};
    // Procedures, views and triggers: the texts of both sides as far as known.
    std::optional<std::string> sourceText = std::nullopt;
    std::optional<std::string> targetText = std::nullopt;
    bool targetTextUnreadable = false;
    std::vector<std::string> statements = {};
};

// The differences a compare's changes stand for, in the order of their first
// statement. Changes about one object (a drop and the create that replaces
// it) make one difference; the "use" statement makes none.
std::vector<Difference> differencesOf(const ChangeList& changes);

// The name a program reads for each kind and presence ("column",
// "onlyInSource").
const char* kindKey(DifferenceKind kind);
const char* presenceKey(Presence presence);

} // namespace dbc::report
