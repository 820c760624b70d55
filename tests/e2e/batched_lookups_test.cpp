// Capture and compare ask for object texts and existence in batches. What
// they store and write must be exactly what one request per object gives:
// on the hrms releases, on a synthetic database large enough for several
// batches per kind, and when an object is dropped between the name list and
// its text request.

#include "catalog/server_version.h"
#include "compare/compare_run.h"
#include "snapshot/capture.h"
#include "tests/e2e/served_databases.h"
#include "tests/support/one_request_each.h"

#include <gtest/gtest.h>

#include <functional>

namespace dbc::e2e {
namespace {

class SilentObserver : public CaptureObserver {
public:
    std::function<void(CaptureStep)> onStep;
    void stepStarted(CaptureStep step, int, int) override {
        if (onStep)
            onStep(step);
    }
    void advanced() override {}
};

const char* const kStoreTables[] = {"SourceTable", "SourceIndex", "SourceSp",
                                    "SourceView",  "SourceTR",    "SourceDF"};

// Every stored row of every table, in stored order, and the objects the
// capture could not read.
std::vector<std::string> storeContents(SnapshotStore& store, const CaptureSummary& summary) {
    std::vector<std::string> lines;
    for (const char* table : kStoreTables) {
        lines.push_back(std::string("table ") + table);
        for (auto& line : rowsOf(store.connection(), std::string("Select * From ") + table))
            lines.push_back(std::move(line));
    }
    for (const auto& name : summary.objectsWithoutText)
        lines.push_back("without text: " + name);
    return lines;
}

struct Captured {
    std::unique_ptr<SnapshotStore> store;
    CaptureSummary summary;
};

Captured captureThrough(Connection& source, const std::filesystem::path& storePath,
                        SilentObserver& observer) {
    Captured captured{SnapshotStore::open(storePath), {}};
    captured.summary = captureSource(source, *captured.store, observer, readServerVersion(source));
    return captured;
}

ScriptBuffer compareThrough(SnapshotStore& store, Connection& target, const std::string& database) {
    ScriptBuffer script;
    runCompare(store.connection(), target, database, script, readServerVersion(target));
    return script;
}

// The synthetic database: `count` procedures, views and triggers each. In
// the target of the compare, objects are missing, have one blank more, differ
// only in case and line-edge blanks, or are encrypted, by their number; in
// the source some are encrypted. Names carry apostrophes and Chinese now and
// then, procedure texts a line longer than sp_helptext's 255-character rows.
enum class Side { Source, Target };

std::string nameOf(int kind, int n) {
    std::string name = (kind == 0 ? "p_" : kind == 1 ? "v_" : "tr_") + std::to_string(n);
    if (n % 37 == 0)
        name += "'s 名";
    return name;
}

std::string objectScript(int kind, int n, Side side) {
    const std::string number = std::to_string(n);
    const std::string name = nameOf(kind, n);
    const int variant = n % 10;
    if (side == Side::Target && variant == 1)
        return {}; // missing
    const bool encrypted =
        (side == Side::Source && variant == 5) || (side == Side::Target && variant == 4);
    const std::string withEncryption = encrypted ? " WITH ENCRYPTION" : "";
    std::string body;
    switch (kind) {
    case 0:
        body = "CREATE PROCEDURE [" + name + "] @x int" + withEncryption +
               "\r\nAS\r\nSELECT a, b FROM T WHERE a = @x\r\nSELECT '" +
               std::string(300 + n % 7, 'y') + "'\r\n";
        break;
    case 1:
        body = "CREATE VIEW [" + name + "]" + withEncryption + "\r\nAS\r\nSELECT a, b FROM T\r\n";
        break;
    default:
        body = "CREATE TRIGGER [" + name + "] ON T" + withEncryption +
               " FOR INSERT\r\nAS\r\nSELECT " + number + "\r\n";
    }
    if (side == Side::Target && variant == 2)
        body.replace(body.find("AS\r\nSELECT"), 10, "AS\r\nSELECT ");
    if (side == Side::Target && variant == 3) {
        body.replace(body.find("AS\r\n"), 4, "as  \r\n");
        body = "  " + body;
    }
    return body + "GO\n";
}

std::string syntheticScript(int count, Side side) {
    std::string script =
        "CREATE TABLE [T] ([a] [int] NOT NULL, [b] [varchar] (20) NULL) ON [PRIMARY]\nGO\n"
        "CREATE INDEX [IX_T] ON [T] ([a]) ON [PRIMARY]\nGO\n";
    for (int kind = 0; kind < 3; ++kind)
        for (int n = 0; n < count; ++n)
            script += objectScript(kind, n, side);
    return script;
}

struct DatabasePair {
    std::string name;
    std::function<void(ServedDatabases&)> load; // loads "src" and "tgt"
    std::size_t minimumStatements;              // so that the compare has work to show
    std::string version = {};                   // the release served; 2000 when empty
};

std::ostream& operator<<(std::ostream& out, const DatabasePair& pair) {
    return out << pair.name;
}

class SameAsOneRequestEach : public testing::TestWithParam<DatabasePair> {};

TEST_P(SameAsOneRequestEach, StoreAndScriptAreIdentical) {
    ServedDatabases served(GetParam().version);
    GetParam().load(served);
    served.start();
    test::TempDir stores;
    SilentObserver observer;

    auto batchedSource = served.connect("src");
    const Captured batched = captureThrough(*batchedSource, stores.path() / "b.mdb", observer);
    auto plainSource = served.connect("src");
    test::OneRequestEach oneByOne(*plainSource);
    const Captured single = captureThrough(oneByOne, stores.path() / "s.mdb", observer);
    EXPECT_EQ(storeContents(*batched.store, batched.summary),
              storeContents(*single.store, single.summary));

    auto target = served.connect("tgt");
    const ScriptBuffer batchedScript = compareThrough(*batched.store, *target, "tgt");
    test::OneRequestEach targetOneByOne(*target);
    const ScriptBuffer singleScript = compareThrough(*batched.store, targetOneByOne, "tgt");
    EXPECT_EQ(batchedScript.statements(), singleScript.statements());
    EXPECT_EQ(batchedScript.displayLines(), singleScript.displayLines());
    EXPECT_GE(batchedScript.statements().size(), GetParam().minimumStatements);
}

const DatabasePair databasePairs[] = {
    {"HrmsNewAgainstOld",
     [](ServedDatabases& s) {
         s.loadFile("src", test::fixturesDir() / "hrms_new.sql");
         s.loadFile("tgt", test::fixturesDir() / "hrms_old.sql");
     },
     5},
    {"HrmsOldAgainstNew",
     [](ServedDatabases& s) {
         s.loadFile("src", test::fixturesDir() / "hrms_old.sql");
         s.loadFile("tgt", test::fixturesDir() / "hrms_new.sql");
     },
     5},
    // 1,000 objects of each kind: two or three batches per kind and phase.
    {"SyntheticWithSeveralBatchesPerKind",
     [](ServedDatabases& s) {
         s.load("src", syntheticScript(1000, Side::Source));
         s.load("tgt", syntheticScript(1000, Side::Target));
     },
     3 * 1000 * 3 / 10},
    // SQL Server 2019: the catalog views, each kind's texts in one query.
    {"HrmsNewAgainstOldIn2019",
     [](ServedDatabases& s) {
         s.loadFile("src", test::fixturesDir() / "hrms_new.sql");
         s.loadFile("tgt", test::fixturesDir() / "hrms_old.sql");
     },
     5, "2019"},
    {"SyntheticIn2019",
     [](ServedDatabases& s) {
         s.load("src", syntheticScript(1000, Side::Source));
         s.load("tgt", syntheticScript(1000, Side::Target));
     },
     3 * 1000 * 3 / 10, "2019"},
};

INSTANTIATE_TEST_SUITE_P(Databases, SameAsOneRequestEach, testing::ValuesIn(databasePairs),
                         [](const auto& paramInfo) { return paramInfo.param.name; });

// Counts the statements a capture or compare sends, each statement of an
// openEach() list as one.
class RequestCounter : public Connection {
public:
    explicit RequestCounter(Connection& inner) : m_inner(inner) {}
    Result open(const std::string& sql) override {
        ++requests;
        return m_inner.open(sql);
    }
    void execute(const std::string& sql) override {
        ++requests;
        m_inner.execute(sql);
    }
    void openEach(const std::vector<std::string>& statements,
                  const ReplyHandler& onReply) override {
        requests += statements.size();
        m_inner.openEach(statements, onReply);
    }
    std::size_t requests = 0;

private:
    Connection& m_inner;
};

// On SQL Server 2005 and later a capture and a compare send as many
// statements for 10 objects of each kind as for 1,000: one query per part.
TEST(CatalogViewReading, SendsAFixedNumberOfStatementsWhateverTheObjects) {
    std::vector<std::size_t> counts;
    for (int objects : {10, 1000}) {
        ServedDatabases served("2019");
        served.load("src", syntheticScript(objects, Side::Source));
        served.load("tgt", syntheticScript(objects, Side::Target));
        served.start();
        test::TempDir stores;
        SilentObserver observer;
        auto source = served.connect("src");
        RequestCounter countedSource(*source);
        const Captured captured = captureThrough(countedSource, stores.path() / "s.mdb", observer);
        auto target = served.connect("tgt");
        RequestCounter countedTarget(*target);
        const ScriptBuffer script = compareThrough(*captured.store, countedTarget, "tgt");
        EXPECT_GE(script.statements().size(), static_cast<std::size_t>(objects) * 3 * 3 / 10);
        counts.push_back(countedSource.requests + countedTarget.requests);
    }
    EXPECT_EQ(counts[0], counts[1]);
    // One query per part on each side (functions, computed columns and alias
    // types among them), a few settings questions besides.
    EXPECT_LE(counts[0], 26u);
}

// An object dropped after the name list was read and before its text was
// asked for: the capture reports it as without readable text and goes on;
// the compare, which found it present, drops and re-creates it. Both ways of
// asking agree.
struct DroppedObject {
    int kind; // 0 procedure, 1 view, 2 trigger
    std::string name;
    CaptureStep step; // after whose name list it goes
    std::string drop; // the statement that drops it
    std::string dropLiteral;
};

std::ostream& operator<<(std::ostream& out, const DroppedObject& dropped) {
    return out << dropped.name;
}

// Passes everything on to `inner`, one request per statement unless
// `batched`, and drops an object through `admin` just before the text
// requests that include it go out.
class DropBeforeItsText : public Connection {
public:
    DropBeforeItsText(Connection& inner, Connection& admin, const DroppedObject& dropped,
                      bool batched)
        : m_inner(inner), m_admin(admin), m_dropped(dropped), m_batched(batched) {}
    Result open(const std::string& sql) override { return m_inner.open(sql); }
    void execute(const std::string& sql) override { m_inner.execute(sql); }
    void openEach(const std::vector<std::string>& statements,
                  const ReplyHandler& onReply) override {
        const std::string textQuery = "Exec sp_helpText N'" + m_dropped.name + "'";
        if (std::find(statements.begin(), statements.end(), textQuery) != statements.end())
            m_admin.execute(m_dropped.drop);
        if (m_batched)
            m_inner.openEach(statements, onReply);
        else
            Connection::openEach(statements, onReply);
    }

private:
    Connection& m_inner;
    Connection& m_admin;
    const DroppedObject& m_dropped;
    bool m_batched;
};

class DroppedMeanwhile : public testing::TestWithParam<DroppedObject> {
protected:
    std::string storedTextOf(SnapshotStore& store, const std::string& name) {
        static const char* const tables[3][3] = {{"SourceSp", "SpName", "SpText"},
                                                 {"SourceView", "ViewName", "ViewText"},
                                                 {"SourceTR", "TRName", "TRText"}};
        const auto& table = tables[GetParam().kind];
        return storedText(store, table[0], table[1], table[2], name);
    }
    void SetUp() override {
        m_served.load("src", syntheticScript(12, Side::Source));
        m_served.start();
        m_admin = m_served.connect("src");
    }
    // Creates the dropped object again, as the source script did.
    void recreate() {
        std::string create = objectScript(GetParam().kind, 6, Side::Source);
        m_admin->execute(create.substr(0, create.size() - std::string("GO\n").size()));
    }
    ServedDatabases m_served;
    std::unique_ptr<Connection> m_admin;
    test::TempDir m_stores;
};

TEST_P(DroppedMeanwhile, CaptureListsItAsWithoutTextAndGoesOn) {
    const DroppedObject& dropped = GetParam();
    std::vector<std::vector<std::string>> contents;
    for (bool batched : {true, false}) {
        auto source = m_served.connect("src");
        SilentObserver observer;
        observer.onStep = [&](CaptureStep step) {
            if (step == dropped.step)
                m_admin->execute(dropped.drop);
        };
        test::OneRequestEach oneByOne(*source);
        Connection& asked = batched ? *source : static_cast<Connection&>(oneByOne);
        const Captured captured =
            captureThrough(asked, m_stores.path() / (batched ? "b.mdb" : "s.mdb"), observer);
        const auto& without = captured.summary.objectsWithoutText;
        EXPECT_NE(std::find(without.begin(), without.end(), dropped.name), without.end())
            << (batched ? "batched" : "one request each");
        contents.push_back(storeContents(*captured.store, captured.summary));
        // No stored rows: storedText refuses an object without them.
        EXPECT_THROW(storedTextOf(*captured.store, dropped.name), std::runtime_error);
        EXPECT_NE(storedTextOf(*captured.store, nameOf(dropped.kind, 7)), "");
        recreate();
    }
    EXPECT_EQ(contents[0], contents[1]);
}

TEST_P(DroppedMeanwhile, CompareDropsAndRecreatesIt) {
    const DroppedObject& dropped = GetParam();
    std::unique_ptr<SnapshotStore> store = m_served.capture("src", "Source.mdb");
    const std::string text = storedTextOf(*store, dropped.name);
    ASSERT_FALSE(text.empty());
    for (bool batched : {true, false}) {
        auto target = m_served.connect("src");
        DropBeforeItsText asked(*target, *m_admin, dropped, batched);
        const ScriptBuffer script = compareThrough(*store, asked, "src");
        EXPECT_EQ(script.statements(),
                  (std::vector<std::string>{"use src", dropped.dropLiteral + dropped.name, text}))
            << (batched ? "batched" : "one request each");
        recreate();
    }
}

const DroppedObject droppedObjects[] = {
    {0, "p_6", CaptureStep::Procedures, "DROP PROCEDURE [p_6]", "drop procedure [dbo]."},
    {1, "v_6", CaptureStep::Views, "DROP VIEW [v_6]", "drop View [dbo]."},
    {2, "tr_6", CaptureStep::Triggers, "DROP TRIGGER [tr_6]", "drop TRIGGER [dbo]."},
};

INSTANTIATE_TEST_SUITE_P(Objects, DroppedMeanwhile, testing::ValuesIn(droppedObjects),
                         [](const auto& paramInfo) { return paramInfo.param.name; });

} // namespace
} // namespace dbc::e2e
