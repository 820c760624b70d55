#include "testserver/engine/empty_table_stand_ins.h"

#include "testserver/engine/row_store.h"
#include "testserver/engine/schema_resolution.h"

#include <algorithm>

namespace testserver {

namespace {

// The declared type as SQL Server names it, which the result's column
// metadata reads: `varchar(50)`, `int`, `decimal(9,2)`.
std::string declaredType(const std::string& type, std::optional<std::string> prec,
                         std::optional<std::string> scale) {
    static const char* const kSized[] = {"char",     "varchar", "nchar",
                                         "nvarchar", "binary",  "varbinary"};
    for (const char* sized : kSized)
        if (type == sized && prec)
            return type + "(" + *prec + ")";
    if ((type == "decimal" || type == "numeric") && prec)
        return type + "(" + *prec + "," + scale.value_or("0") + ")";
    return type;
}

} // namespace

EmptyTableStandIns::~EmptyTableStandIns() {
    for (const std::string& table : m_created) {
        try {
            bool view = std::find(m_views.begin(), m_views.end(), table) != m_views.end();
            m_db.execute((view ? "DROP VIEW IF EXISTS temp." : "DROP TABLE IF EXISTS temp.") +
                         quotedSqliteName(table));
        } catch (const CatalogDbError&) {
            // The connection is closing or the statement failed with it; a
            // temp table ends with its connection anyway.
        }
    }
}

CatalogStatement EmptyTableStandIns::prepare(const std::string& sql) {
    for (;;) {
        try {
            return m_db.prepare(sql);
        } catch (const CatalogDbError& error) {
            if (!standIn(error))
                throw;
        }
    }
}

bool EmptyTableStandIns::standIn(const CatalogDbError& error) {
    const std::string message = error.what();
    const std::string prefix = "no such table: ";
    if (message.rfind(prefix, 0) != 0)
        return false;
    const std::string name = message.substr(prefix.size());
    // The table as an unqualified name finds it, or, for a stand-in name the
    // statement rewriter made of schema.name, in that schema.
    const NameScope scope = nameScopeOf(m_db.serverYear());
    std::optional<long long> found =
        resolveObjectId(m_db.handle(), ObjectName{"", name}, scope, "U");
    if (!found && scope.schemas && name.find('.') != std::string::npos)
        found = resolveObjectId(m_db.handle(), objectNameOfText(name), scope, "U");
    if (!found)
        return false;
    const long long id = *found;
    // The stand-in takes the name as the statement spells it: SQL Server
    // finds [Emp] for a table named "Emp " (trailing blanks do not count in
    // names), SQLite only the name it was given.
    const std::string tableName = name;
    for (const std::string& created : m_created)
        if (created == tableName)
            return false; // stood in already: SQLite misses it for another reason
    RowStore rows(m_db);
    if (m_withRowIds)
        rows.ensure(id);
    if (rows.exists(id)) {
        m_db.execute("CREATE TEMP VIEW " + quotedSqliteName(tableName) + " AS " +
                     rows.viewSelect(id, m_withRowIds));
        m_created.push_back(tableName);
        m_views.push_back(tableName);
        return true;
    }
    auto columns = m_db.prepare("SELECT c.name, t.name, c.prec, c.scale FROM syscolumns c "
                                "JOIN systypes t ON t.xusertype = c.xtype WHERE c.id = ? "
                                "ORDER BY c.colid");
    columns.bind(1, id);
    std::string create = "CREATE TEMP TABLE " + quotedSqliteName(tableName) + " (";
    bool first = true;
    while (columns.step()) {
        auto optionalText = [&](int i) {
            return columns.isNull(i) ? std::nullopt : std::optional<std::string>(columns.text(i));
        };
        create += (first ? "" : ", ") + quotedSqliteName(columns.text(0)) + " " +
                  declaredType(columns.text(1), optionalText(2), optionalText(3));
        first = false;
    }
    if (first)
        return false;
    m_db.execute(create + ")");
    m_created.push_back(tableName);
    return true;
}

} // namespace testserver
