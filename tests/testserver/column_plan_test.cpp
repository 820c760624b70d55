#include "testserver/tds/column_plan.h"

#include <gtest/gtest.h>

namespace testserver::tds {
namespace {

struct PlanCase {
    const char* name;
    ColumnInfo column;
    std::vector<Value> values;
    // Expected plan, or the error number when the values cannot be sent.
    DataType type;
    std::uint32_t size; // IntN bytes or NVarChar max bytes
    bool nullable;
    int errorNumber;
};

class ColumnPlanning : public ::testing::TestWithParam<PlanCase> {};

TEST_P(ColumnPlanning, ChoosesWireTypeOrRefuses) {
    const PlanCase& c = GetParam();
    ResultSet rs;
    rs.columns = {c.column};
    for (const auto& v : c.values)
        rs.rows.push_back({v});
    auto plan = planColumns(rs);
    if (c.errorNumber != 0) {
        ASSERT_TRUE(std::holds_alternative<ServerMessage>(plan));
        EXPECT_EQ(std::get<ServerMessage>(plan).number, c.errorNumber);
        EXPECT_GE(std::get<ServerMessage>(plan).severity, 11);
        return;
    }
    ASSERT_TRUE(std::holds_alternative<std::vector<ColumnPlan>>(plan));
    const ColumnPlan& p = std::get<std::vector<ColumnPlan>>(plan).at(0);
    EXPECT_EQ(p.name, c.column.name);
    EXPECT_EQ(p.type, c.type);
    EXPECT_EQ(c.type == IntN ? std::uint32_t{p.intSize} : p.maxBytes, c.size);
    EXPECT_EQ(p.nullable, c.nullable);
}

using CT = ColumnType;

INSTANTIATE_TEST_SUITE_P(
    Golden, ColumnPlanning,
    ::testing::Values(
        PlanCase{"TinyIntFits", {"a", CT::TinyInt, 0, false}, {"0", "255"}, IntN, 1, false, 0},
        PlanCase{"TinyIntIsUnsigned", {"a", CT::TinyInt, 0, false}, {"-1"}, IntN, 0, false, 8115},
        PlanCase{"TinyIntOverflow", {"a", CT::TinyInt, 0, false}, {"256"}, IntN, 0, false, 8115},
        PlanCase{
            "SmallIntBounds", {"a", CT::SmallInt, 0, true}, {"-32768", "32767"}, IntN, 2, true, 0},
        PlanCase{"SmallIntOverflow", {"a", CT::SmallInt, 0, true}, {"32768"}, IntN, 0, false, 8115},
        PlanCase{
            "IntBounds", {"a", CT::Int, 0, true}, {"-2147483648", "2147483647"}, IntN, 4, true, 0},
        PlanCase{"IntOverflow", {"a", CT::Int, 0, true}, {"2147483648"}, IntN, 0, false, 8115},
        PlanCase{"BigIntOverflow",
                 {"a", CT::BigInt, 0, true},
                 {"9223372036854775808"},
                 IntN,
                 0,
                 false,
                 8115},
        PlanCase{"NotANumber", {"a", CT::Int, 0, true}, {"12abc"}, IntN, 0, false, 245},
        PlanCase{"EmptyIsNotANumber", {"a", CT::Int, 0, true}, {""}, IntN, 0, false, 245},
        PlanCase{"BlankIsNotANumber", {"a", CT::Int, 0, true}, {" 1"}, IntN, 0, false, 245},
        PlanCase{"NullInNotNullColumnMakesItNullable",
                 {"a", CT::Int, 0, false},
                 {"1", std::nullopt},
                 IntN,
                 4,
                 true,
                 0},
        PlanCase{
            "NVarCharDeclared", {"t", CT::NVarChar, 128, false}, {"abc"}, NVarChar, 256, false, 0},
        PlanCase{"NVarCharWidenedForLongerValue",
                 {"t", CT::NVarChar, 2, false},
                 {"abcde"},
                 NVarChar,
                 10,
                 false,
                 0},
        PlanCase{"NVarCharCountsSurrogatePairsAsTwo",
                 {"t", CT::NVarChar, 1, false},
                 {"😀😀"},
                 NVarChar,
                 8,
                 false,
                 0},
        PlanCase{
            "NVarCharZeroLengthBecomesOne", {"t", CT::NVarChar, 0, true}, {}, NVarChar, 2, true, 0},
        PlanCase{"NVarCharOverLimitIsClamped",
                 {"t", CT::NVarChar, 9000, true},
                 {},
                 NVarChar,
                 8000,
                 true,
                 0},
        PlanCase{"ExactlyFourThousandStaysNVarChar",
                 {"t", CT::NVarChar, 255, true},
                 {std::string(4000, 'x')},
                 NVarChar,
                 8000,
                 true,
                 0},
        PlanCase{"LongerThanFourThousandBecomesNText",
                 {"t", CT::NVarChar, 255, true},
                 {std::string(4001, 'x')},
                 NText,
                 0,
                 true,
                 0}),
    [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

TEST(ColumnPlanning, ShortRowsCountAsNulls) {
    ResultSet rs;
    rs.columns = {{"a", ColumnType::Int, 0, false}, {"b", ColumnType::Int, 0, false}};
    rs.rows = {{"1"}};
    auto plan = std::get<std::vector<ColumnPlan>>(planColumns(rs));
    EXPECT_FALSE(plan[0].nullable);
    EXPECT_TRUE(plan[1].nullable);
}

} // namespace
} // namespace testserver::tds
