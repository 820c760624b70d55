// The counting query of each change that can lose or change stored values.

#include "script/row_count_queries.h"

#include "catalog/name_key.h"
#include "data/sql_names.h"
#include "data/sql_text.h"
#include "script/value_conversion.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <type_traits>
#include <utility>

namespace dbc {

namespace {

// A name as every counting query writes it: always bracketed.
std::string quoted(const std::string& name) {
    return "[" + bracketedNameBody(name) + "]";
}

std::string countWhere(const std::string& table, const std::string& condition) {
    return "SELECT COUNT_BIG(*) FROM " + quoted(table) + " WHERE " + condition;
}

// --- character and binary columns -------------------------------------------

bool isBinary(const std::string& type) {
    return type == "binary" || type == "varbinary";
}

bool isUnicode(const std::string& type) {
    return type == "nchar" || type == "nvarchar" || type == "sysname";
}

// The type a fitted value is cast to: the new column's, with its length.
std::string castType(const Column& column) {
    const std::string type = loweredTypeName(column.type) == "sysname" ? "nvarchar" : column.type;
    return sqlName(type) + "(" + column.length + ")";
}

// The rows whose character or binary value the new column cannot hold as it
// is: longer than the new length, or (Unicode to a code page) with characters
// the code page lacks. Text compares ignore trailing blanks, which a shorter
// column drops without a word. Empty when nothing can be cut.
std::string cutCondition(const Column& from, const Column& to) {
    if (std::string large = largeObjectCutCondition(from, to, quoted(to.name)); !large.empty())
        return large;
    const std::string oldType = loweredTypeName(from.type);
    const std::string newType = loweredTypeName(to.type);
    const auto oldLength = plainNumber(from.length);
    const auto newLength = plainNumber(to.length);
    if (!oldLength || !newLength)
        return {};
    const std::string column = quoted(to.name);
    if (isCharacterType(oldType) && isCharacterType(newType)) {
        if (*newLength >= *oldLength && !(isUnicode(oldType) && !isUnicode(newType)))
            return {};
        return column + " <> CAST(" + column + " AS " + castType(to) + ")";
    }
    if (isBinary(oldType) && isBinary(newType) && *newLength < *oldLength)
        return "DATALENGTH(" + column + ") > " + to.length;
    return {};
}

// --- exact numeric columns -----------------------------------------------------

// What values a numeric type holds: whole digits before the point (or an
// integer type's bounds), digits after it.
struct NumericRange {
    bool integer = false;
    std::string lowest, highest; // an integer or money type's bounds
    int wholeDigits = 0;         // decimal, numeric, money
    int scale = 0;
    bool bit = false;
    bool approximate = false; // float, real: any scale
};

std::optional<NumericRange> numericRange(const Column& column) {
    const std::string type = loweredTypeName(column.type);
    NumericRange range;
    auto integerType = [&](const char* lowest, const char* highest, int digits) {
        range.integer = true;
        range.lowest = lowest;
        range.highest = highest;
        range.wholeDigits = digits;
        return range;
    };
    if (type == "tinyint")
        return integerType("0", "255", 3);
    if (type == "smallint")
        return integerType("-32768", "32767", 5);
    if (type == "int")
        return integerType("-2147483648", "2147483647", 10);
    if (type == "bigint")
        return integerType("-9223372036854775808", "9223372036854775807", 19);
    if (type == "bit") {
        range.bit = true;
        range.wholeDigits = 1;
        return range;
    }
    if (type == "money" || type == "smallmoney") {
        range.wholeDigits = type == "money" ? 15 : 6;
        range.scale = 4;
        range.lowest = type == "money" ? "-922337203685477.5808" : "-214748.3648";
        range.highest = type == "money" ? "922337203685477.5807" : "214748.3647";
        return range;
    }
    if (type == "float" || type == "real") {
        range.approximate = true;
        range.wholeDigits = 309;
        range.scale = 1000;
        return range;
    }
    if (type == "decimal" || type == "numeric") {
        const auto precision = plainNumber(column.length);
        const auto scale = plainNumber(column.scale.empty() ? "0" : column.scale);
        if (!precision || !scale || !column.scaleKnown)
            return std::nullopt;
        range.scale = static_cast<int>(*scale);
        range.wholeDigits = static_cast<int>(*precision - *scale);
        return range;
    }
    return std::nullopt;
}

// An integer literal one beyond `bound` away from zero: a value converted to
// an integer type loses its fraction first, so 32767.9 still fits smallint.
std::string beyond(const std::string& bound) {
    std::string digits = bound;
    const bool negative = !digits.empty() && digits.front() == '-';
    if (negative)
        digits.erase(0, 1);
    std::size_t i = digits.size();
    while (i > 0 && digits[i - 1] == '9')
        digits[--i] = '0';
    if (i == 0)
        digits.insert(0, "1");
    else
        ++digits[i - 1];
    return (negative ? "-" : "") + digits;
}

// Whether some value of the old type lies beyond what the new one holds
// (once rounded to its scale).
bool canOverflow(const NumericRange& from, const NumericRange& to) {
    if (to.bit || to.approximate)
        return false;
    if (to.integer)
        return from.wholeDigits > to.wholeDigits || (to.lowest == "0" && from.lowest != "0") ||
               (from.wholeDigits == to.wholeDigits && !from.integer);
    if (!to.highest.empty())
        return from.approximate || from.wholeDigits >= to.wholeDigits;
    return from.wholeDigits > to.wholeDigits ||
           (from.scale > to.scale && from.wholeDigits >= to.wholeDigits);
}

// The largest value the new type holds and its negative (0 for tinyint).
std::pair<std::string, std::string> boundsOf(const NumericRange& range) {
    if (!range.highest.empty())
        return {range.highest, range.lowest};
    std::string highest = std::string(std::size_t(std::max(range.wholeDigits, 0)), '9');
    if (highest.empty())
        highest = "0";
    if (range.scale > 0)
        highest += "." + std::string(std::size_t(range.scale), '9');
    return {highest, "-" + highest};
}

// The rows whose value the new type cannot hold: beyond its bounds.
std::string overflowCondition(const NumericRange& from, const NumericRange& to,
                              const std::string& column) {
    if (!canOverflow(from, to))
        return {};
    if (to.integer)
        // An integer type takes a value's whole part: 32767.9 still fits
        // smallint.
        // tinyint's lowest is 0: one beyond it is -1.
        return column + " >= " + beyond(to.highest) + " OR " + column +
               " <= " + (to.lowest == "0" ? std::string("-1") : beyond(to.lowest));
    if (!to.highest.empty())
        return column + " > " + to.highest + " OR " + column + " < " + to.lowest;
    // Rounded to the new scale, a value reaches 10^wholeDigits from
    // 10^wholeDigits - 0.5 * 10^-scale on: 99.995 for decimal(4,2).
    std::string limit = std::string(std::size_t(std::max(to.wholeDigits, 0)), '9');
    if (limit.empty())
        limit = "0";
    limit += "." + std::string(std::size_t(to.scale), '9') + "5";
    return column + " >= " + limit + " OR " + column + " <= -" + limit;
}

// The rows whose exact numeric value the new type changes (rounds away
// digits after the point, makes a non-zero into 1 for bit) or cannot hold.
std::string numericCondition(const Column& from, const Column& to) {
    const auto oldRange = numericRange(from);
    const auto newRange = numericRange(to);
    if (!oldRange || !newRange || newRange->approximate)
        return {};
    const std::string column = quoted(to.name);
    std::vector<std::string> conditions;
    if (newRange->bit && !oldRange->bit)
        conditions.push_back(column + " <> 0 AND " + column + " <> 1");
    const std::string overflow = overflowCondition(*oldRange, *newRange, column);
    if (!overflow.empty())
        conditions.push_back(overflow);
    if (oldRange->scale > newRange->scale) {
        // Cast wide first: rounding 9.99 in decimal(3,2) up would overflow it.
        const std::string wide = oldRange->approximate ? column
                                                       : "CAST(" + column + " AS decimal(38, " +
                                                             std::to_string(oldRange->scale) + "))";
        conditions.push_back(column + " <> ROUND(" + wide + ", " + std::to_string(newRange->scale) +
                             ")");
    }
    std::string joined;
    for (const std::string& condition : conditions)
        joined += (joined.empty() ? "(" : " OR (") + condition + ")";
    return joined;
}

// The UPDATE that brings the values beyond the new numeric type's bounds to
// the nearest bound (the largest value, or the smallest), so the Alter that
// follows does not overflow; empty when no value can lie beyond them.
std::string clampingUpdate(const Column& from, const Column& to) {
    const auto oldRange = numericRange(from);
    const auto newRange = numericRange(to);
    if (!oldRange || !newRange || !canOverflow(*oldRange, *newRange))
        return {};
    auto [highest, lowest] = boundsOf(*newRange);
    // The bound is stored in the old column first: one with more digits
    // after the point than the old scale would be rounded up past it there
    // (9999.99 in decimal(8,1) is 10000.0), so those digits are cut.
    if (!oldRange->approximate && oldRange->scale < newRange->scale) {
        auto cut = [&](std::string& bound) {
            const std::size_t point = bound.find('.');
            if (point == std::string::npos)
                return;
            bound.erase(oldRange->scale == 0 ? point : point + 1 + std::size_t(oldRange->scale));
        };
        cut(highest);
        cut(lowest);
    }
    const std::string column = quoted(to.name);
    return "UPDATE " + quoted(to.table) + " SET " + column + " = CASE WHEN " + column + " > " +
           highest + " THEN " + highest + " ELSE " + lowest + " END WHERE " + column + " > " +
           highest + " OR " + column + " < " + lowest;
}

// --- the change records ------------------------------------------------------------

std::string keyColumnsNotNull(const std::string& alias, const std::vector<std::string>& columns) {
    std::string text;
    for (const std::string& column : columns)
        text += (text.empty() ? "" : " AND ") + alias + "." + quoted(column) + " IS NOT NULL";
    return text;
}

struct QueriesOf {
    const ScriptedObjects& scripted;

