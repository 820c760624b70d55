#include "testserver/engine/server_error.h"
#include "testserver/engine/sql_type.h"

#include <gtest/gtest.h>

#include <set>

namespace testserver {
namespace {

struct TypeCase {
    DeclaredType declared;
    int xtype;
    int length;
    std::optional<int> prec;
    std::optional<int> scale;
    int typestat;
};

class ColumnTypeValuesTest : public ::testing::TestWithParam<TypeCase> {};

TEST_P(ColumnTypeValuesTest, MatchesSqlServer2000Syscolumns) {
    const TypeCase& c = GetParam();
    ColumnTypeValues values = columnTypeValues(c.declared, "c", 1);
    EXPECT_EQ(values.xtype, c.xtype);
    EXPECT_EQ(values.length, c.length);
    EXPECT_EQ(values.prec, c.prec);
    EXPECT_EQ(values.scale, c.scale);
    EXPECT_EQ(values.typestat, c.typestat);
}

const std::optional<int> none;

INSTANTIATE_TEST_SUITE_P(
    Types, ColumnTypeValuesTest,
    ::testing::Values(
        TypeCase{{"varchar", 50, {}}, 167, 50, 50, none, 2},
        TypeCase{{"VARCHAR", {}, {}}, 167, 1, 1, none, 2}, // varchar means varchar(1)
        TypeCase{{"nvarchar", 50, {}}, 231, 100, 50, none, 2},
        TypeCase{{"nchar", 4000, {}}, 239, 8000, 4000, none, 2},
        TypeCase{{"char", 8000, {}}, 175, 8000, 8000, none, 2},
        TypeCase{{"binary", 16, {}}, 173, 16, 16, none, 2},
        TypeCase{{"varbinary", 100, {}}, 165, 100, 100, none, 2},
        TypeCase{{"int", {}, {}}, 56, 4, 10, 0, 0}, TypeCase{{"integer", {}, {}}, 56, 4, 10, 0, 0},
        TypeCase{{"smallint", {}, {}}, 52, 2, 5, 0, 0},
        TypeCase{{"tinyint", {}, {}}, 48, 1, 3, 0, 0},
        TypeCase{{"bigint", {}, {}}, 127, 8, 19, 0, 0}, TypeCase{{"bit", {}, {}}, 104, 1, 1, 0, 0},
        TypeCase{{"decimal", {}, {}}, 106, 9, 18, 0, 0},
        TypeCase{{"numeric", 9, 2}, 108, 5, 9, 2, 0},
        TypeCase{{"numeric", 28, 4}, 108, 13, 28, 4, 0},
        TypeCase{{"dec", 38, 10}, 106, 17, 38, 10, 0}, TypeCase{{"money", {}, {}}, 60, 8, 19, 4, 0},
        TypeCase{{"smallmoney", {}, {}}, 122, 4, 10, 4, 0},
        TypeCase{{"datetime", {}, {}}, 61, 8, 23, 3, 0},
        TypeCase{{"smalldatetime", {}, {}}, 58, 4, 16, 0, 0},
        TypeCase{{"float", {}, {}}, 62, 8, 53, none, 0},
        TypeCase{{"float", 24, {}}, 59, 4, 24, none, 0},
        TypeCase{{"real", {}, {}}, 59, 4, 24, none, 0},
        TypeCase{{"text", {}, {}}, 35, 16, none, none, 0},
        TypeCase{{"ntext", {}, {}}, 99, 16, none, none, 0},
        TypeCase{{"image", {}, {}}, 34, 16, none, none, 0},
        TypeCase{{"uniqueidentifier", {}, {}}, 36, 16, 0, none, 0},
        TypeCase{{"sysname", {}, {}}, 231, 256, 128, none, 0}));

struct RefusalCase {
    DeclaredType declared;
    int number;
};

class ColumnTypeRefusalTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(ColumnTypeRefusalTest, RefusesWithSqlServersNumber) {
    try {
        columnTypeValues(GetParam().declared, "c", 1);
        FAIL() << "accepted " << GetParam().declared.name;
    } catch (const ServerError& error) {
        EXPECT_EQ(error.messages().front().number, GetParam().number);
    }
}

INSTANTIATE_TEST_SUITE_P(Types, ColumnTypeRefusalTest,
                         ::testing::Values(RefusalCase{{"int", 4, {}}, 2716},
                                           RefusalCase{{"datetime", 8, {}}, 2716},
                                           RefusalCase{{"varchar", 0, {}}, 1001},
                                           RefusalCase{{"varchar", 8001, {}}, 131},
                                           RefusalCase{{"nvarchar", 4001, {}}, 131},
                                           RefusalCase{{"decimal", 39, {}}, 2750},
                                           RefusalCase{{"decimal", 5, 6}, 2751},
                                           RefusalCase{{"varchar2", 10, {}}, 2715},
                                           RefusalCase{{"float", 54, {}}, 1001}));

TEST(ColumnTypeTest, UnknownTypeMessageNamesColumnNumberAndType) {
    try {
        columnTypeValues({"money2", {}, {}}, "c", 3);
        FAIL();
    } catch (const ServerError& error) {
        EXPECT_EQ(error.messages().front().text,
                  "Column or parameter #3: Cannot find data type money2.");
    }
}

TEST(ColumnTypeTest, EveryBuiltinXtypeIsUniqueExceptSysname) {
    std::set<int> seen;
    for (const BuiltinType& type : builtinTypes()) {
        if (type.name != "sysname") {
            EXPECT_TRUE(seen.insert(type.xtype).second) << type.name;
        }
    }
    ASSERT_NE(findBuiltinType("SYSNAME"), nullptr);
    EXPECT_EQ(findBuiltinType("sysname")->xtype, findBuiltinType("nvarchar")->xtype);
}

} // namespace
} // namespace testserver
