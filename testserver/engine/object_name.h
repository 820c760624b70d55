#pragma once

#include <string>
#include <string_view>

namespace testserver {

// The name of a schema-scoped object as a statement writes it: its schema
// (empty when not written) and its own name, both without quotes. A
// database part before them names the current database or is refused
// before a name gets here.
struct ObjectName {
    std::string schema;
    std::string name;

    bool qualified() const noexcept { return !schema.empty(); }
};

// The object name in a text argument such as sp_helptext's or OBJECT_ID's
// (N'[sales].[Orders]', 'db.dbo.t', 'Orders'): the last part and the one
// before it, split at dots outside [brackets] and "quotes".
ObjectName objectNameOfText(std::string_view text);

// "schema.name" when the schema is written, else "name", for messages that
// show the name as the statement wrote it.
std::string writtenName(const ObjectName& name);

} // namespace testserver
