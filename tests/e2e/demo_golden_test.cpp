// The demo databases end to end, byte for byte: release 2.3 of hrms captured
// into a snapshot, release 2.1 compared with it and the script executed. The
// snapshot's rows, both faces of the script and the execution report must
// equal tests/fixtures/hrms_demo.golden, so a reshaping of the capture, the
// compare or the statement texts cannot change a byte unnoticed.

#include "script/executor.h"
#include "tests/e2e/served_databases.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace dbc::e2e {
namespace {

// One value per line: line ends and backslashes inside it made visible.
std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

TEST(DemoGolden, CaptureCompareAndExecuteGiveTheRecordedBytes) {
    ServedDatabases served;
    served.loadFile("hrms_new", test::fixturesDir() / "hrms_new.sql");
    served.loadFile("hrms_old", test::fixturesDir() / "hrms_old.sql");
    served.start();
    auto store = served.capture("hrms_new", "Source.mdb");

    std::ostringstream actual;
    for (const char* table :
         {"SourceTable", "SourceIndex", "SourceSp", "SourceView", "SourceTR", "SourceDF"}) {
        actual << "== store " << table << '\n';
        for (const auto& row :
             rowsOf(store->connection(), std::string("Select * From ") + table + " Order by rowid"))
            actual << escaped(row) << '\n';
    }
    CompareOutcome outcome = compareWith(served, *store, "hrms_old");
    actual << "== display\n" << outcome.script.displayText() << '\n';
    actual << "== statements\n";
    for (const auto& statement : outcome.script.statements())
        actual << escaped(statement) << '\n';
    executeScript(*outcome.target, outcome.script);
    actual << "== execution report\n" << outcome.script.displayText() << '\n';

    const auto golden = test::fixturesDir() / "hrms_demo.golden";
    if (!std::filesystem::exists(golden)) {
        std::ofstream(golden.string() + ".actual", std::ios::binary) << actual.str();
        FAIL() << golden << " is missing; the output is in " << golden << ".actual";
    }
    EXPECT_EQ(actual.str(), test::readFile(golden));
}

} // namespace
} // namespace dbc::e2e
