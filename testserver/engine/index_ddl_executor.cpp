// CREATE [UNIQUE] [CLUSTERED] INDEX, CREATE STATISTICS and DROP INDEX.

#include "testserver/engine/ddl_executor.h"

#include "testserver/engine/name_collation.h"
#include "testserver/engine/server_error.h"

#include <algorithm>

namespace testserver {

namespace {

// The filter as SQL Server keeps it: the predicate in one pair of
// parentheses, which a predicate already wrapped whole keeps as it is.
std::string storedFilterText(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' ||
                             text.back() == '\n'))
        text.pop_back();
    bool wrapped = text.size() >= 2 && text.front() == '(' && text.back() == ')';
    int depth = 0;
    for (std::size_t i = 0; wrapped && i + 1 < text.size(); ++i) {
        if (text[i] == '(')
            ++depth;
        else if (text[i] == ')' && --depth == 0)
            wrapped = false; // the first parenthesis closes before the end
    }
    return wrapped ? text : "(" + text + ")";
}

} // namespace

void DdlExecutor::execute(const CreateIndex& statement) {
    // INCLUDE came with SQL Server 2005, filtered indexes with 2008.
    if (!statement.included.empty() && m_serverYear < 2005)
        throw messages::syntaxNear("INCLUDE");
    if (statement.filter && m_serverYear < 2008)
        throw messages::syntaxNear("WHERE");
    CatalogTransaction transaction(m_catalog.db());
    std::optional<ObjectRow> table = m_catalog.findTable(statement.table);
    if (!table) {
        std::optional<ObjectRow> view = m_catalog.findObject(statement.table);
        if (view && view->xtype == "V")
            throw messages::notSupported("indexes on views");
        throw messages::indexTableMissing(statement.table.name, m_catalog.databaseName());
    }
    std::vector<IndexRow> indexes = m_catalog.indexes(table->id);
    if (statement.dropExisting)
        dropReplacedIndex(*table, statement.name, indexes);
    for (const IndexRow& index : indexes)
        if (namesEqual(index.name, statement.name)) {
            if (statement.statistics)
                throw ServerError(messages::make(1927, 16,
                                                 "There are already statistics on table '" +
                                                     table->name + "' named '" + statement.name +
                                                     "'."));
            throw messages::indexExists(table->name, statement.name);
        }
    std::vector<int> colids;
    for (const std::string& name : statement.columns) {
        std::optional<ColumnRow> column = m_catalog.findColumn(table->id, name);
        if (!column)
            throw messages::indexColumnMissing(name);
        if (column->xtype == 34 || column->xtype == 35 || column->xtype == 99)
            throw ServerError(messages::make(1919, 16,
                                             "Column '" + column->name +
                                                 "'. Cannot create index on a column of text, "
                                                 "ntext, or image data type."));
        for (int colid : colids)
            if (colid == column->colid)
                throw ServerError(messages::make(1909, 16,
                                                 "Cannot use duplicate column names in index. "
                                                 "Column name '" +
                                                     column->name + "' listed more than once."));
        colids.push_back(column->colid);
    }
    long long status = 0;
    int indid = 0;
    if (statement.statistics) {
        status = indexstatus::kStatistics;
        indid = m_catalog.freeIndexId(table->id);
    } else if (statement.clustered) {
        for (const IndexRow& index : indexes)
            if (index.indid == 1)
                throw messages::secondClustered(table->name, index.name);
        status = indexstatus::kCreatedIndex | indexstatus::kClustered;
        indid = 1;
    } else {
        status = indexstatus::kCreatedIndex;
        indid = m_catalog.freeIndexId(table->id);
    }
    if (statement.unique)
        status |= indexstatus::kUnique;
    status |= statement.statusBits;
    if (indid > 250)
        throw ServerError(messages::make(1910, 16,
                                         "Cannot create more than 249 nonclustered indices or "
                                         "column statistics on one table."));
    std::vector<int> included;
    for (const std::string& name : statement.included) {
        std::optional<ColumnRow> column = m_catalog.findColumn(table->id, name);
        if (!column)
            throw messages::indexColumnMissing(name);
        if (std::find(colids.begin(), colids.end(), column->colid) != colids.end() ||
            std::find(included.begin(), included.end(), column->colid) != included.end())
            throw ServerError(messages::make(1909, 16,
                                             "Cannot use duplicate column names in index. "
                                             "Column name '" +
                                                 column->name + "' listed more than once."));
        included.push_back(column->colid);
    }
    m_catalog.insertIndex(table->id, indid, statement.name, status, colids, statement.descending,
                          statement.fillFactor);
    m_catalog.insertIndexExtras(
        table->id, indid, included,
        statement.filter ? std::optional<std::string>(storedFilterText(*statement.filter))
                         : std::nullopt);
    if (indid == 1)
        m_catalog.setHeapRow(table->id, false);
    transaction.commit();
}

