// A snapshot store written by the release before foreign keys and CHECK
// constraints were kept (tests/fixtures/earlier_store.mdb, captured from
// earlier_store_source.sql) still opens and compares as it did: the
// target's foreign keys, CHECK constraints, functions, computed columns and
// alias types, whatever they are, give no statement (Age, computed in the
// target, reads as the int it computes, as before), and nothing is written to
// the file.

#include "snapshot/store_reader.h"
#include "tests/e2e/served_databases.h"
#include "tests/support/file_text.h"
#include "tests/support/scratch_dir.h"

#include <gtest/gtest.h>

namespace dbc::e2e {
namespace {

TEST(EarlierStore, ComparesAsBeforeWithoutConstraintFacts) {
    test::TempDir dir;
    const auto copy = dir.path() / "Source.mdb";
    std::filesystem::copy_file(test::fixturesDir() / "earlier_store.mdb", copy);
    const std::string before = test::readFile(copy);

    ServedDatabases served;
    served.load("tgt", R"sql(EXEC sp_addtype N'deptno_t', N'varchar(4)', N'NULL'
GO
CREATE TABLE Dept (DeptNo int NOT NULL CONSTRAINT PK_Dept PRIMARY KEY)
GO
CREATE TABLE Emp (
    EmpNo int NOT NULL CONSTRAINT PK_Emp PRIMARY KEY,
    DeptNo int NULL CONSTRAINT FK_Emp_Other REFERENCES Dept (DeptNo) ON DELETE CASCADE,
    Age AS EmpNo + 1,
    CONSTRAINT CK_Emp_Age CHECK (EmpNo > 10),
    CONSTRAINT CK_Emp_Extra CHECK (EmpNo > 0)
)
GO
CREATE FUNCTION dbo.fn_Emp () RETURNS int AS BEGIN RETURN 1 END
GO
)sql");
    served.start();
    {
        auto store = SnapshotStore::openForReading(copy);
        EXPECT_FALSE(readSnapshotForeignKeys(store->connection()).has_value());
        EXPECT_FALSE(readSnapshotChecks(store->connection()).has_value());
        EXPECT_TRUE(readSnapshotModules(store->connection(), functionKind).empty());
        EXPECT_FALSE(readSnapshotAliasTypes(store->connection()).has_value());
        EXPECT_FALSE(store->computedColumnCount().has_value());
        EXPECT_EQ(store->counts().size(), 6u);
        const CompareOutcome outcome = compareWith(served, *store, "tgt");
        EXPECT_EQ(outcome.script.statements(), std::vector<std::string>{"use tgt"});
    }
    EXPECT_EQ(test::readFile(copy), before);
}

} // namespace
} // namespace dbc::e2e
