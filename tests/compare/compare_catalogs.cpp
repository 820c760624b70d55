#include "tests/compare/compare_catalogs.h"

#include "catalog/catalog_queries.h"

#include "compare/compare_run.h"

#include <map>
#include <set>

namespace dbc::test {

const ObjectTables procedureTables{"Select SpName From SourceSp Group by SpName",
                                   "Select * From SourceSp ", "SpName", "SpText", "P"};
const ObjectTables viewTables{"Select ViewName From SourceView Group by ViewName",
                              "Select * From SourceView ", "ViewName", "ViewText", "V"};
const ObjectTables triggerTables{"Select TRName From SourceTR Group by TRName",
                                 "Select * From SourceTR ", "TRName", "TRText", "TR"};
const ObjectTables functionTables{"Select FNName From SourceFN Group by FNName",
                                  "Select * From SourceFN ", "FNName", "FNText", "FN"};

const std::string targetColumnQuery =
    "SELECT a.name as FieldName, a.id, a.prec as FieldLength, a.scale as FieldScale, a.xtype,"
    "a.IsNullable,a.TypeStat,a.Collation,a.colstat as colstat, b.name AS FieldType, c.name AS "
    "tablename  FROM syscolumns a INNER JOIN systypes b ON b.xusertype = CASE a.xusertype WHEN "
    "256 THEN a.xtype ELSE a.xusertype END AND a.id>1000 INNER JOIN  sysobjects c ON c.id = a.id "
    "AND c.xtype = 'u'   ORDER BY TableName,a.name ";

const std::string targetIndexQuery =
    "SELECT a.indid as status, a.name AS IndexName, b.indid, b.colid, b.keyno AS "
    "IndexFieldOrder, c.name AS tablename, d.name AS IndexField, CASE WHEN (a.status & 2) <> 0 "
    "THEN '1' ELSE '0' END AS IsUnique, CASE WHEN (a.status & 2048) <> 0 THEN 'PK' WHEN "
    "(a.status & 4096) <> 0 THEN 'UQ' ELSE '' END AS KeyConstraint, INDEXKEY_PROPERTY(a.id, "
    "a.indid, b.keyno, 'IsDescending') AS IsDescending  FROM sysindexes a INNER JOIN   "
    "sysindexkeys b ON a.id = b.id AND a.indid = b.indid INNER JOIN  sysobjects c ON a.id = c.id "
    "INNER JOIN  syscolumns d ON a.id = d.id AND b.colid = d.colid  WHERE   (c.xtype = 'u') and "
    "a.status>0 and a.status<8000000    ORDER BY TableName, IndexName, IndexFieldOrder  ";

const std::string targetDefaultQuery =
    "SELECT a.name AS DFName, b.name AS TableName,c.Text as DFValue,d.name as FieldName   FROM "
    "sysobjects a INNER JOIN      sysobjects b ON a.parent_obj = b.id Inner Join sysComments c "
    "on a.id=C.id inner join syscolumns d       on (a.type = 'D') AND (a.status >= 0) AND "
    "(b.type = 'U') AND (b.status >= 0)  and a.parent_obj=d.id and  a.info=d.colid   order by "
    "a.name";

const std::string targetForeignKeyQuery =
    "SELECT o.name AS FKName, t.name AS TableName, tc.name AS FieldName, r.name AS RefTableName, "
    "rc.name AS RefFieldName, k.keyno AS KeyOrder, OBJECTPROPERTY(k.constid, "
    "'CnstIsDeleteCascade') AS DeleteCascade, OBJECTPROPERTY(k.constid, 'CnstIsUpdateCascade') "
    "AS UpdateCascade, OBJECTPROPERTY(k.constid, 'CnstIsDisabled') AS IsDisabled, "
    "OBJECTPROPERTY(k.constid, 'CnstIsNotRepl') AS NotForReplication, OBJECTPROPERTY(k.constid, "
    "'CnstIsNotTrusted') AS NotTrusted FROM sysforeignkeys k INNER JOIN sysobjects o ON o.id = "
    "k.constid INNER "
    "JOIN sysobjects t ON t.id = k.fkeyid INNER JOIN syscolumns tc ON tc.id = k.fkeyid AND "
    "tc.colid = k.fkey INNER JOIN sysobjects r ON r.id = k.rkeyid INNER JOIN syscolumns rc ON "
    "rc.id = k.rkeyid AND rc.colid = k.rkey WHERE t.xtype = 'U' AND r.xtype = 'U' ORDER BY "
    "FKName, KeyOrder";

const std::string checkQuery =
    "SELECT o.name AS CKName, t.name AS TableName, c.name AS FieldName, m.text AS CKText, "
    "m.colid AS TextOrder, OBJECTPROPERTY(o.id, 'CnstIsNotRepl') AS NotForReplication, "
    "OBJECTPROPERTY(o.id, 'CnstIsDisabled') AS Disabled FROM sysobjects o INNER JOIN sysobjects "
    "t ON t.id = o.parent_obj INNER JOIN syscomments m ON m.id = o.id INNER JOIN sysconstraints "
    "s ON s.constid = o.id LEFT OUTER JOIN syscolumns c ON c.id = s.id AND c.colid = s.colid "
    "WHERE o.xtype = 'C' AND t.xtype = 'U' ORDER BY CKName, TextOrder";

const std::string computedColumnQuery =
    "SELECT o.name AS TableName, c.name AS FieldName, m.text AS Definition, m.colid AS TextOrder "
    "FROM syscolumns c INNER JOIN sysobjects o ON o.id = c.id INNER JOIN syscomments m ON m.id = "
    "c.id AND m.number = c.colid WHERE o.xtype = 'U' AND c.iscomputed = 1 ORDER BY TableName, "
    "FieldName, TextOrder";

const std::string aliasTypeQuery =
    "SELECT t.name AS TypeName, b.name AS BaseType, t.prec AS Length, t.scale AS Scale, "
    "t.allownulls AS AllowNulls FROM systypes t INNER JOIN systypes b ON b.xusertype = t.xtype "
    "WHERE t.xusertype > 256 ORDER BY TypeName";

const std::string targetCollationQuery =
    "SELECT DATABASEPROPERTYEX(DB_NAME(), 'Collation') AS Collation";

namespace {

std::string quoted(const std::string& name) {
    std::string literal = "N'";
    for (char c : name) {
        literal += c;
        if (c == '\'')
            literal += '\'';
    }
    return literal + "'";
}

template <typename Row, typename TableOf>
std::vector<std::string> firstSeenTables(const std::vector<Row>& rows, TableOf tableOf) {
    std::vector<std::string> names;
    std::set<std::string> seen;
    for (const Row& row : rows) {
        if (seen.insert(tableOf(row)).second)
            names.push_back(tableOf(row));
    }
    return names;
}

} // namespace

std::string existenceQuery(const std::string& typeCode, const std::string& name) {
    // A function is asked for under its three kinds at once.
    const std::string type =
        typeCode == "FN" ? std::string("type IN ('FN','IF','TF')") : "type='" + typeCode + "'";
    return "Select * From sysObjects where " + type + " and Status>=0 and name=" + quoted(name);
}

std::string textQuery(const std::string& name) {
    return "Exec sp_helpText " + quoted(name);
}

Catalogs::Catalogs() {
    setColumns({}, {});
    setIndexes({}, {});
    for (const ObjectTables* tables : {&procedureTables, &viewTables, &triggerTables})
        setObjects(*tables, {}, {});
    setDefaults({}, {});
    setTargetCollation("Chinese_PRC_CI_AS");
    setForeignKeys(std::nullopt, {});
    setChecks(std::nullopt, {});
    setFunctions(std::nullopt, {});
    setComputed({});
    setAliasTypes(std::nullopt, {});
    // The triggers a table rebuild puts back: none.
    target.answer(catalog::tableTriggers, makeResult({"TriggerName", "TableName"}, {}));
}

void Catalogs::setColumns(const std::vector<Col>& snapshot, const std::vector<Col>& targetSide,
                          bool earlierStoreLayout, bool computedLayout) {
    store.answer("Select * From SourceTable Order by TableName,FieldName",
                 snapshotColumns(snapshot, earlierStoreLayout, computedLayout));
    store.answer(
        "Select TableName From SourceTable Group by TableName",
        nameList("TableName", firstSeenTables(snapshot, [](const Col& c) { return c.table; })));
    target.answer(targetColumnQuery, targetColumns(targetSide));
}

void Catalogs::setIndexes(const std::vector<Key>& snapshot, const std::vector<Key>& targetSide) {
    store.answer("Select * From SourceIndex Order by TableName,IndexName,IndexFieldOrder",
                 snapshotIndexKeys(snapshot));
    store.answer(
        "Select TableName From SourceIndex Group by TableName",
        nameList("TableName", firstSeenTables(snapshot, [](const Key& k) { return k.table; })));
    target.answer(targetIndexQuery, targetIndexKeys(targetSide));
}

void Catalogs::setObjects(const ObjectTables& tables, const std::vector<StoredObject>& snapshot,
                          const std::vector<TargetObject>& targetSide) {
    std::vector<std::string> names;
    std::vector<std::pair<std::string, std::string>> rows;
    for (const StoredObject& object : snapshot) {
        names.push_back(object.name);
        for (const std::string& row : object.rows)
            rows.emplace_back(object.name, row);
        target.answer(existenceQuery(tables.typeCode, object.name),
                      makeResult({"name", "id", "xtype", "status"}, {}));
    }
    store.answer(tables.nameListQuery, nameList(tables.nameField, names));
    store.answer(tables.storedRowsQuery, textRows(tables.nameField, tables.textField, rows));
    for (const TargetObject& object : targetSide) {
        target.answer(existenceQuery(tables.typeCode, object.name),
                      makeResult({"name", "id", "xtype", "status"},
                                 {{object.name, "2001", tables.typeCode, "0"}}));
        if (!object.text) {
            target.fail(textQuery(object.name), object.error);
            continue;
        }
        Result text({"Text"}, {});
        for (const std::string& row : *object.text)
            text.addRow({row});
        target.answer(textQuery(object.name), text);
    }
}

void Catalogs::setFunctions(const std::optional<std::vector<StoredObject>>& snapshot,
                            const std::vector<TargetObject>& targetSide) {
    store.answer("SELECT name FROM sqlite_master WHERE type = 'table' AND name = 'SourceFN' "
                 "COLLATE NOCASE",
                 snapshot ? nameList("name", {"SourceFN"}) : nameList("name", {}));
    setObjects(functionTables, snapshot.value_or(std::vector<StoredObject>{}), targetSide);
}

void Catalogs::setDefaults(const std::vector<Df>& snapshot, const std::vector<Df>& targetSide) {
    store.answer("Select * From SourceDF Order by DFName", snapshotDefaults(snapshot));
    target.answer(targetDefaultQuery, targetDefaults(targetSide));
}

void Catalogs::setTargetCollation(const std::string& collation) {
    target.answer(targetCollationQuery, makeResult({"Collation"}, {{collation}}));
}

namespace {

// The target's reading carries the key's state as the server reports it;
// the store keeps NOT FOR REPLICATION and disabled.
Result foreignKeyRows(const std::vector<std::vector<std::string>>& rows, bool fromTarget) {
    std::vector<std::string> names{"FKName",       "TableName", "FieldName",     "RefTableName",
                                   "RefFieldName", "KeyOrder",  "DeleteCascade", "UpdateCascade"};
    if (fromTarget)
        names.insert(names.end(), {"IsDisabled", "NotForReplication", "NotTrusted"});
    else
        names.insert(names.end(), {"NotForReplication", "Disabled"});
    Result result(names, {});
    std::map<std::string, int> positions;
    for (const auto& row : rows) {
        auto field = [&](std::size_t i, const char* otherwise) {
            return i < row.size() && !row[i].empty() ? row[i] : std::string(otherwise);
        };
        std::vector<std::string> values{field(0, ""),  field(1, ""),
                                        field(2, ""),  field(3, ""),
                                        field(4, ""),  std::to_string(++positions[field(0, "")]),
                                        field(5, "0"), field(6, "0")};
        if (fromTarget)
            values.insert(values.end(), {field(8, "0"), field(7, "0"), "0"});
        else
            values.insert(values.end(), {field(7, "0"), field(8, "0")});
        result.addRow(values);
    }
    return result;
}

} // namespace

void Catalogs::setForeignKeys(const std::optional<std::vector<std::vector<std::string>>>& snapshot,
                              const std::vector<std::vector<std::string>>& targetSide) {
    store.answer("SELECT name FROM sqlite_master WHERE type = 'table' AND name = 'SourceFK' "
                 "COLLATE NOCASE",
                 snapshot ? nameList("name", {"SourceFK"}) : nameList("name", {}));
    store.answer("Select * From SourceFK Order by FKName,KeyOrder",
                 foreignKeyRows(snapshot.value_or(std::vector<std::vector<std::string>>{}), false));
    target.answer(targetForeignKeyQuery, foreignKeyRows(targetSide, true));
}

void Catalogs::setChecks(const std::optional<std::vector<std::vector<std::string>>>& snapshot,
                         const std::vector<std::vector<std::string>>& targetSide) {
    auto rows = [](const std::vector<std::vector<std::string>>& from, bool fromTarget) {
        Result result(
            {"CKName", "TableName", "FieldName", "CKText", "NotForReplication", "Disabled"}, {});
        if (fromTarget)
            result = Result({"CKName", "TableName", "FieldName", "CKText", "TextOrder",
                             "NotForReplication", "Disabled"},
                            {});
        for (const auto& row : from) {
            auto field = [&](std::size_t i, const char* otherwise) {
                return i < row.size() && !row[i].empty() ? row[i] : std::string(otherwise);
            };
            if (fromTarget)
                result.addRow({field(0, ""), field(1, ""), field(2, ""), field(3, ""), "1",
                               field(4, "0"), field(5, "0")});
            else
                result.addRow({field(0, ""), field(1, ""), field(2, ""), field(3, ""),
                               field(4, "0"), field(5, "0")});
        }
        return result;
    };
    store.answer("SELECT name FROM sqlite_master WHERE type = 'table' AND name = 'SourceCK' "
                 "COLLATE NOCASE",
                 snapshot ? nameList("name", {"SourceCK"}) : nameList("name", {}));
    store.answer("Select * From SourceCK Order by CKName",
                 rows(snapshot.value_or(std::vector<std::vector<std::string>>{}), false));
    target.answer(checkQuery, rows(targetSide, true));
}

void Catalogs::setComputed(const std::vector<std::vector<std::string>>& targetSide) {
    Result rows({"TableName", "FieldName", "Definition", "TextOrder"}, {});
    for (const auto& row : targetSide)
        rows.addRow({row.at(0), row.at(1), row.at(2), "1"});
    target.answer(computedColumnQuery, rows);
}

void Catalogs::setAliasTypes(const std::optional<std::vector<std::vector<std::string>>>& snapshot,
                             const std::vector<std::vector<std::string>>& targetSide) {
    auto rows = [](const std::vector<std::vector<std::string>>& from, bool fromTarget) {
        Result result(fromTarget ? std::vector<std::string>{"TypeName", "BaseType", "Length",
                                                            "Scale", "AllowNulls"}
                                 : std::vector<std::string>{"TypeName", "BaseType", "FieldLength",
                                                            "FieldScale", "IsNullable"},
                      {});
        for (const auto& row : from)
            result.addRow({row.at(0), row.at(1), row.at(2), row.at(3), row.at(4)});
        return result;
    };
    store.answer("SELECT name FROM sqlite_master WHERE type = 'table' AND name = 'SourceType' "
                 "COLLATE NOCASE",
                 snapshot ? nameList("name", {"SourceType"}) : nameList("name", {}));
    store.answer("Select * From SourceType Order by TypeName",
                 rows(snapshot.value_or(std::vector<std::vector<std::string>>{}), false));
    target.answer(aliasTypeQuery, rows(targetSide, true));
}

namespace {

void addAll(const ChangeList& changes, ScriptBuffer& buffer) {
    for (const Change& change : changes)
        buffer.add(change);
}

} // namespace

bool compareTables(const Result& snapshotColumns, const Result& tableNames,
                   const Result& targetColumns, ScriptBuffer& buffer) {
    FakeConnection store;
    FakeConnection target;
    store.answer("Select * From SourceTable Order by TableName,FieldName", snapshotColumns);
    store.answer("Select TableName From SourceTable Group by TableName", tableNames);
    target.answer(targetColumnQuery, targetColumns);
    ChangeList changes;
    const std::vector<DefaultConstraint> none;
    std::set<std::string> carried;
    const bool listed = compareTablePart(store, target, {none, none}, carried, changes);
    addAll(changes, buffer);
    return listed;
}

bool compareIndexes(Connection& store, Connection& target, ScriptBuffer& buffer) {
    ChangeList changes;
    const bool listed = compareIndexPart(store, target, changes);
    addAll(changes, buffer);
    return listed;
}

bool compareObjects(const ObjectKind& kind, Connection& store, Connection& target,
                    ScriptBuffer& buffer) {
    ChangeList changes;
    const bool listed = compareModulePart(kind, store, target, changes);
    addAll(changes, buffer);
    return listed;
}

void compareDefaults(Connection& store, Connection& target, ScriptBuffer& buffer) {
    ChangeList changes;
    compareDefaultPart(store, target, changes);
    addAll(changes, buffer);
}

} // namespace dbc::test