void DdlExecutor::dropReplacedIndex(const ObjectRow& table, const std::string& name,
                                    std::vector<IndexRow>& indexes) {
    auto found = std::find_if(indexes.begin(), indexes.end(), [&](const IndexRow& index) {
        return namesEqual(index.name, name) && (index.status & indexstatus::kStatisticsBit) == 0;
    });
    if (found == indexes.end())
        throw ServerError(messages::make(7999, 16,
                                         "Could not find any index named '" + name +
                                             "' for table '" + table.name + "'."));
    if (found->status & (indexstatus::kPrimaryKey | indexstatus::kUniqueConstraint))
        throw messages::notSupported("DROP_EXISTING on the index of a PRIMARY KEY or UNIQUE "
                                     "constraint");
    m_catalog.deleteIndex(table.id, found->indid);
    if (found->indid == 1)
        m_catalog.setHeapRow(table.id, true);
    indexes.erase(found);
}

std::optional<ForeignKeyRow> DdlExecutor::foreignKeyUsing(long long tableId,
                                                          const IndexRow& index) {
    std::vector<int> keyColumns = index.colids;
    std::sort(keyColumns.begin(), keyColumns.end());
    for (const ForeignKeyRow& key : m_catalog.foreignKeysReferencing(tableId)) {
        std::vector<int> referenced;
        for (auto [fkey, rkey] : key.columns)
            referenced.push_back(rkey);
        std::sort(referenced.begin(), referenced.end());
        if (referenced == keyColumns)
            return key;
    }
    return std::nullopt;
}

void DdlExecutor::execute(const DropIndexes& statement) {
    // DROP INDEX ix ON t came with SQL Server 2005; the releases before
    // refuse it as they refuse a name without its table.
    if (statement.onForm && m_serverYear < 2005)
        throw ServerError(messages::make(159, 15,
                                         "Must specify the table name and index name for the DROP "
                                         "INDEX statement."),
                          true);
    CatalogTransaction transaction(m_catalog.db());
    std::vector<ServerMessage> refused;
    for (const auto& [writtenTable, indexName] : statement.indexes) {
        std::optional<ObjectRow> table = m_catalog.findTable(writtenTable);
        const std::string& tableName = writtenTable.name;
        const IndexRow* found = nullptr;
        std::vector<IndexRow> indexes;
        if (table) {
            indexes = m_catalog.indexes(table->id);
            for (const IndexRow& index : indexes)
                if (namesEqual(index.name, indexName) &&
                    !(index.status & indexstatus::kStatisticsBit))
                    found = &index;
        }
        if (!found) {
            refused.push_back(messages::dropMissingIndex(tableName, indexName).messages().front());
            continue;
        }
        if (found->status & (indexstatus::kPrimaryKey | indexstatus::kUniqueConstraint)) {
            refused.push_back(messages::make(
                3723, 16,
                "An explicit DROP INDEX is not allowed on index '" + tableName + "." + indexName +
                    "'. It is being used for " +
                    ((found->status & indexstatus::kPrimaryKey) ? "PRIMARY KEY" : "UNIQUE KEY") +
                    " constraint enforcement.",
                4));
            continue;
        }
        if (foreignKeyUsing(table->id, *found)) {
            refused.push_back(messages::make(3723, 16,
                                             "An explicit DROP INDEX is not allowed on index '" +
                                                 tableName + "." + indexName +
                                                 "'. It is being used for FOREIGN KEY constraint "
                                                 "enforcement.",
                                             4));
            continue;
        }
        m_catalog.deleteIndex(table->id, found->indid);
        if (found->indid == 1)
            m_catalog.setHeapRow(table->id, true);
    }
    transaction.commit();
    if (!refused.empty())
        throw ServerError(std::move(refused), false);
}

} // namespace testserver
