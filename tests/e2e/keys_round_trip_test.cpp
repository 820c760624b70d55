// Primary keys, unique constraints, unique and descending indexes round trip
// through the test server: capture keys_source.sql, compare keys_target.sql
// with it, execute, compare again. Only what a SQL Server refuses for a
// reason outside the index definitions is left: a key that a foreign key of
// the target references cannot be dropped.

#include "script/executor.h"
#include "tests/e2e/served_databases.h"

#include <gtest/gtest.h>

namespace dbc::e2e {
namespace {

constexpr const char* kTarget = "keys_old";

// [Order Details]'s key is referenced by Shipment's foreign key (3725), so
// it is not dropped, and the table keeps a primary key the add then meets.
const std::string kDropOrderKey = "ALTER TABLE [Order Details] DROP CONSTRAINT [PK_Order Details]";
const std::string kAddOrderKey = "ALTER TABLE [Order Details] ADD CONSTRAINT [PK_Order Details] "
                                 "PRIMARY KEY CLUSTERED ([OrderID],[ProductID]) ON [PRIMARY]";

// The index statements of the first compare, table by table in the order of
// the snapshot's table list.
const std::vector<std::string> kIndexStatements = {
    "ALTER TABLE Attendance DROP CONSTRAINT PK_Att_Old",
    "ALTER TABLE Attendance ADD CONSTRAINT PK_Attendance PRIMARY KEY NONCLUSTERED "
    "([EmpNo],[WorkDate]) ON [PRIMARY]",
    "Create CLUSTERED  INDEX IX_Att On [Attendance] ([EmpNo],[WorkDate] DESC) ON [PRIMARY]",
    "ALTER TABLE Employee DROP CONSTRAINT PK_Employee",
    "ALTER TABLE Employee ADD CONSTRAINT PK_Employee PRIMARY KEY CLUSTERED ([EmpNo]) ON [PRIMARY]",
    "Drop Index Employee.IX_Emp_Code",
    "Create UNIQUE INDEX IX_Emp_Code On [Employee] ([EmpCode]) ON [PRIMARY]",
    "Drop Index Employee.IX_Emp_Dept",
    "Create INDEX IX_Emp_Dept On [Employee] ([DeptNo] DESC,[EmpNo]) ON [PRIMARY]",
    "ALTER TABLE Employee ADD CONSTRAINT UQ_Employee_Mail UNIQUE NONCLUSTERED ([Mail]) ON "
    "[PRIMARY]",
    "Drop Index Employee.UQ_Old",
    kDropOrderKey,
    kAddOrderKey,
    "ALTER TABLE Training ADD CONSTRAINT PK_Training PRIMARY KEY CLUSTERED ([TrainId]) ON "
    "[PRIMARY]",
    "ALTER TABLE Training ADD CONSTRAINT UQ_Training_Code UNIQUE NONCLUSTERED ([Code]) ON "
    "[PRIMARY]",
};

class KeysRoundTripTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_served.loadFile("keys_new", test::fixturesDir() / "keys_source.sql");
        m_served.loadFile(kTarget, test::fixturesDir() / "keys_target.sql");
        m_served.start();
        m_store = m_served.capture("keys_new", "Source.mdb");
    }

    ServedDatabases m_served;
    std::unique_ptr<SnapshotStore> m_store;
};

TEST_F(KeysRoundTripTest, TheCaptureRecordsUniquenessKeysAndDirections) {
    Connection& store = m_store->connection();
    EXPECT_EQ(rowsOf(store, "Select IndexName, IndexField, Status, IsUnique, KeyConstraint, "
                            "IsDescending From SourceIndex Where TableName = 'Attendance' "
                            "Order by IndexName, IndexFieldOrder"),
              (std::vector<std::string>{
                  "IX_Att|EmpNo|1|0||0",
                  "IX_Att|WorkDate|1|0||1",
                  "PK_Attendance|EmpNo|2|1|PK|0",
                  "PK_Attendance|WorkDate|2|1|PK|0",
              }));
    EXPECT_EQ(rowsOf(store, "Select IndexName, IsUnique, KeyConstraint From SourceIndex Where "
                            "TableName In ('Employee', 'Training') Order by IndexName"),
              (std::vector<std::string>{"IX_Emp_Code|1|", "IX_Emp_Dept|0|", "IX_Emp_Dept|0|",
                                        "PK_Employee|1|PK", "PK_Training|1|PK",
                                        "UQ_Employee_Mail|1|UQ", "UQ_Training_Code|1|UQ"}));
    const auto jobs = rowsOf(store, "Select IndexName, KeyConstraint From SourceIndex Where "
                                    "TableName = 'jobs'");
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0].rfind("PK__jobs__", 0), 0u) << jobs[0];
    EXPECT_EQ(jobs[0].substr(jobs[0].size() - 3), "|PK");
}

TEST_F(KeysRoundTripTest, KeysAreReplacedAsConstraintsAndOnlyAReferencedKeyStays) {
    CompareOutcome first = compareWith(m_served, *m_store, kTarget);
    std::vector<std::string> indexStatements;
    for (const std::string& statement : first.script.statements()) {
        if (statement.rfind("use ", 0) != 0 && statement.rfind("Create Table ", 0) != 0)
            indexStatements.push_back(statement);
    }
    EXPECT_EQ(indexStatements, kIndexStatements);

    const auto failures = executeScript(*first.target, first.script);
    std::vector<std::string> refused;
    for (const ExecutionFailure& failure : failures)
        refused.push_back(failure.statement);
    EXPECT_EQ(refused, (std::vector<std::string>{kDropOrderKey, kAddOrderKey}));

    const CompareOutcome second = compareWith(m_served, *m_store, kTarget);
    EXPECT_EQ(second.script.statements(),
              (std::vector<std::string>{"use keys_old", kDropOrderKey, kAddOrderKey}));
}

} // namespace
} // namespace dbc::e2e
