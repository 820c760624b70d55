// The snapshot's atomic replace: until commit() the store file and its folder
// stay exactly as they were (no journal beside the file, not one byte
// changed), whatever goes wrong; commit() puts the whole new snapshot in its
// place or, refusing, leaves the old one whole.

#include "data/sqlite_connection.h"
#include "data/test_point.h"
#include "snapshot/snapshot_info.h"
#include "snapshot/snapshot_replacement.h"
#include "snapshot/snapshot_store.h"
#include "tests/snapshot/directory_snapshot.h"
#include "tests/support/scratch_dir.h"

#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dbc {
namespace {

namespace fs = std::filesystem;
using Rows = std::vector<Result::Row>;

const SnapshotInfo kNewInfo{"hrms_new", "srv", "2026-01-02 03:04:05"};

// What a test point does when the replacement reaches it; one at a time.
std::function<void(std::string_view)> g_atPoint;

void runTestPoint(std::string_view point) {
    if (g_atPoint)
        g_atPoint(point);
}

class SnapshotReplacementTest : public testing::Test {
protected:
    void SetUp() override {
        setTestPointHandler(runTestPoint);
        auto old = SnapshotStore::open(storePath());
        old->appendRow("SourceSp", {{"SpName", "p_old"}, {"SpText", "the old text"}});
        old->execute(createSnapshotInfoSql());
        writeSnapshotInfo(old->connection(), {"hrms_old", "srv", "2025-01-01 00:00:00"});
        old.reset();
        m_before = test::snapshotDirectory(m_dir.path());
    }
    void TearDown() override {
        g_atPoint = nullptr;
        setTestPointHandler(nullptr);
    }

    fs::path storePath() const { return m_dir.path() / "Source.mdb"; }

    // Writes the rows a capture of the new database would.
    static void capture(SnapshotReplacement& replacement) {
        SnapshotStore& store = replacement.store();
        store.appendRow("SourceSp", {{"SpName", "p_new"}, {"SpText", "the new text"}});
        for (int i = 0; i < 2000; ++i)
            store.appendRow("SourceTable", {{"FieldName", "f" + std::to_string(i)},
                                            {"FieldType", "varchar"},
                                            {"TableName", "T"},
                                            {"FieldLength", std::string(200, 'x')}});
    }

    // The old snapshot, byte for byte, and nothing else in the folder: no
    // journal beside the store, no scratch file left.
    void expectOldSnapshotAlone(const std::string& when) const {
        EXPECT_EQ(test::snapshotDirectory(m_dir.path()), m_before) << when;
    }

    Rows procedures() {
        auto store = SnapshotStore::openForReading(storePath());
        return store->connection().open("Select SpName, SpText From SourceSp").rows();
    }

