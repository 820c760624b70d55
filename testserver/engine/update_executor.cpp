// UPDATE: the rows the statement finds get their new values, computed from
// the old ones, converted to the columns' types and checked against the
// table's constraints and the FOREIGN KEYs that reference it; ON UPDATE
// CASCADE carries a changed key to the rows that reference it.

#include "testserver/engine/name_collation.h"
#include "testserver/engine/row_constraints.h"
#include "testserver/engine/row_executor.h"
#include "testserver/engine/row_values.h"
#include "testserver/engine/select_executor.h"
#include "testserver/engine/server_error.h"
#include "testserver/engine/update_cascade.h"

#include <set>

namespace testserver {

long long executeUpdate(RowSession& session, const UpdateRows& statement) {
    RowTarget table = resolveTarget(session.db, statement.target, statement.from);
    RowStore store(session.db);
    std::vector<StoredColumn> all = store.columns(table.id);
    std::vector<StoredColumn> assigned;
    std::string expressions;
    for (const auto& [name, expression] : statement.assignments) {
        const StoredColumn* found = nullptr;
        for (const StoredColumn& column : all)
            if (namesEqual(column.name, name))
                found = &column;
        if (!found)
            throw messages::invalidColumnName(name);
        if (found->identity)
            throw ServerError(
                messages::make(8102, 16, "Cannot update identity column '" + found->name + "'."));
        if (found->computed)
            throw ServerError(messages::make(271, 16,
                                             "Column '" + found->name +
                                                 "' cannot be modified because it is either a "
                                                 "computed column or is the result of a UNION "
                                                 "operator."));
        assigned.push_back(*found);
        expressions += (expressions.empty() ? "" : ", ") + expression;
    }
    CatalogTransaction change(session.db);
    try {
        std::vector<std::vector<SqlValue>> found =
            selectValues(session.db, rowSelect(table, expressions, statement.from, statement.where),
                         session.variables, true);
        clearChangedRows(session.db);
        RowConstraints constraints(session.db, session.variables, session.database, table.id,
                                   table.name);
        UpdateCascade cascade(session.db, table.id);
        std::set<long long> done; // a row a join finds twice changes once
        for (const std::vector<SqlValue>& row : found) {
            long long rowid = integerOf(row.front());
            if (!done.insert(rowid).second)
                continue;
            std::vector<SqlValue> values;
            for (std::size_t i = 0; i < assigned.size(); ++i) {
                SqlValue value = columnValue(assigned[i], row[i + 1]);
                if (!value.text && !assigned[i].nullable)
                    throw nullNotAllowed(assigned[i].name, session.database, table.name, "UPDATE",
                                         table.schema.empty() ? "dbo" : table.schema);
                values.push_back(std::move(value));
            }
            constraints.rememberKeys(rowid);
            cascade.remember(rowid);
            store.update(table.id, rowid, assigned, values);
            markChangedRow(session.db, rowid);
        }
        cascade.apply();
        constraints.checkChangedRows("UPDATE");
        constraints.checkReferencesTo("UPDATE");
        change.commit();
        return static_cast<long long>(done.size());
    } catch (const ServerError& error) {
        throw terminated(error);
    }
}

} // namespace testserver
