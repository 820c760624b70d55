#include "compare_run.h"

#include "table_compare.h"

namespace dbc {

void runCompare(Connection& store, Connection& target, const std::string& databaseName,
                ScriptBuffer& buffer) {
    const TableCategoryRows tables = fetchTableCategoryRows(store, target);
    if (tables.tableNames.empty())
        return;
    buffer.clearDisplay();
    buffer.addStatement("use " + databaseName);
    compareTables(tables, buffer);
}

} // namespace dbc
