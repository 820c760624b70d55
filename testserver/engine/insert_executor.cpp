// INSERT and SET IDENTITY_INSERT: new rows with their identity values and
// defaults, converted to the columns' types and checked against the table's
// constraints.

#include "testserver/engine/name_collation.h"
#include "testserver/engine/row_constraints.h"
#include "testserver/engine/row_executor.h"
#include "testserver/engine/row_values.h"
#include "testserver/engine/schema_resolution.h"
#include "testserver/engine/select_executor.h"
#include "testserver/engine/server_error.h"
#include "testserver/engine/temporary_tables.h"

namespace testserver {

namespace {

ServerError valueCountMismatch(bool moreColumns, bool select) {
    if (select)
        return ServerError(messages::make(
            moreColumns ? 120 : 121, 15,
            std::string("The select list for the INSERT statement contains ") +
                (moreColumns ? "fewer" : "more") +
                " items than the insert list. The number of SELECT values must match the "
                "number of INSERT columns."));
    return ServerError(messages::make(
        moreColumns ? 109 : 110, 15,
        std::string("There are ") + (moreColumns ? "more" : "fewer") +
            " columns in the INSERT statement than values specified in the VALUES clause. The "
            "number of values in the VALUES clause must match the number of columns specified "
            "in the INSERT statement."));
}

ServerError computedColumn(const std::string& column) {
    return ServerError(messages::make(271, 16,
                                      "Column '" + column +
                                          "' cannot be modified because it is either a computed "
                                          "column or is the result of a UNION operator."));
}

// The columns the statement gives values for, in its order.
std::vector<const StoredColumn*> targetColumns(const std::vector<StoredColumn>& columns,
                                               const InsertRows& statement) {
    std::vector<const StoredColumn*> targets;
    if (statement.columns.empty()) {
        for (const StoredColumn& column : columns)
            if (!column.identity && !column.computed && column.type.name != "timestamp")
                targets.push_back(&column);
        return targets;
    }
    for (const std::string& name : statement.columns) {
        const StoredColumn* found = nullptr;
        for (const StoredColumn& column : columns)
            if (namesEqual(column.name, name))
                found = &column;
        if (!found)
            throw messages::invalidColumnName(name);
        if (found->computed)
            throw computedColumn(found->name);
        for (const StoredColumn* earlier : targets)
            if (earlier == found)
                throw ServerError(
                    messages::make(264, 16,
                                   "Column name '" + found->name +
                                       "' appears more than once in the result column list."));
        targets.push_back(found);
    }
    return targets;
}

// The rows the statement gives, one value (or nothing for DEFAULT) per
// target column.
std::vector<std::vector<std::optional<SqlValue>>>
sourceRows(RowSession& session, const InsertRows& statement, std::size_t targets) {
    std::vector<std::vector<std::optional<SqlValue>>> rows;
    if (statement.defaultValues) {
        rows.emplace_back(targets);
        return rows;
    }
    if (!statement.select.empty()) {
        for (std::vector<SqlValue>& values :
             selectValues(session.db, statement.select, session.variables)) {
            if (values.size() != targets)
                throw valueCountMismatch(values.size() < targets, true);
            rows.emplace_back(values.begin(), values.end());
        }
        return rows;
    }
    for (const std::vector<std::optional<std::string>>& expressions : statement.values) {
        if (expressions.size() != targets)
            throw valueCountMismatch(expressions.size() < targets, false);
        std::string list;
        for (const std::optional<std::string>& expression : expressions)
            if (expression)
                list += (list.empty() ? "" : ", ") + *expression;
        std::vector<SqlValue> values;
        if (!list.empty()) {
            std::vector<std::vector<SqlValue>> evaluated =
                selectValues(session.db, "SELECT " + list, session.variables);
            if (!evaluated.empty())
                values = evaluated.front();
        }
        std::vector<std::optional<SqlValue>> row;
        std::size_t next = 0;
        for (const std::optional<std::string>& expression : expressions) {
            if (!expression)
                row.emplace_back();
            else
                row.emplace_back(next < values.size() ? values[next++] : SqlValue::null());
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace

long long executeInsert(RowSession& session, const InsertRows& statement) {
    RowTarget table = findUserTable(session.db, statement.table);
    RowStore store(session.db);
    std::vector<StoredColumn> columns = store.columns(table.id);
    std::optional<IdentitySpec> identity = store.identity(table.id);
    bool identityInsert = session.identityInsert == table.id;
    std::vector<const StoredColumn*> targets = targetColumns(columns, statement);
    bool explicitIdentity = false;
    for (const StoredColumn* column : targets)
        explicitIdentity = explicitIdentity || column->identity;
    if (identity && identityInsert && statement.columns.empty())
        throw ServerError(messages::make(8101, 16,
                                         "An explicit value for the identity column in table '" +
                                             table.name +
                                             "' can only be specified when a column list is used "
                                             "and IDENTITY_INSERT is ON."));
    if (explicitIdentity && !identityInsert)
        throw ServerError(messages::make(544, 16,
                                         "Cannot insert explicit value for identity column in "
                                         "table '" +
                                             table.name + "' when IDENTITY_INSERT is set to OFF."));
    if (identity && identityInsert && !explicitIdentity)
        throw ServerError(messages::make(
            545, 16,
            "Explicit value must be specified for identity column in table '" + table.name +
                "' either when IDENTITY_INSERT is set to ON or when a replication user is "
                "inserting into a NOT FOR REPLICATION identity column."));

    std::vector<StoredColumn> stored;
    for (const StoredColumn& column : columns)
        if (!column.computed)
            stored.push_back(column);
    CatalogTransaction change(session.db);
    try {
        std::vector<std::vector<std::optional<SqlValue>>> rows =
            sourceRows(session, statement, targets.size());
        clearChangedRows(session.db);
        for (const std::vector<std::optional<SqlValue>>& row : rows) {
            std::vector<SqlValue> values;
            for (const StoredColumn& column : stored) {
                // A listed column's value; nothing for DEFAULT or a column
                // the statement leaves out.
                std::optional<SqlValue> given;
                for (std::size_t i = 0; i < targets.size(); ++i)
                    if (targets[i]->colid == column.colid)
                        given = row[i];
                SqlValue value;
                if (column.identity && !given) {
                    value =
                        SqlValue::numeric(std::to_string(store.nextIdentity(table.id, *identity)));
                } else if (given) {
                    value = columnValue(column, *given);
                    if (column.identity && value.text)
                        store.noteIdentity(table.id, *identity, integerOf(value));
                } else {
                    value =
                        columnValue(column, defaultValue(session.db, session.variables, column));
                }
                if (!value.text && !column.nullable && column.type.name != "timestamp")
                    throw nullNotAllowed(column.name, session.database, table.name, "INSERT",
                                         table.schema.empty() ? "dbo" : table.schema);
                values.push_back(std::move(value));
            }
            markChangedRow(session.db, store.insert(table.id, stored, values));
        }
        RowConstraints(session.db, session.variables, session.database, table.id, table.name)
            .checkChangedRows("INSERT");
        change.commit();
        return static_cast<long long>(rows.size());
    } catch (const ServerError& error) {
        throw terminated(error);
    }
}

void setIdentityInsert(RowSession& session, const SetIdentityInsert& statement) {
    if (isTemporaryName(statement.table.name))
        return; // temporary tables hold no rows here
    RowTarget table = findUserTable(session.db, statement.table);
    if (!RowStore(session.db).identity(table.id))
        throw ServerError(messages::make(8106, 16,
                                         "Table '" + table.name +
                                             "' does not have the identity property. Cannot "
                                             "perform SET operation."));
    if (!statement.on) {
        if (session.identityInsert == table.id)
            session.identityInsert.reset();
        return;
    }
    if (session.identityInsert && *session.identityInsert != table.id) {
        auto other = session.db.prepare("SELECT name, uid FROM sysobjects WHERE id = ?");
        other.bind(1, *session.identityInsert);
        bool found = other.step();
        std::string otherName = found ? other.text(0) : std::string("?");
        std::string otherSchema =
            found ? findSchemaName(session.db.handle(), other.integer(1)).value_or("dbo") : "dbo";
        throw ServerError(
            messages::make(8107, 16,
                           "IDENTITY_INSERT is already ON for table '" + session.database + "." +
                               otherSchema + "." + otherName +
                               "'. Cannot perform SET operation for table '" + table.name + "'."));
    }
    session.identityInsert = table.id;
}

} // namespace testserver