    using Queries = std::vector<RowCountQuery>;

    Queries operator()(const AlterColumn& change) const {
        const Column& to = change.column;
        if (!change.targetColumn || scripted.newTable(to.table) ||
            scripted.newColumn(to.table, to.name))
            return {};
        // Alias types count as their base types.
        const Column from = scripted.resolved(*change.targetColumn);
        const Column resolvedTo = scripted.resolved(to);
        Queries queries;
        std::string changed = cutCondition(from, resolvedTo);
        RowConcern concern = RowConcern::CutValues;
        if (changed.empty()) {
            changed = numericCondition(from, resolvedTo);
            concern = RowConcern::RoundedValues;
        }
        if (!changed.empty())
            queries.push_back({countWhere(to.table, changed), concern});
        const std::string refused = unconvertibleCondition(from, resolvedTo, quoted(to.name));
        if (!refused.empty())
            queries.push_back({countWhere(to.table, refused), RowConcern::UnconvertibleValues});
        if (to.nullable == "0" && from.nullable != "0")
            queries.push_back({countWhere(to.table, quoted(to.name) + " IS NULL"),
                               RowConcern::NullsUnderNotNull});
        return queries;
    }

    Queries operator()(const DropColumn& change) const {
        if (scripted.newTable(change.table) || scripted.newColumn(change.table, change.column))
            return {};
        return {{countWhere(change.table, quoted(change.column) + " IS NOT NULL"),
                 RowConcern::DroppedValues}};
    }

