#include "bench/support/synthetic_schema.h"

#include <algorithm>
#include <cstdio>

namespace dbc::bench {

namespace {

std::string numbered(const char* prefix, std::size_t number) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%06zu", number);
    return prefix + std::string(digits);
}

// Ten columns of the types a business database is made of.
std::vector<ColumnSpec> tableColumns() {
    return {
        {"ID", "int", {}, {}, false, true},        {"Code", "varchar", 20, {}, false, false},
        {"Name", "nvarchar", 50, {}, true, false}, {"Amount", "decimal", 18, 2, true, false},
        {"Qty", "int", {}, {}, true, false},       {"Created", "datetime", {}, {}, false, false},
        {"Flag", "bit", {}, {}, true, false},      {"Note", "varchar", 200, {}, true, false},
        {"Total", "money", {}, {}, true, false},   {"Memo", "text", {}, {}, true, false},
    };
}

std::string procedureText(const std::string& name, const std::string& table) {
    return "CREATE PROCEDURE " + name +
           "\r\n"
           "    @Id int,\r\n"
           "    @Code varchar(20) = NULL\r\n"
           "AS\r\n"
           "BEGIN\r\n"
           "    SET NOCOUNT ON\r\n"
           "    SELECT ID, Code, Name, Amount, Qty, Created\r\n"
           "      FROM " +
           table +
           "\r\n"
           "     WHERE ID = @Id\r\n"
           "       AND (@Code IS NULL OR Code = @Code)\r\n"
           "     ORDER BY Created DESC\r\n"
           "END\r\n";
}

std::string viewText(const std::string& name, const std::string& table) {
    return "CREATE VIEW " + name +
           "\r\n"
           "AS\r\n"
           "SELECT ID, Code, Name, Amount * Qty AS Value, Created\r\n"
           "  FROM " +
           table +
           "\r\n"
           " WHERE Flag = 1\r\n";
}

std::string triggerText(const std::string& name, const std::string& table) {
    return "CREATE TRIGGER " + name + " ON " + table +
           "\r\n"
           "FOR INSERT, UPDATE\r\n"
           "AS\r\n"
           "BEGIN\r\n"
           "    UPDATE t SET Total = i.Amount * i.Qty\r\n"
           "      FROM " +
           table +
           " t INNER JOIN inserted i ON t.ID = i.ID\r\n"
           "END\r\n";
}

} // namespace

std::size_t SyntheticSchema::columnCount() const {
    std::size_t count = 0;
    for (const TableSpec& table : tables)
        count += table.columns.size();
    return count;
}

std::size_t SyntheticSchema::indexKeyCount() const {
    std::size_t count = 0;
    for (const IndexSpec& index : indexes)
        count += index.keys.size();
    return count;
}

std::size_t SyntheticSchema::moduleCount(ModuleKind kind) const {
    return static_cast<std::size_t>(std::count_if(
        modules.begin(), modules.end(), [kind](const ModuleSpec& m) { return m.kind == kind; }));
}

SchemaShape proportionalShape(std::size_t columns) {
    const std::size_t tables = std::max<std::size_t>(columns / 10, 1);
    return {tables, std::max<std::size_t>(tables / 10, 1)};
}

SyntheticSchema makeSchema(const SchemaShape& shape) {
    SyntheticSchema schema;
    schema.tables.reserve(shape.tables);
    for (std::size_t i = 0; i < shape.tables; ++i) {
        const std::string table = numbered("T_", i);
        schema.tables.push_back({table, tableColumns()});
        if (i % 2 == 0)
            schema.indexes.push_back({table, "IX_" + table, 1, {"ID"}});
        else
            schema.indexes.push_back({table, "IX_" + table, 2, {"Code", "Created"}});
        schema.defaults.push_back({"DF_" + table + "_Amount", table, "Amount", "(0)"});
    }
    const std::size_t tableCount = std::max<std::size_t>(shape.tables, 1);
    for (std::size_t j = 0; j < shape.objectsPerKind; ++j) {
        // Spread the objects over the tables.
        const std::string table = numbered("T_", (j * 10) % tableCount);
        const std::string procedure = numbered("P_", j);
        const std::string view = numbered("V_", j);
        const std::string trigger = numbered("TR_", j);
        schema.modules.push_back(
            {ModuleKind::Procedure, procedure, procedureText(procedure, table), {}});
        schema.modules.push_back({ModuleKind::View, view, viewText(view, table), {}});
        schema.modules.push_back(
            {ModuleKind::Trigger, trigger, triggerText(trigger, table), table});
    }
    return schema;
}

} // namespace dbc::bench