    test::ScratchDir m_dir;
    test::DirectorySnapshot m_before;
};

TEST_F(SnapshotReplacementTest, CommitPutsTheWholeNewSnapshotInPlace) {
    ::chmod(storePath().c_str(), 0640);
    {
        SnapshotReplacement replacement(storePath());
        capture(replacement);
        replacement.commit(kNewInfo);
    }
    EXPECT_EQ(procedures(), (Rows{{"p_new", "the new text"}}));
    auto store = SnapshotStore::openForReading(storePath());
    EXPECT_EQ(readCaptureState(store->connection()).info.database, "hrms_new");
    EXPECT_EQ(store->connection().open("Select count(*) AS n From SourceTable").field(0, "n"),
              "2000");
    struct stat info {};
    ASSERT_EQ(::stat(storePath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u) << "the new snapshot keeps the old one's permissions";
    store.reset();
    EXPECT_EQ(test::snapshotDirectory(m_dir.path()).size(), 1u) << "a scratch file was left";
}

// While the capture writes, and at each step of the commit before the
// rename, the file under the store's name is the old snapshot on its own:
// a crash there (a power cut, kill -9) leaves it whole, needing no journal.
TEST_F(SnapshotReplacementTest, TheStoreFileStaysOldUntilTheRename) {
    std::vector<std::string> seen;
    g_atPoint = [&](std::string_view point) {
        if (point == "replace-after-rename")
            return;
        seen.emplace_back(point);
        EXPECT_EQ(test::readBytes(storePath()), m_before.at("Source.mdb")) << point;
        for (const char* side : {"-journal", "-wal"})
            EXPECT_FALSE(fs::exists(storePath().string() + side)) << point;
    };
    SnapshotReplacement replacement(storePath());
    capture(replacement);
    g_atPoint("captured");
    replacement.commit(kNewInfo);
    EXPECT_EQ(seen, (std::vector<std::string>{"captured", "replace-before-sync",
                                              "replace-before-rename"}));
    EXPECT_EQ(procedures(), (Rows{{"p_new", "the new text"}}));
}

TEST_F(SnapshotReplacementTest, AFailureBeforeCommitLeavesTheOldSnapshot) {
    try {
        SnapshotReplacement replacement(storePath());
        capture(replacement);
        throw std::runtime_error("the source went away");
    } catch (const std::runtime_error&) {
    }
    expectOldSnapshotAlone("after the capture failed");
    EXPECT_EQ(procedures(), (Rows{{"p_old", "the old text"}}));
}

TEST_F(SnapshotReplacementTest, AFailureInsideCommitLeavesTheOldSnapshot) {
    for (const char* failing : {"replace-before-sync", "replace-before-rename"}) {
        g_atPoint = [&](std::string_view point) {
            if (point == failing)
                throw std::runtime_error("stopped");
        };
        {
            SnapshotReplacement replacement(storePath());
            capture(replacement);
            EXPECT_THROW(replacement.commit(kNewInfo), std::runtime_error) << failing;
        }
        expectOldSnapshotAlone(failing);
    }
}

TEST_F(SnapshotReplacementTest, AFailedRenameLeavesTheOldSnapshot) {
    // The new snapshot vanishes before the rename, so the rename fails.
    g_atPoint = [&](std::string_view point) {
        if (point != "replace-before-rename")
            return;
        for (const auto& entry : fs::directory_iterator(m_dir.path()))
            if (entry.path() != storePath())
                fs::remove(entry.path());
    };
    SnapshotReplacement replacement(storePath());
    capture(replacement);
    try {
        replacement.commit(kNewInfo);
        FAIL() << "the rename failed and commit reported success";
    } catch (const StoreError& error) {
        EXPECT_NE(std::string(error.what()).find(storePath().string()), std::string::npos)
            << error.what();
    }
    expectOldSnapshotAlone("after the failed rename");
}

// A journal or WAL file beside the store would be played into the new file
// by the next program that opens it: commit refuses, and leaves the store
// and the side file as they are.
TEST_F(SnapshotReplacementTest, CommitRefusesWhileAJournalOrWalLiesBesideTheStore) {
    for (const char* side : {"-journal", "-wal"}) {
        const fs::path sideFile = storePath().string() + side;
        {
            SnapshotReplacement replacement(storePath());
            capture(replacement);
            std::ofstream(sideFile) << "another program's";
            try {
                replacement.commit(kNewInfo);
                FAIL() << side << " beside the store and commit reported success";
            } catch (const StoreError& error) {
                EXPECT_NE(std::string(error.what()).find(sideFile.string()), std::string::npos)
                    << error.what();
            }
        }
        EXPECT_EQ(test::readBytes(sideFile), "another program's");
        fs::remove(sideFile);
        expectOldSnapshotAlone(side);
    }
}

TEST_F(SnapshotReplacementTest, AStoreThatCannotBeReplacedIsRefusedBeforeAnythingIsWritten) {
    {
        ::chmod(storePath().c_str(), 0444);
        EXPECT_THROW(SnapshotReplacement{storePath()}, StoreError) << "a read-only store file";
        ::chmod(storePath().c_str(), 0644);
        m_before = test::snapshotDirectory(m_dir.path());
    }
    {
        // Another program holds a write lock on the store.
        SqliteConnection writer(storePath(), SqliteConnection::OpenMode::ExistingReadWrite);
        writer.execute("BEGIN IMMEDIATE");
        EXPECT_THROW(SnapshotReplacement{storePath()}, StoreError) << "a locked store file";
        writer.execute("ROLLBACK");
    }
    expectOldSnapshotAlone("after the refusals");

    const fs::path notAStore = m_dir.path() / "notes.txt";
    std::ofstream(notAStore) << "not a snapshot";
    EXPECT_THROW(SnapshotReplacement{notAStore}, StoreError);
    EXPECT_EQ(test::readBytes(notAStore), "not a snapshot");
    fs::remove(notAStore);
    expectOldSnapshotAlone("after refusing another file");
}

// A folder that takes no new file is refused before the capture reads
// anything. The superuser writes into a read-only folder, so there only the
// scratch file's name, taken by a folder, stands in the way.
TEST_F(SnapshotReplacementTest, AFolderThatTakesNoNewFileIsRefusedAndKeepsTheOldSnapshot) {
    const fs::path blocker =
        m_dir.path() / (".Source.mdb.capture-" + std::to_string(::getpid())) / "inside";
    fs::create_directories(blocker);
    m_before = test::snapshotDirectory(m_dir.path());
    EXPECT_THROW(SnapshotReplacement{storePath()}, StoreError) << "the scratch name is taken";
    expectOldSnapshotAlone("after the refusal");
    fs::remove_all(blocker.parent_path());
    m_before = test::snapshotDirectory(m_dir.path());

    if (::geteuid() != 0) {
        ::chmod(m_dir.path().c_str(), 0555);
        EXPECT_THROW(SnapshotReplacement{storePath()}, StoreError) << "a read-only folder";
        ::chmod(m_dir.path().c_str(), 0755);
        expectOldSnapshotAlone("after the refusal of the read-only folder");
    }
}

// A store named through a symbolic link: the file it names is replaced and
// the link stays.
TEST_F(SnapshotReplacementTest, ALinkKeepsPointingAtTheReplacedFile) {
    const fs::path link = m_dir.path() / "link.mdb";
    fs::create_symlink(storePath(), link);
    {
        SnapshotReplacement replacement(link);
        capture(replacement);
        replacement.commit(kNewInfo);
    }
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(procedures(), (Rows{{"p_new", "the new text"}}));
}

} // namespace
} // namespace dbc
