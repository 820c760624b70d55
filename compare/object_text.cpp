#include "object_text.h"

#include "name_key.h"
#include "sql_text.h"

namespace dbc {

std::string joinedText(const TextRows& rows) {
    std::string text;
    for (std::string_view row : rows)
        text.append(row);
    return text;
}

std::string comparisonForm(const TextRows& rows) {
    std::string trimmed;
    for (std::string_view row : rows)
        trimmed.append(trimControl(row));
    return nameKey(trimmed);
}

} // namespace dbc
