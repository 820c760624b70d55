// A snapshot that holds no index rows (or no triggers, as most real databases)
// still has its procedures, views, triggers and defaults compared: every
// category runs whatever the others hold.

#include "script/executor.h"
#include "tests/e2e/served_databases.h"

#include <gtest/gtest.h>

namespace dbc::e2e {
namespace {

TEST(IndexLessSnapshot, StillComparesEveryOtherCategory) {
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
            << table << " should hold rows that the run compares";

    CompareOutcome outcome = compareWith(served, *store, "tgt");

    // The new column carries its default; the target's index the snapshot
    // does not know is left alone.
    const std::vector<std::string> expected{
        "use tgt",
        "Alter Table A Add b int NULL CONSTRAINT DF_A_b DEFAULT (0)",
        "Create Table [dbo].[B] ([x] [int] NULL) ON [PRIMARY]",
        "drop procedure [dbo].p",
        "CREATE PROCEDURE p AS SELECT 1\n",
        "CREATE VIEW v AS SELECT a FROM A\n",
        "CREATE TRIGGER tr ON A FOR INSERT AS SELECT 2\n",
        "ALTER TABLE A Drop DF_A_a",
    };
    EXPECT_EQ(outcome.script.statements(), expected);
    EXPECT_EQ(separatorCount(outcome.script), 5u); // and after the trigger's text

    const auto failures = executeScript(*outcome.target, outcome.script);
    for (const auto& failure : failures)
        ADD_FAILURE() << failure.statement << ": " << failure.message;
    const CompareOutcome second = compareWith(served, *store, "tgt");
    EXPECT_EQ(second.script.statements(), std::vector<std::string>{"use tgt"});
}

} // namespace
} // namespace dbc::e2e
