#include "compare_run.h"

#include "default_compare.h"
#include "index_compare.h"
#include "object_compare.h"
#include "table_compare.h"

#include <initializer_list>

namespace dbc {

void runCompare(Connection& store, Connection& target, const std::string& databaseName,
                ScriptBuffer& buffer) {
    const TableCategoryRows tables = fetchTableCategoryRows(store, target);
    if (tables.tableNames.empty())
        return;
    buffer.clearDisplay();
    buffer.addStatement("use " + databaseName);
    compareTables(tables, buffer);

    // Each of these ends the run when the snapshot holds none of its names.
    if (!compareIndexes(store, target, buffer))
        return;
    for (const ObjectCategory* category : {&procedureCategory, &viewCategory, &triggerCategory}) {
        if (!compareObjects(*category, store, target, buffer))
            return;
    }
    compareDefaults(store, target, buffer);
}

} // namespace dbc
