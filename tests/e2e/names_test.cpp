// Object names that are hard on a client, compared end to end: apostrophes,
// blanks, Chinese characters and a table name with a trailing blank, and
// names that would be SQL of their own if a compare spliced them into a query.

#include "script/executor.h"
#include "tests/e2e/served_databases.h"

#include <gtest/gtest.h>

namespace dbc::e2e {
namespace {

// The source: every kind of object under an awkward name.
constexpr const char* kSource = R"sql(CREATE TABLE [O'Brien] (
    [id] [int] NOT NULL,
    [名字] [nvarchar] (20) COLLATE Chinese_PRC_CI_AS NULL
) ON [PRIMARY]
GO
CREATE TABLE [Order Items] ([id] [int] NOT NULL, [qty] [int] NULL) ON [PRIMARY]
GO
CREATE TABLE [部门] (
    [编号] [int] NOT NULL,
    [名称] [nvarchar] (40) COLLATE Chinese_PRC_CI_AS NULL,
    [备注] [nvarchar] (100) COLLATE Chinese_PRC_CI_AS NULL
) ON [PRIMARY]
GO
CREATE TABLE [Emp ] (
    [EmpNo] [int] NOT NULL,
    [Name] [varchar] (50) COLLATE Chinese_PRC_CI_AS NULL
) ON [PRIMARY]
GO
CREATE INDEX [IX_O'Brien] ON [O'Brien] ([id]) ON [PRIMARY]
GO
CREATE INDEX [IX_Items] ON [Order Items] ([id]) ON [PRIMARY]
GO
CREATE INDEX [IX 部门] ON [部门] ([编号]) ON [PRIMARY]
GO
CREATE INDEX [IX_Emp] ON [Emp ] ([EmpNo]) ON [PRIMARY]
GO
ALTER TABLE [O'Brien] WITH NOCHECK ADD CONSTRAINT [DF_O'Brien] DEFAULT (0) FOR [id]
GO
ALTER TABLE [部门] WITH NOCHECK ADD CONSTRAINT [DF_部门_名称] DEFAULT (N'未命名') FOR [名称]
GO
CREATE PROCEDURE [O'Brien proc] AS SELECT 1
GO
CREATE PROCEDURE [my proc] AS SELECT 2
GO
CREATE PROCEDURE [统计] AS SELECT 3
GO
CREATE VIEW [v'x] AS SELECT id FROM [O'Brien]
GO
CREATE VIEW [部门视图] AS SELECT [编号] FROM [部门]
GO
CREATE TRIGGER [tr'x] ON [O'Brien] FOR INSERT AS SELECT 4
GO
CREATE TRIGGER [触发器] ON [部门] FOR INSERT AS SELECT 5
GO
)sql";

// A target that differs from the source in every category, under the same
// awkward names: [O'Brien] lacks a column, [Order Items] is missing, [部门]
// has a shorter column, an index on another key and a surplus default, the
// table Emp is spelt without the trailing blank and has a surplus column and
// no index, two procedures, a view and a trigger differ or are missing.
constexpr const char* kTarget = R"sql(CREATE TABLE [O'Brien] ([id] [int] NOT NULL) ON [PRIMARY]
GO
CREATE TABLE [部门] (
    [编号] [int] NOT NULL,
    [名称] [nvarchar] (30) COLLATE Chinese_PRC_CI_AS NULL,
    [备注] [nvarchar] (100) COLLATE Chinese_PRC_CI_AS NULL
) ON [PRIMARY]
GO
CREATE TABLE [Emp] (
    [EmpNo] [int] NOT NULL,
    [Name] [varchar] (50) COLLATE Chinese_PRC_CI_AS NULL,
    [Old] [int] NULL
) ON [PRIMARY]
GO
CREATE INDEX [IX_O'Brien] ON [O'Brien] ([id]) ON [PRIMARY]
GO
CREATE INDEX [IX 部门] ON [部门] ([备注]) ON [PRIMARY]
GO
ALTER TABLE [O'Brien] WITH NOCHECK ADD CONSTRAINT [DF_O'Brien] DEFAULT (0) FOR [id]
GO
ALTER TABLE [部门] WITH NOCHECK ADD CONSTRAINT [DF_extra] DEFAULT (1) FOR [编号]
GO
CREATE PROCEDURE [my proc] AS SELECT 22
GO
CREATE PROCEDURE [统计] AS SELECT 3
GO
CREATE VIEW [v'x] AS SELECT id AS i FROM [O'Brien]
GO
CREATE TRIGGER [tr'x] ON [O'Brien] FOR INSERT AS SELECT 4
GO
CREATE TRIGGER [触发器] ON [部门] FOR INSERT AS SELECT 55
GO
)sql";

class NamesTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_served.load("names_src", kSource);
        m_served.load("names_same", kSource);
        m_served.load("names_tgt", kTarget);
        m_served.start();
        m_store = m_served.capture("names_src", "Source.mdb");
    }

    std::string sp(const std::string& name) {
        return storedText(*m_store, "SourceSp", "SpName", "SpText", name);
    }
    std::string view(const std::string& name) {
        return storedText(*m_store, "SourceView", "ViewName", "ViewText", name);
    }
    std::string trigger(const std::string& name) {
        return storedText(*m_store, "SourceTR", "TRName", "TRText", name);
    }

    // The statements the target database names_tgt needs, in run order.
    std::vector<std::string> expectedStatements() {
        return {
            "use names_tgt",
            // Tables in the store's name order: Emp, O'Brien, Order Items, 部门.
            "Alter Table Emp Drop  Column Old ",
            "Alter Table [O'Brien] Add 名字 nvarchar(20)  COLLATE Chinese_PRC_CI_AS NULL",
            "Create Table [dbo].[Order Items] ([id] [int] Not NULL,[qty] [int] NULL) ON [PRIMARY]",
            "Alter Table 部门 Alter COLUMN 名称 nvarchar(40)  COLLATE Chinese_PRC_CI_AS NULL",
            // Indexes: the snapshot's table name keeps its trailing blank.
            "Create INDEX IX_Emp On [Emp ] ([EmpNo]) ON [PRIMARY]",
            "Create INDEX IX_Items On [Order Items] ([id]) ON [PRIMARY]",
            "Drop Index 部门.[IX 部门]",
            "Create INDEX [IX 部门] On [部门] ([编号]) ON [PRIMARY]",
            // Procedures, views, triggers.
            sp("O'Brien proc"),
            "drop procedure [dbo].[my proc]",
            sp("my proc"),
            "drop View [dbo].[v'x]",
            view("v'x"),
            view("部门视图"),
            "drop TRigger [dbo].触发器",
            trigger("触发器"),
            // Defaults, by name key over the whole database.
            "ALTER TABLE 部门 Drop DF_extra",
            "ALTER TABLE 部门 WITH NOCHECK ADD CONSTRAINT DF_部门_名称 DEFAULT (N'未命名') FOR "
            "名称",
        };
    }

    ServedDatabases m_served;
    std::unique_ptr<SnapshotStore> m_store;
};

TEST_F(NamesTest, AnEqualDatabaseGetsOnlyTheUseStatement) {
    const CompareOutcome outcome = compareWith(m_served, *m_store, "names_same");
    EXPECT_EQ(outcome.script.statements(), std::vector<std::string>{"use names_same"});
    EXPECT_EQ(outcome.script.displayLines(), std::vector<std::string>{"use names_same"});
}

TEST_F(NamesTest, DifferencesGetTheirStatementsUnderTheNamesAsStored) {
    const CompareOutcome outcome = compareWith(m_served, *m_store, "names_tgt");
    EXPECT_EQ(outcome.script.statements(), expectedStatements());
    // One "Go" before each object text and each object drop, and after the
    // last object text when more follows, in the display text only.
    EXPECT_EQ(separatorCount(outcome.script), 9u);
    EXPECT_EQ(displayWithoutSeparators(outcome.script),
              linesOfStatements(outcome.script.statements()));
}

// Names that are no regular identifiers go into the script in brackets, so
// every statement executes and a second compare finds nothing left to do.
// Chinese names and the trailing-blank table name stand bare as before.
TEST_F(NamesTest, ExecutionBringsTheTargetIntoLine) {
    CompareOutcome first = compareWith(m_served, *m_store, "names_tgt");
    ASSERT_EQ(first.script.statements(), expectedStatements());
    const auto failures = executeScript(*first.target, first.script);
    for (const auto& failure : failures)
        ADD_FAILURE() << failure.statement << ": " << failure.message;

    const CompareOutcome second = compareWith(m_served, *m_store, "names_tgt");
    EXPECT_EQ(second.script.statements(), std::vector<std::string>{"use names_tgt"});
}

// Names are data in every query a compare sends: neither an apostrophe nor a
// name that reads as SQL changes what the query does, and the compare, which
// executes nothing, leaves the target as it was.
TEST(NamesAsData, NoObjectNameRunsSqlOnTheTargetDuringACompare) {
    const std::string script = R"sql(CREATE TABLE [t] ([a] [int] NULL) ON [PRIMARY]
GO
CREATE TABLE [t2] ([a] [int] NULL) ON [PRIMARY]
GO
CREATE INDEX [IX_t] ON [t] ([a]) ON [PRIMARY]
GO
CREATE PROCEDURE [x'] AS SELECT 1
GO
CREATE PROCEDURE [x'; drop table t--] AS SELECT 2
GO
CREATE PROCEDURE [p; drop table t2] AS SELECT 3
GO
CREATE VIEW [v'; drop table t--] AS SELECT a FROM t
GO
CREATE TRIGGER [tr'; drop table t2--] ON [t] FOR INSERT AS SELECT 4
GO
)sql";
    ServedDatabases served;
    served.load("inj_src", script);
    served.load("inj_tgt", script + "ALTER TABLE [t] ADD CONSTRAINT [DF_t_a] DEFAULT (0) FOR [a]\n"
                                    "GO\n");
    served.start();
    auto store = served.capture("inj_src", "Source.mdb");

    const CompareOutcome outcome = compareWith(served, *store, "inj_tgt");

    // Every object was found and its text read and found equal; the run went
    // on to the defaults, where the target's surplus one is dropped.
    EXPECT_EQ(outcome.script.statements(),
              (std::vector<std::string>{"use inj_tgt", "ALTER TABLE t Drop DF_t_a"}));
    EXPECT_EQ(
        rowsOf(*outcome.target, "SELECT name FROM sysobjects WHERE xtype = 'U' ORDER BY name"),
        (std::vector<std::string>{"t", "t2"}));
    EXPECT_EQ(rowsOf(*outcome.target, "SELECT count(*) FROM sysobjects WHERE xtype IN "
                                      "('P', 'V', 'TR')"),
              std::vector<std::string>{"5"});
}

} // namespace
} // namespace dbc::e2e
