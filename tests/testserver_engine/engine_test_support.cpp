#include "tests/testserver_engine/engine_test_support.h"

#include "testserver/engine/script_splitter.h"

#include <stdexcept>

namespace testserver::test {

void loadScript(Engine& engine, const std::string& name, const std::string& script) {
    engine.runScript("CREATE DATABASE [" + name + "]\nGO\nUSE [" + name + "]\nGO\n" +
                     scriptTextAsUtf8(script));
}

EngineWithSession::EngineWithSession(const std::string& script, const std::string& name,
                                     int version) {
    engine = std::make_unique<Engine>(dir.path(), std::nullopt, serverVersion(version));
    loadScript(*engine, name, script);
    session = engine->login("sa", "", name);
}

ResultSet EngineWithSession::query(const std::string& sql) {
    BatchResult result = session->executeBatch(sql);
    const StatementOutcome& outcome = result.statements.back();
    if (outcome.failed || !outcome.resultSet)
        throw std::runtime_error("query failed: " + sql + "\n" + messagesOf(outcome));
    return *outcome.resultSet;
}

StatementOutcome EngineWithSession::run(const std::string& sql) {
    return session->executeBatch(sql).statements.back();
}

void EngineWithSession::exec(const std::string& sql) {
    for (const StatementOutcome& outcome : session->executeBatch(sql).statements)
        if (outcome.failed)
            throw std::runtime_error("statement failed: " + sql + "\n" + messagesOf(outcome));
}

std::vector<std::string> rowsAsText(const ResultSet& result) {
    std::vector<std::string> rows;
    for (const auto& row : result.rows) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (i)
                line += '|';
            line += row[i] ? *row[i] : "NULL";
        }
        rows.push_back(line);
    }
    return rows;
}

std::vector<std::string> column(const ResultSet& result, const std::string& name) {
    auto lower = [](std::string text) {
        for (char& c : text)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        return text;
    };
    for (std::size_t i = 0; i < result.columns.size(); ++i) {
        if (lower(result.columns[i].name) != lower(name))
            continue;
        std::vector<std::string> values;
        for (const auto& row : result.rows)
            values.push_back(row[i] ? *row[i] : "NULL");
        return values;
    }
    throw std::runtime_error("no column " + name);
}

std::string messagesOf(const StatementOutcome& outcome) {
    std::string text;
    for (const ServerMessage& message : outcome.messages)
        text += std::to_string(message.number) + ": " + message.text + "\n";
    return text;
}

const char* const kColumnQuery =
    "SELECT a.name as FieldName, a.id, a.prec as FieldLength, "
    "a.xtype,a.IsNullable,a.TypeStat,a.Collation,a.colstat as colstat, b.name AS FieldType, "
    "c.name AS tablename  FROM syscolumns a INNER JOIN systypes b ON a.xtype = b.xtype AND "
    "a.id>1000 And  b.name <> 'sysname' INNER JOIN  sysobjects c ON c.id = a.id AND c.xtype = "
    "'u'   ORDER BY TableName,a.name ";

const char* const kCaptureColumnQuery =
    "SELECT a.name, a.id, a.prec as length, a.xtype,a.IsNullable,a.TypeStat,a.Collation,"
    "a.colstat as colstat, b.name AS TypeName, c.name AS tablename  FROM syscolumns a INNER JOIN "
    "systypes b ON a.xtype = b.xtype AND a.id>1000 And  b.name <> 'sysname' INNER JOIN  "
    "sysobjects c ON c.id = a.id AND c.xtype = 'u'   ORDER BY TableName,a.name ";

const char* const kIndexQuery =
    "SELECT a.indid as status, a.name AS IndexName, b.indid, b.colid, b.keyno AS "
    "IndexFieldOrder, c.name AS tablename, d.name AS IndexField  FROM sysindexes a INNER JOIN   "
    "sysindexkeys b ON a.id = b.id AND a.indid = b.indid INNER JOIN  sysobjects c ON a.id = c.id "
    "INNER JOIN  syscolumns d ON a.id = d.id AND b.colid = d.colid  WHERE   (c.xtype = 'u') and "
    "a.status>0 and a.status<8000000    ORDER BY TableName, IndexName, IndexFieldOrder  ";

const char* const kCaptureIndexQuery =
    "SELECT a.indid as status, a.name AS IndexName, b.indid, b.colid, b.keyno AS "
    "IndexFieldOrder, c.name AS tablename, d.name AS IndexField  FROM sysindexes a INNER JOIN   "
    "sysindexkeys b ON a.id = b.id AND a.indid = b.indid INNER JOIN  sysobjects c ON a.id = c.id "
    "INNER JOIN  syscolumns d ON a.id = d.id AND b.colid = d.colid  WHERE     (c.xtype = 'u') "
    "and a.status>0 and a.status<8000000    ORDER BY TableName, IndexName, IndexFieldOrder  ";

const char* const kDefaultQuery =
    "SELECT a.name AS DFName, b.name AS TableName,c.Text as DFValue,d.name as FieldName   FROM "
    "sysobjects a INNER JOIN      sysobjects b ON a.parent_obj = b.id Inner Join sysComments c "
    "on a.id=C.id inner join syscolumns d       on (a.type = 'D') AND (a.status >= 0) AND "
    "(b.type = 'U') AND (b.status >= 0)  and a.parent_obj=d.id and  a.info=d.colid   order by "
    "a.name";

const char* const kCaptureDefaultQuery =
    "SELECT a.name AS DFName, b.name AS TableName,c.Text as DFValue,d.name as FieldName   FROM "
    "sysobjects a INNER JOIN      sysobjects b ON a.parent_obj = b.id Inner Join sysComments c "
    "on a.id=C.id inner join syscolumns d       on (a.type = 'D') AND (a.status >= 0) AND "
    "(b.type = 'U') AND (b.status >= 0)  and a.parent_obj=d.id and a.info=d.colid  ";

} // namespace testserver::test
