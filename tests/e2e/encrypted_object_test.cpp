// Objects created WITH ENCRYPTION in the target: the server will not give
// their text, so a compare drops and re-creates them from the snapshot and
// goes on with the rest of the run.

#include "script/executor.h"
#include "tests/e2e/served_databases.h"

#include <gtest/gtest.h>

namespace dbc::e2e {
namespace {

constexpr const char* kTable =
    R"sql(CREATE TABLE [T] ([a] [int] NOT NULL, [b] [int] NULL) ON [PRIMARY]
GO
CREATE INDEX [IX_T] ON [T] ([a]) ON [PRIMARY]
GO
CREATE VIEW v_t AS SELECT a FROM T
GO
)sql";

class EncryptedObjectTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_served.load("enc_src", std::string(kTable) + R"sql(CREATE PROCEDURE p_enc
AS
SELECT a FROM T
GO
CREATE TRIGGER tr_enc ON T FOR INSERT
AS
SELECT 1
GO
ALTER TABLE [T] WITH NOCHECK ADD CONSTRAINT [DF_T_b] DEFAULT (0) FOR [b]
GO
)sql");
        m_served.load("enc_tgt", std::string(kTable) + R"sql(CREATE PROCEDURE p_enc WITH ENCRYPTION
AS
SELECT a FROM T
GO
CREATE TRIGGER tr_enc ON T WITH ENCRYPTION FOR INSERT
AS
SELECT 1
GO
)sql");
        m_served.start();
        m_store = m_served.capture("enc_src", "Source.mdb");
    }

    ServedDatabases m_served;
    std::unique_ptr<SnapshotStore> m_store;
};

TEST_F(EncryptedObjectTest, IsDroppedAndRecreatedAndTheRunGoesOn) {
    CompareOutcome first = compareWith(m_served, *m_store, "enc_tgt");

    const std::string procedure = storedText(*m_store, "SourceSp", "SpName", "SpText", "p_enc");
    const std::string trigger = storedText(*m_store, "SourceTR", "TRName", "TRText", "tr_enc");
    // A trigger without text is dropped with the upper-case literal; the
    // default after the triggers shows that the run reached its last category.
    const std::vector<std::string> expected{
        "use enc_tgt", "drop procedure [dbo].p_enc",
        procedure,     "drop TRIGGER [dbo].tr_enc",
        trigger,       "ALTER TABLE T WITH NOCHECK ADD CONSTRAINT DF_T_b DEFAULT (0) FOR b",
    };
    EXPECT_EQ(first.script.statements(), expected);
    EXPECT_EQ(separatorCount(first.script), 5u); // and after the trigger's text
    ASSERT_EQ(first.script.displayLines().at(1), "Go");
    EXPECT_EQ(first.script.displayLines().at(2), "drop procedure [dbo].p_enc");
    EXPECT_EQ(first.script.displayLines().at(3), "Go");

    // The script re-creates both objects readable, so the next compare is clean.
    const auto failures = executeScript(*first.target, first.script);
    EXPECT_EQ(failureReport(failures), "");
    EXPECT_FALSE(first.target->open("Exec sp_helptext N'p_enc'").empty());
    const CompareOutcome second = compareWith(m_served, *m_store, "enc_tgt");
    EXPECT_EQ(second.script.statements(), std::vector<std::string>{"use enc_tgt"});
}

} // namespace
} // namespace dbc::e2e
