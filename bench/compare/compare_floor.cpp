#include "compare_floor.h"

#include "compare_queries.h"
#include "database_error.h"
#include "object_compare.h"
#include "sql_text.h"

#include <string>

namespace dbc::bench {

namespace {

// Returns false when the snapshot holds no object of the category.
bool fetchObjects(const ObjectCategory& category, Connection& store, Connection& target,
                  CompareRows& rows) {
    const Result names = store.open(category.nameListQuery);
    rows.snapshotRows += names.size() + store.open(category.storedRowsQuery).size();
    if (names.empty())
        return false;
    const std::size_t nameColumn = names.columnIndex(category.nameField);
    std::vector<std::string> existenceQueries;
    for (const auto& row : names.rows())
        existenceQueries.push_back(category.existenceQuery + nStringLiteral(row[nameColumn]));
    std::vector<std::string> textQueries;
    target.openEach(existenceQueries, [&](std::size_t index, ResultOrError reply) {
        if (auto* error = std::get_if<DatabaseError>(&reply))
            throw *error;
        if (!std::get<Result>(reply).empty())
            textQueries.push_back("Exec sp_helpText " +
                                  nStringLiteral(names.rows()[index][nameColumn]));
    });
    rows.existenceQueries += existenceQueries.size();
    rows.textQueries += textQueries.size();
    // A refused text is an answer too: the compare re-creates the object.
    target.openEach(textQueries, [](std::size_t, ResultOrError) {});
    return true;
}

} // namespace

CompareRows fetchCompareRows(Connection& store, Connection& target) {
    CompareRows rows;
    rows.snapshotRows += store.open(queries::storeColumns).size();
    const std::size_t tables = store.open(queries::storeTableNames).size();
    rows.snapshotRows += tables;
    rows.targetRows += target.open(queries::targetColumns).size();
    if (tables == 0)
        return rows;

    rows.snapshotRows += store.open(queries::storeIndexKeys).size();
    const std::size_t indexTables = store.open(queries::storeIndexTableNames).size();
    rows.snapshotRows += indexTables;
    rows.targetRows += target.open(queries::targetIndexKeys).size();
    if (indexTables == 0)
        return rows;

    for (const ObjectCategory* category : {&procedureCategory, &viewCategory, &triggerCategory}) {
        if (!fetchObjects(*category, store, target, rows))
            return rows;
    }
    rows.snapshotRows += store.open(queries::storeDefaults).size();
    rows.targetRows += target.open(queries::targetDefaults).size();
    return rows;
}

} // namespace dbc::bench
