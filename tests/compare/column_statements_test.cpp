#include "compare/module_header.h"
#include "script/statement_text.h"

#include "tests/support/tsv_cases.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace dbc {
namespace {

class ColumnStatementsTest : public testing::TestWithParam<CaseLine> {};

TEST_P(ColumnStatementsTest, WritesTheStatementTheCaseExpects) {
    const CaseLine& line = GetParam();
    const std::vector<std::string>& f = line.fields;
    ASSERT_EQ(f.size(), 13u) << "case line " << line.number;
    const Column column{f[1], f[2], f[3], f[4], f[6], f[7], f[8], f[9], f[5], true, f[10], f[11]};
    const std::string& form = f[0];
    if (form == "add")
        EXPECT_EQ(addColumnStatement({column, std::nullopt}), f[12]);
    else if (form == "alter")
        EXPECT_EQ(alterColumnStatement({column}), f[12]);
    else if (form == "create")
        EXPECT_EQ(createTableStatement({column.table, {column}}), f[12]);
    else if (form == "drop")
        EXPECT_EQ(dropColumnStatement({column.table, column.name, false}), f[12]);
    else if (form == "trailing")
        EXPECT_EQ(dropColumnStatement({column.table, column.name, true}), f[12]);
    else
        FAIL() << "unknown form '" << form << "' on case line " << line.number;
}

// The statements that name a table, module or schema, from the fields of a
// line of object_statements.tsv.
std::string objectStatement(const std::vector<std::string>& f) {
    const std::string& form = f.at(0);
    if (form == "index" || form == "primary key") {
        Index index{f.at(1), f.at(2), "2", {{f.at(3), "1", false}}};
        if (form == "primary key")
            index.constraint = KeyConstraint::PrimaryKey;
        return createIndexStatement({index});
    }
    if (form == "drop index")
        return dropIndexStatement({f.at(1), f.at(2), false});
    if (form == "default")
        return addDefaultStatement({{f.at(2), f.at(1), f.at(3), f.at(4)}});
    if (form == "check")
        return addCheckStatement({{f.at(2), f.at(1), "", f.at(3)}});
    if (form == "foreign key")
        return addForeignKeyStatement({{f.at(2), f.at(1), {f.at(3)}, f.at(4), {f.at(5)}}});
    if (form == "drop module") {
        const ObjectKind* kind = f.at(1) == "V"    ? &viewKind
                                 : f.at(1) == "P"  ? &procedureKind
                                 : f.at(1) == "TR" ? &triggerKind
                                                   : &functionKind;
        return dropModuleStatement({kind, f.at(2)});
    }
    if (form == "drop extra")
        return dropExtraModuleStatement({f.at(1), f.at(2)});
    if (form == "rename")
        return renameTableStatement(f.at(1), f.at(2));
    if (form == "schema")
        return createSchemaStatement({f.at(1)});
    if (form == "drop table")
        return dropTableStatement({f.at(1)});
    if (form == "created as")
        return textUnderName(f.at(2), f.at(1)).value_or("(unreadable header)");
    throw std::runtime_error("unknown form '" + form + "'");
}

class ObjectStatementsTest : public testing::TestWithParam<CaseLine> {};

TEST_P(ObjectStatementsTest, WritesTheStatementTheCaseExpects) {
    const std::vector<std::string>& f = GetParam().fields;
    EXPECT_EQ(objectStatement({f.begin(), f.end() - 1}), f.back());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ObjectStatementsTest,
    testing::ValuesIn(readCaseFile(caseFilePath("compare/cases/object_statements.tsv"))),
    CaseLineName());

INSTANTIATE_TEST_SUITE_P(
    Cases, ColumnStatementsTest,
    testing::ValuesIn(readCaseFile(caseFilePath("compare/cases/column_statements.tsv"))),
    CaseLineName());

} // namespace
} // namespace dbc
