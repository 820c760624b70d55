// End-to-end tests of a capture: a source database served by the project's
// test server, read through unixODBC + FreeTDS into a snapshot file.

#include "data/database_error.h"
#include "data/sql_server_connection.h"
#include "snapshot/capture.h"
#include "snapshot/snapshot_store.h"
#include "tests/support/result_lines.h"
#include "tests/support/test_server_process.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

namespace dbc {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TempDir;
using test::TestServerProcess;

void writeFile(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

fs::path sourceScript() {
    return fs::path(DBCOMPARE_SOURCE_DIR) / "tests/capture/capture_source.sql";
}

// Records what the progress bar would show.
struct RecordingObserver : CaptureObserver {
    struct Step {
        CaptureStep step;
        int minimum;
        int maximum;
        int position = 0;
    };
    std::vector<Step> steps;
    int columnRowsWrittenCalls = 0;
    std::function<void(const Step&)> onAdvance;

    void stepStarted(CaptureStep step, int minimum, int maximum) override {
        steps.push_back({step, minimum, maximum});
    }
    void advanced() override {
        ++steps.back().position;
        if (onAdvance)
            onAdvance(steps.back());
    }
    void columnRowsWritten() override { ++columnRowsWrittenCalls; }

    const Step* find(CaptureStep step) const {
        for (const auto& s : steps)
            if (s.step == step)
                return &s;
        return nullptr;
    }
};

// A data directory with one source database built from a script, and the
// test server serving it.
class CaptureTest : public ::testing::Test {
protected:
    void build(const std::string& name, const fs::path& script) {
        test::loadCatalog(m_dir.path() / "data", name, script);
    }
    void start(std::vector<std::string> args = {}) {
        m_server = std::make_unique<TestServerProcess>(m_dir.path() / "data", std::move(args));
    }
    std::unique_ptr<Connection> connect(const std::string& database,
                                        const std::string& password = "") {
        return connectSqlServer({m_server->serverName(), database, "sa", password},
                                defaultOdbcDriver);
    }
    std::unique_ptr<SnapshotStore> openStore() { return SnapshotStore::open(storePath()); }
    fs::path storePath() const { return m_dir.path() / "Source.mdb"; }

    // Every row of a store table as "a|b|c" lines, in the store's order.
    std::vector<std::string> rows(SnapshotStore& store, const std::string& sql) {
        return test::rowsOf(store.connection(), sql);
    }

    TempDir m_dir;
    std::unique_ptr<TestServerProcess> m_server;
};

TEST_F(CaptureTest, FillsTheSixTablesFromTheSourceCatalog) {
    build("src", sourceScript());
    start();
    auto source = connect("src");
    auto store = openStore();
    RecordingObserver observer;
    CaptureSummary summary = captureSource(*source, *store, observer);

    // Columns: table names trimmed, collations only on character columns.
    auto columns = rows(*store, "Select TableName, FieldName, FieldType, FieldLength, Collation, "
                                "IsNullable, TypeStat, colStat From SourceTable Order by "
                                "TableName, FieldName");
    std::vector<std::string> expectedColumns{
        "Emp|DeptNo|int|10||1|0|0",     "Emp|EmpNo|int|10||0|0|1",
        "Emp|Hired|datetime|23||1|0|0", "Emp|Name|varchar|50|Chinese_PRC_CI_AS|0|2|0",
        "Emp|Salary|decimal|18||1|0|0", "部门|名称|nvarchar|40|Chinese_PRC_CI_AS|1|2|0",
        "部门|编号|int|10||0|0|0",
    };
    EXPECT_EQ(columns, expectedColumns);
    EXPECT_EQ(store->connection().open("Select * From SourceTable where Collation is null").size(),
              5u);
    EXPECT_EQ(summary.rows[0], 7u);

    // Index keys: the table name as the catalog holds it, key order kept.
    auto keys = rows(*store, "Select TableName, IndexName, IndexField, IndexFieldOrder, Status "
                             "From SourceIndex Order by IndexName, IndexFieldOrder");
    std::vector<std::string> expectedKeys{
        "Emp |IX_Emp_Dept|DeptNo|1|2",
        "Emp |IX_Emp_Dept|Name|2|2",
        "Emp |IX_Emp_No|EmpNo|1|1",
    };
    EXPECT_EQ(keys, expectedKeys);

    // Object texts: one row per line in the order sp_helptext gave them.
    auto total = rows(*store, "Select SpText From SourceSp where SpName='p_total'");
    ASSERT_EQ(total.size(), 3u);
    EXPECT_EQ(total[0], "CREATE PROCEDURE p_total\n");
    EXPECT_EQ(total[1], "AS\n");
    EXPECT_EQ(total[2], "  SELECT COUNT(*) FROM [Emp ]\n");
    EXPECT_EQ(rows(*store, "Select ViewName From SourceView Group by ViewName"),
              std::vector<std::string>{"v_emp"});
    EXPECT_EQ(rows(*store, "Select TRName From SourceTR Group by TRName"),
              std::vector<std::string>{"tr_emp"});

    // Defaults: values trimmed, Chinese names whole.
    auto defaults = rows(*store, "Select DFName, TableName, FieldName, DFValue From SourceDF "
                                 "Order by DFName");
    std::vector<std::string> expectedDefaults{
        "DF_Emp_Salary|Emp |Salary|(0)",
        "DF_部门_名称|部门|名称|(N'未命名')",
    };
    EXPECT_EQ(defaults, expectedDefaults);
    EXPECT_TRUE(summary.objectsWithoutText.empty());
    EXPECT_EQ(observer.columnRowsWrittenCalls, 1);
}

TEST_F(CaptureTest, ObjectNamesTravelAsData) {
    build("src", sourceScript());
    start();
    auto source = connect("src");
    auto store = openStore();
    RecordingObserver observer;
    captureSource(*source, *store, observer);
    for (std::string name : {"O'Brien proc", "odd]name", "统计"}) {
        auto text =
            store->connection().open("Select SpText From SourceSp where SpName='" +
                                     (name == "O'Brien proc" ? "O''Brien proc" : name) + "'");
        ASSERT_EQ(text.size(), 3u) << name;
        EXPECT_EQ(text.rows()[0][0].rfind("CREATE PROCEDURE ", 0), 0u) << name;
    }
}

TEST_F(CaptureTest, ProgressBarRangesFollowEachStep) {
    std::string script = readFile(sourceScript());
    for (int i = 0; i < 96; ++i)
        script += "CREATE PROCEDURE p_extra_" + std::to_string(i) + "\nAS\nSELECT 1\nGO\n";
    writeFile(m_dir.path() / "many.sql", script);
    build("src", m_dir.path() / "many.sql");
    start();
    auto source = connect("src");
    auto store = openStore();
    RecordingObserver observer;
    captureSource(*source, *store, observer);

    const auto* columns = observer.find(CaptureStep::Columns);
    ASSERT_NE(columns, nullptr);
    EXPECT_EQ(columns->maximum, 6); // seven column rows: the row count minus one
    EXPECT_EQ(columns->position, 7);
    const auto* procedures = observer.find(CaptureStep::Procedures);
    ASSERT_NE(procedures, nullptr);
    EXPECT_EQ(procedures->minimum, 0);
    EXPECT_EQ(procedures->maximum, 100); // one hundred procedures
    EXPECT_EQ(procedures->position, 100);
    const auto* defaults = observer.find(CaptureStep::Defaults);
    ASSERT_NE(defaults, nullptr);
    EXPECT_EQ(defaults->maximum, 2);
}

TEST_F(CaptureTest, SourceWithoutIndexKeysStillReplacesEveryTable) {
    // First a snapshot of the full source, then one of a database with a
    // table but no index and no objects: nothing of the first may remain.
    build("src", sourceScript());
    writeFile(m_dir.path() / "bare.sql", "CREATE TABLE T (a int NULL)\nGO\n");
    build("bare", m_dir.path() / "bare.sql");
    start();
    auto store = openStore();
    RecordingObserver observer;
    captureSource(*connect("src"), *store, observer);
    ASSERT_GT(store->connection().open("Select * From SourceSp").size(), 0u);

    CaptureSummary summary = captureSource(*connect("bare"), *store, observer);
    EXPECT_EQ(rows(*store, "Select TableName, FieldName From SourceTable"),
              std::vector<std::string>{"T|a"});
    for (const char* table : {"SourceIndex", "SourceSp", "SourceView", "SourceTR", "SourceDF"})
        EXPECT_EQ(store->connection().open(std::string("Select * From ") + table).size(), 0u)
            << table;
    EXPECT_EQ(summary.rows[1], 0u);
}

TEST_F(CaptureTest, EncryptedProcedureIsReportedAndSkipped) {
    std::string script = readFile(sourceScript());
    script += "CREATE PROCEDURE p_secret WITH ENCRYPTION\nAS\nSELECT 42\nGO\n";
    writeFile(m_dir.path() / "secret.sql", script);
    build("src", m_dir.path() / "secret.sql");
    start();
    auto store = openStore();
    RecordingObserver observer;
    CaptureSummary summary = captureSource(*connect("src"), *store, observer);
    EXPECT_EQ(summary.objectsWithoutText, std::vector<std::string>{"p_secret"});
    EXPECT_EQ(store->connection().open("Select * From SourceSp where SpName='p_secret'").size(),
              0u);
    EXPECT_EQ(store->connection().open("Select * From SourceSp where SpName='p_total'").size(), 3u);
    EXPECT_EQ(store->connection().open("Select * From SourceDF").size(), 2u);
}

class CaptureFailureTest : public CaptureTest {
protected:
    // A first capture, whose snapshot every failure below must leave alone.
    void SetUp() override {
        build("src", sourceScript());
        writeFile(m_dir.path() / "other.sql", "CREATE TABLE Other (x int NULL)\nGO\n"
                                              "CREATE PROCEDURE p_other\nAS\nSELECT 9\nGO\n");
        build("other", m_dir.path() / "other.sql");
    }
    void takeFirstSnapshot() {
        auto store = openStore();
        RecordingObserver observer;
        captureSource(*connect("src", "secret"), *store, observer);
        m_before = readFile(storePath());
    }
    std::string m_before;
};

TEST_F(CaptureFailureTest, WrongPasswordLeavesThePreviousSnapshot) {
    start({"--user", "sa", "--password", "secret"});
    takeFirstSnapshot();
    auto store = openStore();
    EXPECT_THROW(connect("other", "wrong"), DatabaseError);
    EXPECT_TRUE(readFile(storePath()) == m_before) << "the snapshot file changed";
    EXPECT_EQ(store->connection().open("Select * From SourceTable").size(), 7u);
}

TEST_F(CaptureFailureTest, ServerGoneMidCaptureLeavesThePreviousSnapshot) {
    start({"--user", "sa", "--password", "secret"});
    takeFirstSnapshot();
    {
        auto store = openStore();
        auto source = connect("other", "secret");
        RecordingObserver observer;
        observer.onAdvance = [&](const RecordingObserver::Step& step) {
            if (step.step == CaptureStep::Columns)
                m_server->kill();
        };
        EXPECT_THROW(captureSource(*source, *store, observer), std::exception);
        // The same connection still shows the old snapshot.
        EXPECT_EQ(store->connection().open("Select * From SourceTable").size(), 7u);
        EXPECT_EQ(store->connection().open("Select * From SourceSp where SpName='p_other'").size(),
                  0u);
    }
    std::string after = readFile(storePath());
    std::size_t at = 0;
    while (at < after.size() && at < m_before.size() && after[at] == m_before[at])
        ++at;
    EXPECT_TRUE(after == m_before) << "the snapshot file changed at byte " << at << " of "
                                   << m_before.size() << "/" << after.size();
}

TEST_F(CaptureFailureTest, UnknownDatabaseIsAnErrorNamingIt) {
    start();
    try {
        connect("nosuchdb");
        FAIL() << "connecting to a missing database succeeded";
    } catch (const DatabaseError& error) {
        EXPECT_NE(std::string(error.what()).find("nosuchdb"), std::string::npos) << error.what();
    }
}

} // namespace
} // namespace dbc
