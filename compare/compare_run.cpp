#include "compare_run.h"

#include "default_compare.h"
#include "index_compare.h"
#include "object_compare.h"
#include "sql_names.h"
#include "table_compare.h"

#include <initializer_list>

namespace dbc {

void runCompare(Connection& store, Connection& target, const std::string& databaseName,
                ScriptBuffer& buffer) {
    const TableCategoryRows tables = fetchTableCategoryRows(store, target);
    if (tables.tableNames.empty())
        return;
    DefaultComparison defaults(store, target);
    buffer.clearDisplay();
    buffer.addStatement("use " + sqlName(databaseName));
    compareTables(tables, defaults, buffer);

    // Every category runs whatever the others hold: a snapshot without
    // indexes or triggers still has its procedures, views and defaults.
    compareIndexes(store, target, buffer);
    for (const ObjectCategory* category : {&procedureCategory, &viewCategory, &triggerCategory})
        compareObjects(*category, store, target, buffer);
    defaults.addStatements(buffer);
}

} // namespace dbc
