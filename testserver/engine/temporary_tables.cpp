#include "testserver/engine/temporary_tables.h"

#include "testserver/engine/catalog_schema.h"
#include "testserver/engine/help_text.h"
#include "testserver/engine/lexer.h"
#include "testserver/engine/server_error.h"

namespace testserver {

bool isTemporaryName(std::string_view name) {
    std::string object = objectPartOfName(name);
    return !object.empty() && object.front() == '#';
}

void refuseTemporaryTableData(std::string_view sql) {
    for (const Token& token : tokenize(sql)) {
        const std::string& name = token.isWord() ? token.text : token.value;
        if (token.isName() && !name.empty() && name.front() == '#')
            throw messages::noTableData("SELECT");
    }
}

CatalogDb& TemporaryTables::catalog() {
    if (!m_db) {
        auto db = std::make_unique<CatalogDb>(std::filesystem::path(), CatalogDb::Mode::CreateNew);
        createCatalog(*db);
        m_db = std::move(db);
    }
    return *m_db;
}

std::optional<long long> TemporaryTables::objectId(std::string_view name) {
    if (!m_db)
        return std::nullopt;
    auto find = m_db->prepare("SELECT id FROM sysobjects WHERE name = ?");
    find.bind(1, objectPartOfName(name));
    if (!find.step())
        return std::nullopt;
    return std::stoll(find.text(0));
}

void TemporaryTables::copyInto(CatalogDb& session) {
    static const char* const kTables[] = {"sysobjects", "syscolumns", "sysindexes"};
    CatalogDb& source = catalog();
    if (session.queryInteger("SELECT count(*) FROM pragma_database_list WHERE name = 'tempdb'")
            .value_or(0) == 0) {
        session.execute("ATTACH DATABASE ':memory:' AS tempdb");
        for (const char* table : kTables) {
            auto definition =
                source.prepare("SELECT sql FROM sqlite_master WHERE type = 'table' AND name = ?");
            definition.bind(1, std::string(table));
            if (!definition.step())
                continue;
            std::string sql = definition.text(0);
            session.execute("CREATE TABLE tempdb." + std::string(table) + " " +
                            sql.substr(sql.find('(')));
        }
    }
    for (const char* table : kTables)
        copyRows(source, table, session, "tempdb." + std::string(table));
}

} // namespace testserver
