#pragma once

#include <array>

namespace dbc {

// The kinds of object kept as text: procedures, views, triggers and
// user-defined functions. One description serves the capture, the compare,
// the store and the command line.
struct ObjectKind {
    enum Id { Procedure, View, Trigger, Function };
    Id id;
    const char* storeTable; // the snapshot store's table: SourceSp, ...
    const char* nameField;  // its name column
    const char* textField;  // its text column
    const char* plural;     // "procedures", as the command line counts them
    // The capture's query for the names of the kind's objects.
    const char* captureNamesQuery;
    // The compare's existence check, followed by the name as an N'...' literal.
    const char* existenceQuery;
    // The condition on sys.objects.type that selects the kind ("= 'P'",
    // "IN ('FN','IF','TF')"), for the reading of SQL Server 2005 and later.
    const char* typeCondition;
};

extern const ObjectKind procedureKind;
extern const ObjectKind viewKind;
extern const ObjectKind triggerKind;
// Functions are kept in a store table added after files were in use
// (SourceFN): a store without it knows nothing of functions.
extern const ObjectKind functionKind;

// The three kinds a store has always kept, in the order a capture and a
// compare take them. Functions are taken apart: a compare creates them
// before the objects that call them.
inline constexpr std::array<const ObjectKind*, 3> objectKinds{&procedureKind, &viewKind,
                                                              &triggerKind};

} // namespace dbc
