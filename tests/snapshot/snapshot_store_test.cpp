#include "data/database_error.h"
#include "data/sqlite_connection.h"
#include "snapshot/index_key_counts.h"
#include "snapshot/snapshot_store.h"
#include "snapshot/store_schema.h"
#include "tests/snapshot/directory_snapshot.h"
#include "tests/support/scratch_dir.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace dbc {
namespace {

namespace fs = std::filesystem;
using Rows = std::vector<Result::Row>;

class SnapshotStoreTest : public testing::Test {
protected:
    void SetUp() override { m_store = SnapshotStore::open(storePath()); }
    fs::path storePath() const { return m_dir.path() / "Source.mdb"; }
    Result select(const std::string& sql) { return m_store->connection().open(sql); }

    void appendText(const char* table, const char* nameColumn, const char* textColumn,
                    const std::string& name, const std::string& text) {
        m_store->appendRow(table, {{nameColumn, name}, {textColumn, text}});
    }

    test::ScratchDir m_dir;
    std::unique_ptr<SnapshotStore> m_store;
};

TEST_F(SnapshotStoreTest, AMissingFileIsCreatedWithEveryTableEmpty) {
    const std::vector<std::pair<std::string, std::vector<std::string>>> expected = {
        {"SourceTable",
         {"FieldName", "FieldLength", "FieldType", "TableName", "Collation", "IsNullable",
          "TypeStat", "colStat", "FieldScale", "IdentSeed", "IdentIncr", "RowGuidCol",
          "IdentNotForRepl", "ComputedText", "SchemaName"}},
        {"SourceIndex",
         {"TableName", "IndexName", "IndexField", "IndexFieldOrder", "Status", "IsUnique",
          "KeyConstraint", "IsDescending", "IsIncluded", "IndexFilter", "SchemaName"}},
        {"SourceSp", {"SpName", "SpText", "SchemaName"}},
        {"SourceView", {"ViewName", "ViewText", "SchemaName"}},
        {"SourceTR", {"TRName", "TRText", "SchemaName"}},
        {"SourceDF", {"DFName", "TableName", "FieldName", "DFValue", "SchemaName"}},
        {"SourceFK",
         {"FKName", "TableName", "FieldName", "RefTableName", "RefFieldName", "KeyOrder",
          "DeleteCascade", "UpdateCascade", "NotForReplication", "Disabled", "SchemaName",
          "RefSchemaName"}},
        {"SourceCK",
         {"CKName", "TableName", "FieldName", "CKText", "NotForReplication", "Disabled",
          "SchemaName"}},
        {"SourceFN", {"FNName", "FNText", "SchemaName"}},
        {"SourceType", {"TypeName", "BaseType", "FieldLength", "FieldScale", "IsNullable"}},
    };
    for (const auto& [table, columns] : expected) {
        Result result = select("Select * From " + table);
        EXPECT_EQ(result.columns(), columns) << table;
        EXPECT_TRUE(result.empty()) << table;
    }
    EXPECT_EQ(select("SELECT count(*) AS n FROM sqlite_master").field(0, "n"), "10");
    // Nothing but the store is left in the directory.
    EXPECT_EQ(test::snapshotDirectory(m_dir.path()).size(), 1u);
}

// A store written before the index key facts were recorded: it opens, keeps
// its rows, and gains the columns (empty in its old rows) only when asked.
TEST_F(SnapshotStoreTest, AStoreWithoutTheKeyFactColumnsOpensAndGainsThemOnRequest) {
    m_store.reset();
    const fs::path old = m_dir.path() / "Old.mdb";
    {
        SqliteConnection db(old, SqliteConnection::OpenMode::Create);
        db.execute("CREATE TABLE SourceTable (FieldName TEXT, FieldLength TEXT, FieldType TEXT, "
                   "TableName TEXT, Collation TEXT, IsNullable TEXT, TypeStat TEXT, colStat TEXT)");
        db.execute("CREATE TABLE SourceIndex (TableName TEXT, IndexName TEXT, IndexField TEXT, "
                   "IndexFieldOrder INTEGER, Status TEXT)");
        for (const char* table :
             {"SourceSp (SpName TEXT, SpText TEXT)", "SourceView (ViewName TEXT, ViewText TEXT)",
              "SourceTR (TRName TEXT, TRText TEXT)",
              "SourceDF (DFName TEXT, TableName TEXT, FieldName TEXT, "
              "DFValue TEXT)"})
            db.execute(std::string("CREATE TABLE ") + table);
        db.execute("INSERT INTO SourceIndex VALUES ('T', 'PK_T', 'Id', 1, '1')");
    }
    auto store = SnapshotStore::open(old);
    const std::string keys = "Select * From SourceIndex";
    EXPECT_EQ(store->connection().open(keys).columns().size(), 5u);
    EXPECT_FALSE(countIndexKeys(store->connection()));
    const std::string hasConstraintTables = "SELECT name FROM sqlite_master WHERE name IN "
                                            "('SourceFK', 'SourceCK', 'SourceFN') ORDER BY name";
    EXPECT_TRUE(store->connection().open(hasConstraintTables).empty());
    store->addMissingColumns();
    store->addMissingColumns(); // a second time finds nothing to add
    EXPECT_EQ(store->connection().open(keys).rows(),
              (Rows{{"T", "PK_T", "Id", "1", "1", "", "", "", "", "", ""}}));
    // The tables added later come with it.
    EXPECT_EQ(store->connection().open(hasConstraintTables).rows(),
              (Rows{{"SourceCK"}, {"SourceFK"}, {"SourceFN"}}));
    store->appendRow("SourceIndex", {{"TableName", "T"}, {"IsDescending", "1"}});
    EXPECT_EQ(store->connection().open(keys).field(1, "IsDescending"), "1");
}

TEST_F(SnapshotStoreTest, KeysAndUniqueIndexesAreCountedOncePerIndex) {
    struct Key {
        const char* table;
        const char* index;
        const char* column;
        const char* unique;
        const char* constraint;
    };
    const Key keys[] = {
        {"A", "PK_A", "x", "1", "PK"}, {"A", "PK_A", "y", "1", "PK"}, {"B", "PK_A", "x", "1", "PK"},
        {"A", "UQ_A", "z", "1", "UQ"}, {"A", "UX_A", "z", "1", ""},   {"A", "UX_A", "w", "1", ""},
        {"B", "IX_B", "z", "0", ""},
    };
    for (const Key& key : keys)
        m_store->appendRow("SourceIndex", {{"TableName", key.table},
                                           {"IndexName", key.index},
                                           {"IndexField", key.column},
                                           {"IsUnique", key.unique},
                                           {"KeyConstraint", key.constraint}});
    const auto counts = countIndexKeys(m_store->connection());
    ASSERT_TRUE(counts);
    EXPECT_EQ(counts->primaryKeys, 2u);
    EXPECT_EQ(counts->uniqueConstraints, 1u);
    EXPECT_EQ(counts->uniqueIndexes, 1u);
}

TEST_F(SnapshotStoreTest, ACreatedStoreOpensAgainWithItsRows) {
    m_store->appendRow(
        "SourceDF",
        {{"DFName", "DF_t_a"}, {"TableName", "t"}, {"FieldName", "a"}, {"DFValue", "(0)"}});
    m_store.reset();
    auto reopened = SnapshotStore::open(storePath());
    EXPECT_EQ(reopened->path(), storePath());
    EXPECT_EQ(reopened->connection().open("Select * From SourceDF").rows(),
              (Rows{{"DF_t_a", "t", "a", "(0)", ""}}));
}

TEST_F(SnapshotStoreTest, IndexKeyPositionsSortAsNumbersAndReadBackAsTheSameDigits) {
    for (const char* order : {"10", "2", "1", "11", "3"})
        m_store->appendRow("SourceIndex", {{"TableName", "t"},
                                           {"IndexName", "ix"},
                                           {"IndexField", std::string("c") + order},
                                           {"IndexFieldOrder", order},
                                           {"Status", "2"}});
    m_store->appendRow("SourceIndex", {{"TableName", "t"},
                                       {"IndexName", "PK_t"},
                                       {"IndexField", "id"},
                                       {"IndexFieldOrder", "1"},
                                       {"Status", "1"}});
    // A statement sent as text sorts the same way.
    m_store->execute("Insert Into SourceIndex (TableName, IndexName, IndexField, IndexFieldOrder, "
                     "Status) Values ('t', 'ix', 'c12', '12', '2')");
    Result result = select("Select TableName, IndexName, IndexField, IndexFieldOrder, Status From "
                           "SourceIndex Order by TableName,IndexName,IndexFieldOrder");
    Rows expected = {{"t", "PK_t", "id", "1", "1"}, {"t", "ix", "c1", "1", "2"},
                     {"t", "ix", "c2", "2", "2"},   {"t", "ix", "c3", "3", "2"},
                     {"t", "ix", "c10", "10", "2"}, {"t", "ix", "c11", "11", "2"},
                     {"t", "ix", "c12", "12", "2"}};
    EXPECT_EQ(result.rows(), expected);
}

TEST_F(SnapshotStoreTest, KeyPositionsThatAreNoPlainIntegerAreKeptAsWritten) {
    const std::vector<std::string> odd = {
        "007", " 1", "+5", "1.0", "-0", "", "99999999999999999999", "9223372036854775808", "x"};
    for (const auto& order : odd)
        m_store->appendRow("SourceIndex", {{"IndexName", order}, {"IndexFieldOrder", order}});
    m_store->appendRow("SourceIndex",
                       {{"IndexName", "max"}, {"IndexFieldOrder", "-9223372036854775808"}});
    Result result = select("Select IndexName, IndexFieldOrder From SourceIndex");
    ASSERT_EQ(result.size(), odd.size() + 1);
    for (std::size_t i = 0; i < odd.size(); ++i)
        EXPECT_EQ(result.rows()[i][1], odd[i]);
    EXPECT_EQ(result.rows().back()[1], "-9223372036854775808");
    EXPECT_EQ(select("Select typeof(IndexFieldOrder) AS t From SourceIndex Where IndexName = 'max'")
                  .field(0, "t"),
              "integer");
}

TEST_F(SnapshotStoreTest, IntegersAndFlagsReadBackAsTheSameDigits) {
    m_store->appendRow("SourceTable", {{"FieldName", "id"},
                                       {"FieldLength", "10"},
                                       {"FieldType", "int"},
                                       {"TableName", "t"},
                                       {"Collation", std::nullopt},
                                       {"IsNullable", "0"},
                                       {"TypeStat", "0"},
                                       {"colStat", "1"}});
    m_store->appendRow("SourceTable", {{"FieldName", "name"},
                                       {"FieldLength", "8000"},
                                       {"FieldType", "varchar"},
                                       {"TableName", "t"},
                                       {"Collation", "Chinese_PRC_CI_AS"},
                                       {"IsNullable", "1"},
                                       {"TypeStat", "2"},
                                       {"colStat", "0"}});
    Result result = select("Select * From SourceTable Order by TableName,FieldName");
    EXPECT_EQ(result.rows(),
              (Rows{{"id", "10", "int", "t", "", "0", "0", "1", "", "", "", "", "", "", ""},
                    {"name", "8000", "varchar", "t", "Chinese_PRC_CI_AS", "1", "2", "0", "", "", "",
                     "", "", "", ""}}));
    // Read back under other letter case, as the program does.
    EXPECT_EQ(result.field(0, "IsNullAble"), "0");
    EXPECT_EQ(result.field(0, "Colstat"), "1");
    EXPECT_EQ(result.field(1, "tablename"), "t");
}

TEST_F(SnapshotStoreTest, ObjectTextRowsComeBackInAppendOrderAndWhole) {
    const std::string longRow = "  -- " + std::string(100 * 1024, 'x') + "\r\n";
    const Rows appended = {
        {"p_b", "CREATE PROCEDURE p_b AS\r\n"},
        {"p_a", "CREATE PROCEDURE p_a AS\r\n"},
        {"p_b", "  SELECT '中文' -- 注释\r\n"},
        {"p_a", longRow},
        {"p_b", ""},
        {"p_a", "  SELECT 1"},
        {"p_b", "  RETURN 0 "},
    };
    for (const auto& row : appended)
        appendText("SourceSp", "SpName", "SpText", row[0], row[1]);
    for (const auto& row : appended)
        appendText("SourceView", "ViewName", "ViewText", row[0], row[1]);
    for (const auto& row : appended)
        appendText("SourceTR", "TRName", "TRText", row[0], row[1]);

    // Each row with its SchemaName, empty for a dbo object.
    Rows stored = appended;
    for (auto& row : stored)
        row.emplace_back();
    EXPECT_EQ(select("Select * From SourceSp").rows(), stored);
    EXPECT_EQ(select("Select * From SourceSp ").rows(), stored);
    EXPECT_EQ(select("Select * From SourceView ").rows(), stored);
    EXPECT_EQ(select("Select * From SourceTR ").rows(), stored);
    EXPECT_EQ(select("Select * From SourceSp").rows()[3][1].size(), longRow.size());

    // Appended again after a delete, rows come in the new order.
    m_store->execute("Delete From SourceSp");
    appendText("SourceSp", "SpName", "SpText", "z", "2");
    appendText("SourceSp", "SpName", "SpText", "a", "1");
    EXPECT_EQ(select("Select * From SourceSp").rows(), (Rows{{"z", "2", ""}, {"a", "1", ""}}));
}

TEST_F(SnapshotStoreTest, GroupingYieldsEachNameOnce) {
    for (const char* name : {"b", "a", "b", "c", "a"})
        appendText("SourceSp", "SpName", "SpText", name, "x");
    Result result = select("Select SpName From SourceSp Group by SpName");
    EXPECT_EQ(result.rows(), (Rows{{"a"}, {"b"}, {"c"}}));
}

TEST_F(SnapshotStoreTest, CountsTellNamesOfDifferentSchemasApart) {
    m_store->execute("Insert Into SourceSp (SpName, SpText, SchemaName) Values "
                     "('p', 'x', NULL), ('p', 'y', NULL), ('p', 'x', 'sales'), ('q', 'x', NULL)");
    const auto counts = m_store->counts();
    const auto procedures = std::find_if(
        counts.begin(), counts.end(), [](const auto& count) { return count.table == "SourceSp"; });
    ASSERT_NE(procedures, counts.end());
    EXPECT_EQ(procedures->rows, 4u);
    EXPECT_EQ(procedures->distinctNames, 3u);
}

TEST_F(SnapshotStoreTest, DefaultsSortByName) {
    for (const char* name : {"DF_b", "DF_a", "DF_c"})
        m_store->appendRow(
            "SourceDF",
            {{"DFName", name}, {"TableName", "t"}, {"FieldName", "f"}, {"DFValue", "(1)"}});
    Result result = select("Select * From SourceDF Order by DFName");
    EXPECT_EQ(result.field(0, "DFName"), "DF_a");
    EXPECT_EQ(result.field(2, "DFName"), "DF_c");
}

TEST_F(SnapshotStoreTest, EachAppendedRowIsStoredAtOnce) {
    appendText("SourceView", "ViewName", "ViewText", "v", "CREATE VIEW v AS SELECT 1");
    SqliteConnection other(storePath(), SqliteConnection::OpenMode::ReadOnly);
    EXPECT_EQ(other.open("Select * From SourceView").rows(),
              (Rows{{"v", "CREATE VIEW v AS SELECT 1", ""}}));
}

TEST_F(SnapshotStoreTest, RollbackLeavesThePreviousRowsExactly) {
    for (int i = 0; i < 3; ++i)
        appendText("SourceSp", "SpName", "SpText", "p", "row " + std::to_string(i));
    const Rows before = select("Select * From SourceSp").rows();
    {
        SnapshotStore::Transaction transaction(*m_store);
        m_store->execute("Delete From SourceSp");
        appendText("SourceSp", "SpName", "SpText", "q", "new");
        EXPECT_EQ(select("Select * From SourceSp").rows(), (Rows{{"q", "new", ""}}));
    }
    EXPECT_EQ(select("Select * From SourceSp").rows(), before);
    // A failing statement inside a transaction does not lose the rows either.
    try {
        SnapshotStore::Transaction transaction(*m_store);
        m_store->execute("Delete From SourceSp");
        m_store->execute("Delete From NoSuchTable");
        transaction.commit();
        FAIL() << "no error";
    } catch (const DatabaseError&) {
    }
    EXPECT_EQ(select("Select * From SourceSp").rows(), before);
}

TEST_F(SnapshotStoreTest, RollbackLeavesTheFileByteForByte) {
    appendText("SourceSp", "SpName", "SpText", "p", "kept");
    const std::string before = test::readBytes(storePath());
    {
        SnapshotStore::Transaction transaction(*m_store);
        m_store->execute("Delete From SourceSp");
        for (int i = 0; i < 1000; ++i)
            appendText("SourceSp", "SpName", "SpText", "q", std::string(100, 'x'));
    }
    EXPECT_EQ(test::readBytes(storePath()), before);
}

TEST_F(SnapshotStoreTest, CommitKeepsTheRows) {
    {
        SnapshotStore::Transaction transaction(*m_store);
        appendText("SourceTR", "TRName", "TRText", "tr", "x");
        transaction.commit();
        EXPECT_THROW(transaction.commit(), DatabaseError);
    }
    EXPECT_EQ(select("Select * From SourceTR").size(), 1u);
}

TEST_F(SnapshotStoreTest, HundredThousandRowsInOneTransactionAreAllKept) {
    {
        SnapshotStore::Transaction transaction(*m_store);
        for (int i = 0; i < 100000; ++i)
            m_store->appendRow("SourceTable", {{"FieldName", "f" + std::to_string(i)},
                                               {"FieldLength", "4"},
                                               {"FieldType", "int"},
                                               {"TableName", "t" + std::to_string(i / 50)},
                                               {"IsNullable", "1"},
                                               {"TypeStat", "0"},
                                               {"colStat", "0"}});
        transaction.commit();
    }
    EXPECT_EQ(select("Select count(*) AS n From SourceTable").field(0, "n"), "100000");
}

TEST_F(SnapshotStoreTest, FieldNamesIgnoreLetterCaseAndUnknownOnesAreRefused) {
    m_store->appendRow("sourcetable", {{"fieldname", "a"}, {"ISNULLABLE", "1"}});
    EXPECT_EQ(select("Select FieldName, IsNullable From SourceTable").rows(), (Rows{{"a", "1"}}));
    EXPECT_THROW(m_store->appendRow("SourceTable", {{"NoSuchField", "x"}}), DatabaseError);
    EXPECT_THROW(m_store->appendRow("NoSuchTable", {{"FieldName", "x"}}), DatabaseError);
    EXPECT_THROW(m_store->appendRow("SourceTable", {{"FieldName", "x"}, {"fieldName", "y"}}),
                 DatabaseError);
    EXPECT_EQ(select("Select * From SourceTable").size(), 1u);
}

TEST_F(SnapshotStoreTest, TwoOpenStoresOnOneFileSeeEachOthersRows) {
    auto second = SnapshotStore::open(storePath());
    appendText("SourceSp", "SpName", "SpText", "p", "x");
    EXPECT_EQ(second->connection().open("Select * From SourceSp").size(), 1u);
}

// A store written before scales and identity seeds were kept opens and reads
// as it was; only a capture gives it the new columns, keeping its rows.
TEST(EarlierStoreLayout, OpensAsItWasAndGainsTheNewColumnsWhenAsked) {
    test::ScratchDir dir;
    const fs::path path = dir.path() / "Source.mdb";
    {
        SqliteConnection db(path, SqliteConnection::OpenMode::Create);
        for (const auto& table : storeTables()) {
            if (table.name != "SourceTable")
                db.execute(createTableSql(table));
        }
        db.execute("CREATE TABLE SourceTable (FieldName TEXT, FieldLength TEXT, FieldType TEXT, "
                   "TableName TEXT, Collation TEXT, IsNullable TEXT, TypeStat TEXT, colStat TEXT)");
        db.execute("INSERT INTO SourceTable VALUES ('Salary', '10', 'numeric', 'Emp', NULL, '1', "
                   "'0', '0')");
    }
    auto store = SnapshotStore::open(path);
    const std::string all = "Select * From SourceTable";
    EXPECT_EQ(store->connection().open(all).rows(),
              (Rows{{"Salary", "10", "numeric", "Emp", "", "1", "0", "0"}}));

    store->addMissingColumns();
    store->addMissingColumns();
    const Result widened = store->connection().open(all);
    EXPECT_EQ(widened.columns().size(), 15u);
    EXPECT_EQ(widened.rows(), (Rows{{"Salary", "10", "numeric", "Emp", "", "1", "0", "0", "", "",
                                     "", "", "", "", ""}}));
    store->appendRow(
        "SourceTable",
        {{"FieldName", "Id"}, {"FieldScale", "0"}, {"IdentSeed", "-100"}, {"IdentIncr", "-5"}});
    EXPECT_EQ(store->connection()
                  .open("Select FieldScale, IdentSeed, IdentIncr From SourceTable "
                        "Where FieldName = 'Id'")
                  .rows(),
              (Rows{{"0", "-100", "-5"}}));
}

TEST(DefaultStorePath, IsSourceMdbBesideTheExecutable) {
    EXPECT_EQ(defaultStorePath(), fs::read_symlink("/proc/self/exe").parent_path() / "Source.mdb");
}

} // namespace
} // namespace dbc
