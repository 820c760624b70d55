// A snapshot that holds no index rows ends the compare run after the tables
// and columns, however many procedures, views, triggers and defaults it holds.

#include "served_databases.h"

#include <gtest/gtest.h>

namespace dbc::e2e {
namespace {

TEST(IndexLessSnapshot, GetsTableAndColumnStatementsOnly) {
    ServedDatabases served;
    served.load("src", R"sql(CREATE TABLE [A] ([a] [int] NOT NULL, [b] [int] NULL) ON [PRIMARY]
GO
CREATE TABLE [B] ([x] [int] NULL) ON [PRIMARY]
GO
CREATE INDEX [IX_A] ON [A] ([a]) ON [PRIMARY]
GO
CREATE PROCEDURE p AS SELECT 1
GO
CREATE VIEW v AS SELECT a FROM A
GO
CREATE TRIGGER tr ON A FOR INSERT AS SELECT 2
GO
ALTER TABLE [A] WITH NOCHECK ADD CONSTRAINT [DF_A_b] DEFAULT (0) FOR [b]
GO
)sql");
    // Everything but a column of A differs from the source, in every category.
    served.load("tgt", R"sql(CREATE TABLE [A] ([a] [int] NOT NULL) ON [PRIMARY]
GO
CREATE INDEX [IX_other] ON [A] ([a]) ON [PRIMARY]
GO
CREATE PROCEDURE p AS SELECT 11
GO
ALTER TABLE [A] WITH NOCHECK ADD CONSTRAINT [DF_A_a] DEFAULT (1) FOR [a]
GO
)sql");
    served.start();
    auto store = served.capture("src", "Source.mdb");
    store->execute("Delete From SourceIndex");
    for (const char* table : {"SourceSp", "SourceView", "SourceTR", "SourceDF"})
        ASSERT_FALSE(store->connection().open(std::string("Select * From ") + table).empty())
            << table << " should hold rows that the run then leaves alone";

    const CompareOutcome outcome = compareWith(served, *store, "tgt");

    const std::vector<std::string> expected{
        "use tgt",
        "Alter Table A Add b int NULL",
        "Create Table [dbo].[B] ([x] [int] NULL) ON [PRIMARY]",
    };
    EXPECT_EQ(outcome.script.statements(), expected);
    EXPECT_EQ(outcome.script.displayLines(), expected);
}

} // namespace
} // namespace dbc::e2e