    Queries operator()(const AddColumn& change) const {
        if (!addNeedsValue(change) || scripted.newTable(change.column.table))
            return {};
        return {{"SELECT COUNT_BIG(*) FROM " + quoted(change.column.table),
                 RowConcern::NewColumnNoValue}};
    }

    Queries operator()(const CreateIndex& change) const {
        const Index& index = change.index;
        if (!(index.unique || index.isKeyConstraint()) || index.keys.empty() ||
            scripted.newTable(index.table))
            return {};
        std::string keys;
        for (const IndexKey& key : index.keys) {
            if (scripted.newColumn(index.table, key.column))
                return {};
            keys += (keys.empty() ? "" : ", ") + quoted(key.column);
        }
        // Every row that shares its key with another; NULLs count as equal.
        return {{"SELECT ISNULL(SUM(n), 0) FROM (SELECT COUNT_BIG(*) AS n FROM " +
                     quoted(index.table) + " GROUP BY " + keys +
                     " HAVING COUNT_BIG(*) > 1) AS duplicates",
                 RowConcern::DuplicateKeys}};
    }

    Queries operator()(const AddForeignKey& change) const {
        const ForeignKey& key = change.key;
        if (key.notTrusted || key.columns.empty() || scripted.newTable(key.table))
            return {};
        for (const std::string& column : key.columns)
            if (scripted.newColumn(key.table, column))
                return {};
        std::string condition = keyColumnsNotNull("c", key.columns);
        bool parentQueryable = !scripted.newTable(key.referencedTable);
        for (const std::string& column : key.referencedColumns)
            parentQueryable = parentQueryable && !scripted.newColumn(key.referencedTable, column);
        if (parentQueryable && key.referencedColumns.size() == key.columns.size()) {
            std::string match;
            for (std::size_t i = 0; i < key.columns.size(); ++i)
                match += (i ? " AND p." : "p.") + quoted(key.referencedColumns[i]) + " = c." +
                         quoted(key.columns[i]);
            condition += " AND NOT EXISTS (SELECT * FROM " + quoted(key.referencedTable) +
                         " AS p WHERE " + match + ")";
        }
        return {{"SELECT COUNT_BIG(*) FROM " + quoted(key.table) + " AS c WHERE " + condition,
                 RowConcern::MissingReferences}};
    }

