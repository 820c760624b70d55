#include "catalog/qualified_field.h"

#include "data/object_name.h"

namespace dbc {

std::string QualifiedField::of(const Result::Row& row) const {
    if (!m_name)
        return {};
    if (!m_schema)
        return row.at(*m_name);
    return qualifiedName(row.at(*m_schema), row.at(*m_name));
}

} // namespace dbc
