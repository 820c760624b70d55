#include "tests/compare/catalog_rows.h"

namespace dbc::test {

Result snapshotColumns(const std::vector<Col>& columns, bool earlierLayout, bool computedLayout) {
    std::vector<std::string> names{"FieldName", "FieldLength", "FieldType", "TableName",
                                   "Collation", "IsNullable",  "TypeStat",  "colStat"};
    if (!earlierLayout)
        names.insert(names.end(),
                     {"FieldScale", "IdentSeed", "IdentIncr", "RowGuidCol", "IdentNotForRepl"});
    if (computedLayout)
        names.push_back("ComputedText");
    Result result(names, {});
    for (const Col& c : columns) {
        Result::Row row{c.name,      c.length,   c.type,     c.table,
                        c.collation, c.nullable, c.typeStat, c.colStat};
        if (!earlierLayout)
            row.insert(row.end(),
                       {c.scale, c.seed, c.increment, c.rowGuidCol, c.identityNotForReplication});
        if (computedLayout)
            row.push_back(c.computedText);
        result.addRow(std::move(row));
    }
    return result;
}

Result targetColumns(const std::vector<Col>& columns) {
    Result result({"FieldName", "id", "FieldLength", "FieldScale", "xtype", "IsNullable",
                   "TypeStat", "Collation", "colstat", "FieldType", "tablename"},
                  {});
    for (const Col& c : columns)
        result.addRow({c.name, "1001", c.length, c.scale, "56", c.nullable, c.typeStat, c.collation,
                       c.colStat, c.type, c.table});
    return result;
}

Result snapshotIndexKeys(const std::vector<Key>& keys) {
    Result result({"TableName", "IndexName", "IndexField", "IndexFieldOrder", "Status"}, {});
    for (const Key& k : keys)
        result.addRow({k.table, k.index, k.field, k.order, k.status});
    return result;
}

Result targetIndexKeys(const std::vector<Key>& keys) {
    Result result({"status", "IndexName", "indid", "colid", "IndexFieldOrder", "tablename",
                   "IndexField", "IsUnique", "KeyConstraint", "IsDescending"},
                  {});
    // Plain ascending indexes: the key facts are the index case files' part.
    for (const Key& k : keys)
        result.addRow({k.status, k.index, k.status, "1", k.order, k.table, k.field, "0", "", "0"});
    return result;
}

Result nameList(const std::string& field, const std::vector<std::string>& names) {
    Result result({field}, {});
    for (const std::string& name : names)
        result.addRow({name});
    return result;
}

Result textRows(const std::string& nameField, const std::string& textField,
                const std::vector<std::pair<std::string, std::string>>& rows) {
    Result result({nameField, textField}, {});
    for (const auto& [name, text] : rows)
        result.addRow({name, text});
    return result;
}

Result snapshotDefaults(const std::vector<Df>& defaults) {
    Result result({"DFName", "TableName", "FieldName", "DFValue"}, {});
    for (const Df& d : defaults)
        result.addRow({d.name, d.table, d.field, d.value});
    return result;
}

Result targetDefaults(const std::vector<Df>& defaults) {
    Result result({"DFName", "TableName", "DFValue", "FieldName"}, {});
    for (const Df& d : defaults)
        result.addRow({d.name, d.table, d.value, d.field});
    return result;
}

} // namespace dbc::test