    Queries operator()(const AddCheck& change) const {
        const CheckConstraint& check = change.check;
        const std::string definition(trimControl(check.definition));
        if (scripted.newTable(check.table) || definition.empty())
            return {};
        // A CHECK refuses the rows for which it is false, not those for which
        // it is unknown (a NULL): NOT keeps that apart.
        return {{countWhere(check.table, "NOT (" + definition + ")"), RowConcern::CheckFails}};
    }

    Queries operator()(const DropTable& change) const {
        return {{"SELECT COUNT_BIG(*) FROM " + quoted(change.table), RowConcern::TableRowsDropped}};
    }

    // A rebuild moves every row of the old table; its column changes may cut,
    // round or drop values as their own statements would.
    Queries operator()(const RebuildTable& change) const {
        Queries queries{
            {"SELECT COUNT_BIG(*) FROM " + quoted(change.oldTable), RowConcern::TableRebuilt}};
        for (const RebuiltChange& replaced : change.replaced) {
            Queries more = std::visit(
                [this](const auto& record) -> Queries {
                    using Record = std::decay_t<decltype(record)>;
                    if constexpr (std::is_same_v<Record, AlterColumn> ||
                                  std::is_same_v<Record, DropColumn>)
                        return (*this)(record);
                    else
                        return {};
                },
                replaced);
            queries.insert(queries.end(), more.begin(), more.end());
        }
        return queries;
    }

