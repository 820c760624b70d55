// Randomized schema pairs (tests/fixtures/random, written by make_pairs.py):
// awkward names, exact numerics, alias types, identity seeds, defaults renamed
// on their column. For each pair the script of one compare executes without
// a refusal and a second compare finds nothing left to do.

#include "script/executor.h"
#include "tests/e2e/served_databases.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace dbc::e2e {
namespace {

namespace fs = std::filesystem;

// The pairs' names ("pair1"...) in the fixture folder.
std::vector<std::string> pairNames() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(test::fixturesDir() / "random")) {
        const std::string file = entry.path().filename().string();
        if (file.ends_with("_src.sql"))
            names.push_back(file.substr(0, file.size() - 8));
    }
    std::sort(names.begin(), names.end());
    return names;
}

class RandomPairTest : public ::testing::TestWithParam<std::string> {};

TEST_P(RandomPairTest, OneExecutionSettlesTheTarget) {
    const fs::path dir = test::fixturesDir() / "random";
    ServedDatabases served;
    served.loadFile("src", dir / (GetParam() + "_src.sql"));
    served.loadFile("tgt", dir / (GetParam() + "_tgt.sql"));
    served.start();
    auto store = served.capture("src", "Source.mdb");

    CompareOutcome first = compareWith(served, *store, "tgt");
    ASSERT_GT(first.script.statements().size(), 1u) << "the pair should differ";
    for (const auto& failure : executeScript(*first.target, first.script))
        ADD_FAILURE() << failure.statement << ": " << failure.message;

    const CompareOutcome second = compareWith(served, *store, "tgt");
    EXPECT_EQ(second.script.statements(), std::vector<std::string>{"use tgt"});
}

INSTANTIATE_TEST_SUITE_P(Pairs, RandomPairTest, ::testing::ValuesIn(pairNames()),
                         [](const auto& pair) { return pair.param; });

} // namespace
} // namespace dbc::e2e
