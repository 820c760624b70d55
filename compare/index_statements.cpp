#include "index_statements.h"

#include "sql_names.h"

namespace dbc {

namespace {

// "[a],[b] DESC": the key columns in key order, a descending one marked.
std::string keyColumnList(const IndexDefinition& index) {
    std::string list;
    for (const IndexKeyColumn& key : index.keys) {
        if (!list.empty())
            list += ',';
        list += "[" + bracketedNameBody(key.name) + "]";
        if (key.descending)
            list += " DESC";
    }
    return list;
}

std::string addKeyConstraintStatement(const IndexDefinition& index) {
    return "ALTER TABLE " + sqlName(index.tableName) + " ADD CONSTRAINT " + sqlName(index.name) +
           (index.isPrimaryKey() ? " PRIMARY KEY " : " UNIQUE ") +
           (index.clustered() ? "CLUSTERED" : "NONCLUSTERED") + " (" + keyColumnList(index) +
           ") ON [PRIMARY]";
}

} // namespace

std::string createIndexStatement(const IndexDefinition& index) {
    if (index.isKeyConstraint())
        return addKeyConstraintStatement(index);
    return std::string("Create ") + (index.unique ? "UNIQUE " : "") +
           (index.clustered() ? "CLUSTERED  " : "") + "INDEX " + sqlName(index.name) + " On [" +
           bracketedNameBody(index.tableName) + "] (" + keyColumnList(index) + ") ON [PRIMARY]";
}

std::string dropIndexStatement(const std::string& tableName, const IndexDefinition& index) {
    if (index.isKeyConstraint())
        return "ALTER TABLE " + sqlName(tableName) + " DROP CONSTRAINT " + sqlName(index.name);
    return "Drop Index " + sqlName(tableName) + "." + sqlName(index.name);
}

} // namespace dbc
