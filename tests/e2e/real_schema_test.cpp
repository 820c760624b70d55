// A schema written the way real ones are (tests/fixtures/shop_src.sql)
// compared with its older release: names that need brackets, exact numerics,
// a NOT NULL column added with its default, a column name that reads as SQL,
// alias types, identity seeds other than 1.
// The script executes, and a second compare finds only the one column that a
// SQL Server cannot add: NOT NULL without a default in the source either.

#include "script/executor.h"
#include "tests/e2e/served_databases.h"

#include <gtest/gtest.h>

namespace dbc::e2e {
namespace {

// The source has no default for Discount, so the server refuses it (4901)
// where it accepts Status, which comes with DF_Emp_Status.
const std::string kAddDiscount = "Alter Table [Order Details] Add Discount real Not NULL";

class RealSchemaTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_served.loadFile("shop_src", test::fixturesDir() / "shop_src.sql");
        m_served.loadFile("shop_tgt", test::fixturesDir() / "shop_tgt.sql");
        m_served.start();
        m_store = m_served.capture("shop_src", "Source.mdb");
    }

    std::vector<std::string> expectedStatements() {
        return {
            "use shop_tgt",
            // Tables in the store's name order; an identity keeps its seed.
            "Create Table [dbo].[Countdown] ([Id] [int] IDENTITY (-100, -5)  Not NULL) ON "
            "[PRIMARY]",
            // Emp, columns in name-key order ("a]b" before "amount").
            "Alter Table Emp Add [a]]b] int NULL",
            "Alter Table Emp Add [c int;DROP TABLE Position;--] int NULL",
            "Alter Table Emp Drop Column [Old Col] ", "Alter Table Emp Add [Order] int NULL",
            "Alter Table Emp Alter COLUMN Salary numeric(10,2) NULL",
            "Alter Table Emp Add Status int Not NULL CONSTRAINT DF_Emp_Status DEFAULT (0)",
            kAddDiscount,
            // An alias type by its name alone; the column reads once although
            // three alias types share its base type.
            "Alter Table Staff Add Phone phone_t COLLATE Chinese_PRC_CI_AS NULL",
            "Create Table [dbo].[Ticket] ([TicketId] [int] IDENTITY (1000, 1)  Not NULL,[Title] "
            "[varchar](80)  COLLATE Chinese_PRC_CI_AS NULL) ON [PRIMARY]",
            // Indexes, procedures, views.
            "Drop Index [Order Details].[Order Details_Index]",
            "Create INDEX [Order Details_Index] On [Order Details] ([OrderID]) ON [PRIMARY]",
            storedText(*m_store, "SourceSp", "SpName", "SpText", "Ten Most Expensive Products"),
            "drop View [dbo].[Customer and Suppliers by City]",
            storedText(*m_store, "SourceView", "ViewName", "ViewText",
                       "Customer and Suppliers by City"),
            // DF_Emp_Status came with its column: no default statement.
        };
    }

    ServedDatabases m_served;
    std::unique_ptr<SnapshotStore> m_store;
};

TEST_F(RealSchemaTest, TheScriptBracketsNamesAndKeepsScales) {
    const CompareOutcome outcome = compareWith(m_served, *m_store, "shop_tgt");
    EXPECT_EQ(outcome.script.statements(), expectedStatements());
    // One row per column; sysname reads as nvarchar.
    EXPECT_EQ(rowsOf(m_store->connection(), "Select FieldName, FieldType From SourceTable Where "
                                            "TableName = 'Staff' Order by FieldName"),
              (std::vector<std::string>{"Login|nvarchar", "Note|varchar", "Phone|phone_t",
                                        "StaffNo|empno_t"}));
}

TEST_F(RealSchemaTest, ExecutingItSettlesTheTargetAndDropsNothingUnseen) {
    CompareOutcome first = compareWith(m_served, *m_store, "shop_tgt");
    const auto failures = executeScript(*first.target, first.script);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].statement, kAddDiscount);
    EXPECT_EQ(failures[0].message.rfind("ALTER TABLE only allows columns to be added that can "
                                        "contain nulls or have a DEFAULT definition specified",
                                        0),
              0u)
        << failures[0].message;

    EXPECT_EQ(rowsOf(*first.target, "SELECT name FROM sysobjects WHERE xtype = 'U' ORDER BY name"),
              (std::vector<std::string>{"Countdown", "Emp", "Order Details", "Position", "Staff",
                                        "Ticket"}));
    EXPECT_EQ(rowsOf(*first.target, "SELECT IDENT_SEED('Ticket'), IDENT_INCR('Ticket'), "
                                    "IDENT_SEED('Countdown'), IDENT_INCR('Countdown')"),
              std::vector<std::string>{"1000|1|-100|-5"});
    EXPECT_EQ(rowsOf(*first.target, "SELECT c.prec, c.scale FROM syscolumns c INNER JOIN "
                                    "sysobjects o ON o.id = c.id WHERE o.name = 'Emp' AND c.name "
                                    "= 'Salary'"),
              std::vector<std::string>{"10|2"});

    const CompareOutcome second = compareWith(m_served, *m_store, "shop_tgt");
    EXPECT_EQ(second.script.statements(), (std::vector<std::string>{"use shop_tgt", kAddDiscount}));
}

} // namespace
} // namespace dbc::e2e
