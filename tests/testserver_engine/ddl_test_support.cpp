#include "tests/testserver_engine/ddl_test_support.h"

namespace testserver::test {

namespace {

std::string field(const std::vector<Value>& row, std::size_t i) {
    return row[i] ? *row[i] : std::string("NULL");
}

} // namespace

std::vector<std::string> tableColumns(EngineWithSession& db, const std::string& table) {
    ResultSet result = db.query(kColumnQuery);
    std::vector<std::string> rows;
    for (const auto& row : result.rows) {
        if (field(row, 9) != table)
            continue;
        std::string line = field(row, 0);
        for (std::size_t i : {2u, 4u, 5u, 6u, 7u, 8u})
            line += "|" + field(row, i);
        rows.push_back(line);
    }
    return rows;
}

std::vector<std::string> tableIndexes(EngineWithSession& db, const std::string& table) {
    ResultSet result = db.query(kIndexQuery);
    std::vector<std::string> rows;
    for (const auto& row : result.rows)
        if (field(row, 5) == table)
            rows.push_back(field(row, 0) + "|" + field(row, 1) + "|" + field(row, 6) + "|" +
                           field(row, 4));
    return rows;
}

std::vector<std::string> defaults(EngineWithSession& db) {
    return rowsAsText(db.query(kDefaultQuery));
}

std::vector<std::string> catalogSnapshot(EngineWithSession& db) {
    std::vector<std::string> all;
    for (const char* sql :
         {"select * from sysobjects order by id", "select * from syscolumns order by id, colid",
          "select * from sysindexes order by id, indid",
          "select * from sysindexkeys order by id, indid, keyno",
          "select * from syscomments order by id, colid",
          "select * from sysconstraints order by constid",
          "select * from sysforeignkeys order by constid, keyno",
          "select * from systypes order by xusertype",
          "select * from testserver_identity order by id",
          "select * from testserver_descending_keys order by id, indid, keyno",
          "select * from testserver_schemas order by schema_id"})
        for (const std::string& row : rowsAsText(db.query(sql)))
            all.push_back(row);
    return all;
}

} // namespace testserver::test