    template <typename Other> Queries operator()(const Other&) const { return {}; }
};

} // namespace

const char* concernText(RowConcern concern) noexcept {
    switch (concern) {
    case RowConcern::DroppedValues:
        return "non-NULL values dropped";
    case RowConcern::CutValues:
        return "values cut to the new length";
    case RowConcern::RoundedValues:
        return "values rounded or out of the new type's range";
    case RowConcern::NullsUnderNotNull:
        return "NULLs under NOT NULL";
    case RowConcern::NewColumnNoValue:
        return "rows without a value for the new NOT NULL column";
    case RowConcern::DuplicateKeys:
        return "duplicate keys";
    case RowConcern::MissingReferences:
        return "rows without the row they reference";
    case RowConcern::CheckFails:
        return "rows the CHECK refuses";
    case RowConcern::TableRowsDropped:
        return "rows of a dropped table";
    case RowConcern::TableRebuilt:
        return "rows copied into the rebuilt table";
    case RowConcern::UnconvertibleValues:
        return "values the new type cannot take";
    }
    return "";
}

RowRisk riskOf(RowConcern concern) noexcept {
    switch (concern) {
    case RowConcern::DroppedValues:
    case RowConcern::CutValues:
    case RowConcern::RoundedValues:
    case RowConcern::TableRowsDropped:
        return RowRisk::ValuesLost;
    case RowConcern::TableRebuilt:
        return RowRisk::Copied;
    default:
        return RowRisk::Refused;
    }
}

ScriptedObjects::ScriptedObjects(const ChangeList& changes) {
    for (const Change& change : changes) {
        if (const auto* alias = std::get_if<AddAliasType>(&change.record))
            addAliasType(alias->type.name, alias->type.baseType);
        if (const auto* create = std::get_if<CreateTable>(&change.record))
            m_tables.insert(objectKey(create->table));
        else if (const auto* add = std::get_if<AddColumn>(&change.record))
            m_columns.insert(objectKey(add->column.table) + '\n' + nameKey(add->column.name));
    }
}

bool ScriptedObjects::newTable(const std::string& table) const {
    return m_tables.count(objectKey(table)) != 0;
}

bool ScriptedObjects::newColumn(const std::string& table, const std::string& column) const {
    return m_columns.count(objectKey(table) + '\n' + nameKey(column)) != 0;
}

void ScriptedObjects::addAliasType(const std::string& name, const std::string& baseType) {
    m_aliasBases.emplace(nameKey(name), baseType);
}

Column ScriptedObjects::resolved(Column column) const {
    if (auto found = m_aliasBases.find(nameKey(column.type)); found != m_aliasBases.end())
        column.type = found->second;
    return column;
}

std::vector<RowCountQuery> rowCountQueries(const ChangeRecord& change,
                                           const ScriptedObjects& scripted) {
    return std::visit(QueriesOf{scripted}, change);
}

std::string emptyValueOf(const Column& column) {
    const std::string type = loweredTypeName(column.type);
    if (numericRange(column) || type == "decimal" || type == "numeric")
        return "(0)";
    if (isCharacterType(type) || type == "text" || type == "ntext")
        return "('')";
    if (isBinary(type) || type == "image")
        return "(0x)";
    if (type == "datetime" || type == "smalldatetime")
        return "('19000101')";
    if (type == "uniqueidentifier")
        return "('00000000-0000-0000-0000-000000000000')";
    return {};
}

bool addNeedsValue(const AddColumn& change) {
    const Column& column = change.column;
    return column.nullable == "0" && !change.carriedDefault && column.colStat != "1" &&
           loweredTypeName(column.type) != "timestamp";
}

std::string fittingUpdate(const AlterColumn& change) {
    if (!change.targetColumn)
        return {};
    const Column& to = change.column;
    const std::string condition = cutCondition(*change.targetColumn, to);
    if (condition.empty())
        return clampingUpdate(*change.targetColumn, to);
    const std::string column = quoted(to.name);
    return "UPDATE " + quoted(to.table) + " SET " + column + " = CAST(" + column + " AS " +
           castType(to) + ") WHERE " + condition;
}

} // namespace dbc
