#pragma once

#include "data/result.h"

#include <optional>
#include <string>
#include <string_view>

namespace dbc {

// A name field of catalog or snapshot rows as the model names the object
// (data/object_name.h): the name in the schema that a second field of the row
// gives, where the rows have that field (read from SQL Server 2005 and
// later, or a snapshot of one); bare where they have not (SQL Server 2000,
// an older snapshot) or where it is empty or dbo.
class QualifiedField {
public:
    QualifiedField(const Result& rows, std::string_view nameField, std::string_view schemaField)
        : m_name(rows.findColumn(nameField)), m_schema(rows.findColumn(schemaField)) {}

    std::string of(const Result::Row& row) const;

private:
    std::optional<std::size_t> m_name;
    std::optional<std::size_t> m_schema;
};

} // namespace dbc
