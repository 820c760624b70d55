#include "testserver/engine/computed_column.h"

#include "testserver/engine/name_collation.h"

#include <algorithm>
#include <array>

namespace testserver {

namespace {

// Numeric xtypes from the highest data type precedence to the lowest:
// float, real, decimal, numeric, money, smallmoney, bigint, int, smallint,
// tinyint, bit.
constexpr std::array<int, 11> kNumericPrecedence{62, 59, 106, 108, 60, 122, 127, 56, 52, 48, 104};

int precedenceRank(int xtype) {
    auto found = std::find(kNumericPrecedence.begin(), kNumericPrecedence.end(), xtype);
    return found == kNumericPrecedence.end() ? -1
                                             : static_cast<int>(found - kNumericPrecedence.begin());
}

const TypedColumn* findTyped(const std::vector<TypedColumn>& columns, const std::string& name) {
    for (const TypedColumn& column : columns)
        if (namesEqual(column.name, name))
            return &column;
    return nullptr;
}

// The expression without parentheses, blanks and name quotes: equal to a
// column's name when the expression is that column alone.
std::string bareText(const std::string& text) {
    std::string bare;
    for (char c : text)
        if (c != '(' && c != ')' && c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '[' &&
            c != ']' && c != '"')
            bare += c;
    return bare;
}

ColumnTypeValues valuesOf(std::string_view typeName) {
    return columnTypeValues(DeclaredType{std::string(typeName), std::nullopt, std::nullopt}, "", 1);
}

} // namespace

ComputedColumnType computedColumnType(const ComputedDefinition& computed,
                                      const std::vector<TypedColumn>& columns) {
    ComputedColumnType result{valuesOf("sql_variant"), std::nullopt};
    if (!computed.plainArithmetic)
        return result;
    if (computed.names.size() == 1 && namesEqual(bareText(computed.text), computed.names[0])) {
        if (const TypedColumn* column = findTyped(columns, computed.names[0]))
            return {column->values, column->collation};
        return result;
    }
    ColumnTypeValues chosen = valuesOf("int");
    int chosenRank = computed.names.empty() ? precedenceRank(56) : -1;
    for (const std::string& name : computed.names) {
        const TypedColumn* column = findTyped(columns, name);
        int rank = column ? precedenceRank(column->values.xtype) : -1;
        if (rank < 0)
            return result;
        if (chosenRank < 0 || rank < chosenRank) {
            chosen = column->values;
            chosenRank = rank;
        }
    }
    if (computed.wholeNumbers && chosenRank > precedenceRank(56))
        chosen = valuesOf("int");
    chosen.xusertype = chosen.xtype;
    return {chosen, std::nullopt};
}

} // namespace testserver
