#pragma once

#include "connection.h"
#include "script_buffer.h"

namespace dbc {

// What distinguishes the procedure, view and trigger sections: the store's
// table and fields, the object type asked of the target, the drop literals.
struct ObjectCategory {
    const char* nameListQuery;     // the snapshot's distinct object names
    const char* storedRowsQuery;   // every stored text row of the category
    const char* nameField;         // name column of the stored rows
    const char* textField;         // text column of the stored rows
    const char* existenceQuery;    // followed by the name as an N'...' literal
    const char* dropWhenNoText;    // followed by the name
    const char* dropWhenDifferent; // followed by the name
};

extern const ObjectCategory procedureCategory;
extern const ObjectCategory viewCategory;
extern const ObjectCategory triggerCategory;

// One section: for each snapshot object in name-list order, asks the target
// whether an object of that name and type exists and for its text. A missing
// object gets "Go" and its stored text; one whose text differs, or whose text
// the target will not give (no rows, an error, no result set: an encrypted
// object), gets "Go", the drop statement, "Go" and its stored text. Objects
// found only in the target are never touched. The drop names the object in
// brackets where it is not a regular identifier.
void compareObjects(const ObjectCategory& category, Connection& store, Connection& target,
                    ScriptBuffer& buffer);

} // namespace dbc
