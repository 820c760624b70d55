#pragma once

#include <array>

namespace dbc {

// The kinds of object kept as text: procedures, views and triggers. One
// description serves the capture, the compare, the store and the command
// line.
struct ObjectKind {
    enum Id { Procedure, View, Trigger };
    Id id;
    const char* storeTable; // the snapshot store's table: SourceSp, ...
    const char* nameField;  // its name column
    const char* textField;  // its text column
    const char* plural;     // "procedures", as the command line counts them
    // The capture's query for the names of the kind's objects.
    const char* captureNamesQuery;
    // The compare's existence check, followed by the name as an N'...' literal.
    const char* existenceQuery;
    // sys.objects.type of the kind ("P", "V", "TR"), for the reading of
    // SQL Server 2005 and later.
    const char* typeCode;
};

extern const ObjectKind procedureKind;
extern const ObjectKind viewKind;
extern const ObjectKind triggerKind;

// The three kinds in the order a capture and a compare take them.
inline constexpr std::array<const ObjectKind*, 3> objectKinds{&procedureKind, &viewKind,
                                                              &triggerKind};

} // namespace dbc
