#include "bench/support/catalog_file_writer.h"

#include "bench/support/column_values.h"
#include "testserver/engine/catalog.h"
#include "testserver/engine/catalog_db.h"
#include "testserver/engine/catalog_schema.h"
#include "testserver/engine/syscolumns_row.h"

#include <stdexcept>
#include <unordered_map>
#include <unordered_set>

namespace dbc::bench {

namespace fs = std::filesystem;

namespace {

// User object ids start where the server's own start, above 1000.
constexpr long long kFirstUserId = 1977058079;

struct TableIds {
    long long id = 0;
    std::unordered_map<std::string, int> colids;
};

// The INSERT statements of one catalog, prepared once.
class CatalogRows {
public:
    explicit CatalogRows(testserver::CatalogDb& db)
        : m_object(db.prepare("INSERT INTO sysobjects (name, id, xtype, type, uid, info, status, "
                              "parent_obj) VALUES (?, ?, ?, ?, 1, ?, 0, ?)")),
          m_column(db.prepare(std::string(testserver::kSyscolumnsInsertColumns) +
                              ", cdefault) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                              "?, ?, ?, ?)")),
          m_index(db.prepare("INSERT INTO sysindexes (id, status, indid, name, keycnt) "
                             "VALUES (?, ?, ?, ?, ?)")),
          m_key(
              db.prepare("INSERT INTO sysindexkeys (id, indid, colid, keyno) VALUES (?, ?, ?, ?)")),
          m_comment(db.prepare("INSERT INTO syscomments (id, number, colid, status, texttype, "
                               "encrypted, text) VALUES (?, 0, 1, 0, 0, 0, ?)")) {}

    long long object(const std::string& name, const char* xtype, long long parent = 0) {
        const long long id = reserveId();
        objectWithId(id, name, xtype, parent, 0);
        return id;
    }

    void objectWithId(long long id, const std::string& name, const char* xtype, long long parent,
                      int info) {
        m_object.bind(1, name).bind(2, id).bind(3, xtype).bind(4, xtype).bind(5, info).bind(6,
                                                                                            parent);
        m_object.run();
        m_object.reset();
    }

    void column(long long tableId, int colid, const ColumnSpec& definition, long long cdefault) {
        const testserver::ColumnTypeValues values = testserver::columnTypeValues(
            testserver::DeclaredType{definition.typeName, definition.length, definition.scale},
            definition.name, 1);
        const std::optional<std::string> collation =
            values.character ? std::optional<std::string>(kCollation) : std::nullopt;
        testserver::bindSyscolumnsRow(m_column,
                                      {definition.name, tableId, colid, values, definition.nullable,
                                       definition.identity, collation});
        m_column.bind(19, cdefault);
        m_column.run();
        m_column.reset();
    }

    void index(long long tableId, int indid, const std::string& name, long long status,
               const std::vector<int>& colids) {
        m_index.bind(1, tableId)
            .bind(2, status)
            .bind(3, indid)
            .bind(4, name)
            .bind(5, static_cast<int>(colids.size()));
        m_index.run();
        m_index.reset();
        int keyno = 1;
        for (int colid : colids) {
            m_key.bind(1, tableId).bind(2, indid).bind(3, colid).bind(4, keyno++);
            m_key.run();
            m_key.reset();
        }
    }

    void comment(long long id, const std::string& text) {
        if (text.size() > 4000)
            throw std::runtime_error("synthetic object texts are kept under 4000 characters");
        m_comment.bind(1, id).bind(2, text);
        m_comment.run();
        m_comment.reset();
    }

    long long reserveId() { return m_nextId++; }

private:
    testserver::CatalogStatement m_object;
    testserver::CatalogStatement m_column;
    testserver::CatalogStatement m_index;
    testserver::CatalogStatement m_key;
    testserver::CatalogStatement m_comment;
    long long m_nextId = kFirstUserId;
};

const TableIds& tableOf(const std::unordered_map<std::string, TableIds>& tables,
                        const std::string& name) {
    auto found = tables.find(name);
    if (found == tables.end())
        throw std::runtime_error("synthetic schema names an unknown table " + name);
    return found->second;
}

int colidOf(const TableIds& table, const std::string& column) {
    auto found = table.colids.find(column);
    if (found == table.colids.end())
        throw std::runtime_error("synthetic schema names an unknown column " + column);
    return found->second;
}

} // namespace

void writeCatalogFile(const fs::path& dataDir, const std::string& name,
                      const SyntheticSchema& schema) {
    const fs::path file = dataDir / (name + ".sqlite");
    fs::create_directories(dataDir);
    fs::remove(file);
    testserver::CatalogDb db(file, testserver::CatalogDb::Mode::CreateNew);
    testserver::createCatalog(db, kCollation);

    testserver::CatalogTransaction transaction(db);
    CatalogRows rows(db);

    // Default constraints get their ids first, so each column row is written
    // once, with its cdefault already set.
    std::vector<long long> defaultIds;
    std::unordered_map<std::string, long long> defaultOfColumn; // "table\x1fcolumn"
    for (const DefaultSpec& df : schema.defaults) {
        defaultIds.push_back(rows.reserveId());
        defaultOfColumn.emplace(df.table + '\x1f' + df.column, defaultIds.back());
    }

    std::unordered_set<std::string> clustered;
    for (const IndexSpec& index : schema.indexes)
        if (index.number == 1)
            clustered.insert(index.table);

    std::unordered_map<std::string, TableIds> tables;
    for (const TableSpec& table : schema.tables) {
        TableIds& ids = tables[table.name];
        ids.id = rows.object(table.name, "U");
        int colid = 1;
        for (const ColumnSpec& column : table.columns) {
            auto df = defaultOfColumn.find(table.name + '\x1f' + column.name);
            rows.column(ids.id, colid, column, df == defaultOfColumn.end() ? 0 : df->second);
            ids.colids.emplace(column.name, colid++);
        }
        // A table without a clustered index has its heap row (indid 0).
        if (!clustered.contains(table.name))
            rows.index(ids.id, 0, table.name, 0, {});
    }

    for (const IndexSpec& index : schema.indexes) {
        const TableIds& table = tableOf(tables, index.table);
        std::vector<int> colids;
        for (const std::string& key : index.keys)
            colids.push_back(colidOf(table, key));
        long long status = testserver::indexstatus::kCreatedIndex;
        if (index.number == 1)
            status |= testserver::indexstatus::kClustered;
        rows.index(table.id, index.number, index.name, status, colids);
    }

    for (const ModuleSpec& module : schema.modules) {
        const long long parent =
            module.kind == ModuleKind::Trigger ? tableOf(tables, module.parentTable).id : 0;
        const long long id = rows.object(module.name, testserver::moduleXtype(module.kind), parent);
        rows.comment(id, module.text);
    }

    for (std::size_t i = 0; i < schema.defaults.size(); ++i) {
        const DefaultSpec& df = schema.defaults[i];
        const TableIds& table = tableOf(tables, df.table);
        rows.objectWithId(defaultIds[i], df.name, "D", table.id, colidOf(table, df.column));
        rows.comment(defaultIds[i], df.value);
    }
    transaction.commit();
}

} // namespace dbc::bench
