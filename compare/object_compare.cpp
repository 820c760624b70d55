#include "object_compare.h"

#include "database_error.h"
#include "object_text.h"
#include "row_groups.h"
#include "sql_text.h"

#include <optional>
#include <string>

namespace dbc {

const ObjectCategory procedureCategory{
    "Select SpName From SourceSp Group by SpName",
    "Select * From SourceSp ",
    "SpName",
    "SpText",
    "Select * From sysObjects where type='P' and Status>=0 and name=",
    "drop procedure [dbo].",
    "drop procedure [dbo].",
};

const ObjectCategory viewCategory{
    "Select ViewName From SourceView Group by ViewName",
    "Select * From SourceView ",
    "ViewName",
    "ViewText",
    "Select * From sysObjects where type='V' and Status>=0 and name=",
    "drop View [dbo].",
    "drop View [dbo].",
};

const ObjectCategory triggerCategory{
    "Select TRName From SourceTR Group by TRName",
    "Select * From SourceTR ",
    "TRName",
    "TRText",
    "Select * From sysObjects where type='TR' and Status>=0 and name=",
    "drop TRIGGER [dbo].",
    "drop TRigger [dbo].",
};

namespace {

// The target's text rows of an object, or nothing when the server will not
// give them: sp_helptext fails for an encrypted object and a result without
// rows or without a result set carries no text either. A lost connection or a
// timeout says nothing about the object and ends the compare.
std::optional<Result> targetText(Connection& target, const std::string& name) {
    try {
        Result rows = target.open("Exec sp_helpText " + nStringLiteral(name));
        if (rows.empty())
            return std::nullopt;
        return rows;
    } catch (const DatabaseError& error) {
        if (error.connectionLost() || error.timedOut())
            throw;
        return std::nullopt;
    }
}

TextRows columnValues(const Result& result, std::string_view field) {
    TextRows rows;
    if (result.empty())
        return rows;
    const std::size_t column = result.columnIndex(field);
    rows.reserve(result.size());
    for (const auto& row : result.rows())
        rows.push_back(row.at(column));
    return rows;
}

void recreate(ScriptBuffer& buffer, const std::string& drop, const std::string& storedText) {
    buffer.addSeparator();
    buffer.addStatement(drop);
    buffer.addSeparator();
    buffer.addStatement(storedText);
}

} // namespace

bool compareObjects(const ObjectCategory& category, Connection& store, Connection& target,
                    ScriptBuffer& buffer) {
    const Result nameList = store.open(category.nameListQuery);
    const Result storedRows = store.open(category.storedRowsQuery);
    if (nameList.empty())
        return false;

    const RowGroups objects(storedRows, category.nameField);
    const TextRows allText = columnValues(storedRows, category.textField);
    for (const std::string& name : distinctNames(nameList, category.nameField)) {
        TextRows stored;
        for (std::size_t row : objects.rowsOf(name))
            stored.push_back(allText[row]);
        // A listed name always has stored rows; without them there would be
        // nothing to re-create an object from, so it is not touched.
        if (stored.empty())
            continue;
        const std::string storedText = joinedText(stored);

        const Result existing =
            target.open(std::string(category.existenceQuery) + nStringLiteral(name));
        if (existing.empty()) {
            buffer.addSeparator();
            buffer.addStatement(storedText);
            continue;
        }
        const std::optional<Result> text = targetText(target, name);
        if (!text) {
            recreate(buffer, category.dropWhenNoText + name, storedText);
        } else if (comparisonForm(stored) != comparisonForm(columnValues(*text, "Text"))) {
            recreate(buffer, category.dropWhenDifferent + name, storedText);
        }
    }
    return true;
}

} // namespace dbc
