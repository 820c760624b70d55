// Randomized tables with random rows: a target database, and a source drifted
// from it (lengths, numeric types, precisions and scales changed, columns
// dropped and added, IDENTITY added to a key, a table only on either side). The source is captured,
// the target compared with it, checked and executed as `execute
// --allow-data-loss` does. Then every row of every table both sides share is
// still there; a column's values are the same, or the data check named the
// column's statement beforehand with at least as many rows as changed; and a
// second compare finds nothing left to do. Each seed is one case, so a
// failure names the seed that makes it again.

#include "script/data_options.h"
#include "script/executor.h"
#include "tests/e2e/served_databases.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <sstream>

namespace dbc::e2e {
namespace {

struct RandomColumn {
    std::string name;
    std::string type; // as CREATE TABLE writes it
    bool nullable = true;
};

struct RandomTable {
    std::string name;
    std::vector<RandomColumn> columns; // after the key column Id
};

class Generator {
public:
    explicit Generator(unsigned seed) : m_random(seed) {}

    int between(int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(m_random);
    }
    bool chance(int percent) { return between(1, 100) <= percent; }

    std::string type() {
        switch (between(0, 5)) {
        case 0:
            return "int";
        case 1:
            return "smallint";
        case 2: {
            const int precision = between(3, 12);
            return "decimal(" + std::to_string(precision) + "," +
                   std::to_string(between(0, std::min(precision - 1, 4))) + ")";
        }
        case 3:
            return "nvarchar(" + std::to_string(between(1, 12)) + ")";
        default:
            return "varchar(" + std::to_string(between(1, 12)) + ")";
        }
    }

    // The source's type of a target column of `type`: of the same family,
    // wider or narrower.
    std::string drifted(const std::string& type) {
        if (type == "int" || type == "smallint") {
            static const char* const integers[] = {"tinyint", "smallint", "int", "bigint",
                                                   "decimal(12,2)"};
            return integers[between(0, 4)];
        }
        if (type.rfind("decimal", 0) == 0) {
            const int precision = between(2, 12);
            return "decimal(" + std::to_string(precision) + "," +
                   std::to_string(between(0, std::min(precision - 1, 4))) + ")";
        }
        const std::string family = chance(70) ? type.substr(0, type.find('(')) : "varchar";
        return family + "(" + std::to_string(between(1, 14)) + ")";
    }

    std::string value(const RandomColumn& column) {
        if (column.nullable && chance(20))
            return "NULL";
        const std::string& type = column.type;
        if (type == "int")
            return std::to_string(chance(30) ? between(-60000, 60000) : between(-300, 300));
        if (type == "smallint")
            return std::to_string(chance(30) ? between(-32768, 32767) : between(-10, 300));
        if (type.rfind("decimal", 0) == 0) {
            const int precision = std::stoi(type.substr(8));
            const int scale = std::stoi(type.substr(type.find(',') + 1));
            std::string digits = std::to_string(between(0, 9));
            for (int i = 1; i < precision - scale && chance(60); ++i)
                digits += std::to_string(between(0, 9));
            std::string fraction;
            for (int i = 0; i < scale; ++i)
                fraction += std::to_string(between(0, 9));
            return (chance(30) ? "-" : "") + digits + (fraction.empty() ? "" : "." + fraction);
        }
        const int length = std::stoi(type.substr(type.find('(') + 1));
        std::string text;
        for (int i = between(0, length); i > 0; --i)
            text += static_cast<char>('a' + between(0, 25));
        return (type[0] == 'n' ? "N'" : "'") + text + "'";
    }

private:
    std::mt19937 m_random;
};

std::string createTable(const RandomTable& table, bool identity = false) {
    std::string sql = "CREATE TABLE " + table.name + " (Id int" +
                      (identity ? " IDENTITY (1, 1)" : "") + " NOT NULL CONSTRAINT PK_" +
                      table.name + " PRIMARY KEY";
    for (const RandomColumn& column : table.columns)
        sql += ", " + column.name + " " + column.type + (column.nullable ? " NULL" : " NOT NULL");
    return sql + ")\nGO\n";
}

struct Pair {
    std::string source, target;
    std::vector<RandomTable> shared; // the target's form of the tables both have
};

Pair randomPair(unsigned seed) {
    Generator random(seed);
    Pair pair;
    const int tables = random.between(2, 4);
    for (int t = 0; t < tables; ++t) {
        RandomTable target{"T" + std::to_string(t), {}};
        RandomTable source{target.name, {}};
        for (int c = random.between(1, 5); c > 0; --c) {
            RandomColumn column{"C" + std::to_string(c), random.type(), true};
            target.columns.push_back(column);
            if (random.chance(15))
                continue; // dropped: the source lacks it
            if (random.chance(60))
                column.type = random.drifted(column.type);
            source.columns.push_back(column);
        }
        if (random.chance(30))
            source.columns.push_back({"Added", "varchar(10)", true});
        pair.target += createTable(target);
        for (int r = random.between(0, 12); r > 0; --r) {
            std::string values = std::to_string(r);
            for (const RandomColumn& column : target.columns)
                values += ", " + random.value(column);
            pair.target += "INSERT " + target.name + " VALUES (" + values + ")\n";
        }
        pair.target += "GO\n";
        // IDENTITY added to the key: the table is rebuilt.
        pair.source += createTable(source, random.chance(25));
        pair.shared.push_back(target);
    }
    // One table only the source has, one only the target has (and keeps).
    pair.source += "CREATE TABLE OnlySource (Id int NOT NULL, V varchar(5) NULL)\nGO\n";
    pair.target +=
        "CREATE TABLE OnlyTarget (Id int NOT NULL)\nGO\nINSERT OnlyTarget VALUES (1)\nGO\n";
    return pair;
}

// Every column's values of `table`, by row key and column name.
using Values = std::map<std::string, std::map<std::string, std::string>>;

Values valuesOf(Connection& target, const RandomTable& table) {
    Values values;
    for (const RandomColumn& column : table.columns) {
        const auto exists =
            rowsOf(target, "SELECT COUNT(*) FROM syscolumns WHERE id = OBJECT_ID('" + table.name +
                               "') AND name = '" + column.name + "'");
        if (exists != std::vector<std::string>{"1"})
            continue;
        for (const std::string& row :
             rowsOf(target, "SELECT Id, " + column.name + " FROM " + table.name + " ORDER BY Id")) {
            const std::size_t bar = row.find('|');
            std::string value = row.substr(bar + 1);
            // A char column pads, a shorter varchar drops trailing blanks:
            // neither is a value changed.
            value.erase(value.find_last_not_of(' ') + 1);
            values[column.name][row.substr(0, bar)] = value;
        }
    }
    return values;
}

class RandomRowsTest : public ::testing::TestWithParam<unsigned> {};

TEST_P(RandomRowsTest, RowsStayOrTheDataCheckNamedThemAndTheRunSettles) {
    const Pair pair = randomPair(GetParam());
    SCOPED_TRACE("source:\n" + pair.source + "target:\n" + pair.target);
    ServedDatabases served;
    served.load("src", pair.source);
    served.load("tgt", pair.target);
    served.start();
    auto store = served.capture("src", "Source.mdb");
    CompareOutcome compared = compareWith(served, *store, "tgt");

    std::map<std::string, Values> before;
    std::map<std::string, std::vector<std::string>> keys;
    for (const RandomTable& table : pair.shared) {
        before[table.name] = valuesOf(*compared.target, table);
        keys[table.name] =
            rowsOf(*compared.target, "SELECT Id FROM " + table.name + " ORDER BY Id");
    }

    const ChangeList& changes = compared.script.changes();
    const DataCheckResult check = checkData(*compared.target, changes);
    // The rows the check counted for each column, by the column's Alter.
    std::map<std::string, unsigned long long> named;
    for (const DataCheckFinding& finding : check.findings) {
        ASSERT_TRUE(finding.rows) << finding.statement << ": " << finding.error;
        const ChangeRecord& record = changes[finding.change].record;
        if (const auto* alter = std::get_if<AlterColumn>(&record))
            named[alter->column.table + "." + alter->column.name] += *finding.rows;
        // A rebuild's findings do not say which of its columns they count:
        // each of its Alters' columns may have changed as many.
        if (const auto* rebuild = std::get_if<RebuildTable>(&record);
            rebuild && finding.risk == RowRisk::ValuesLost)
            for (const RebuiltChange& replaced : rebuild->replaced)
                if (const auto* inner = std::get_if<AlterColumn>(&replaced))
                    named[inner->column.table + "." + inner->column.name] += *finding.rows;
    }
    const ScriptBuffer script = scriptWithDataOptions(compared.script, check, {true, false});
    const ExecutionReport report = runStatements(*compared.target, script.statements());
    EXPECT_TRUE(report.failures.empty()) << failureReport(report.failures);

    for (const RandomTable& table : pair.shared) {
        EXPECT_EQ(rowsOf(*compared.target, "SELECT Id FROM " + table.name + " ORDER BY Id"),
                  keys[table.name])
            << table.name;
        const Values after = valuesOf(*compared.target, table);
        for (const auto& [column, rows] : after) {
            unsigned long long changed = 0;
            for (const auto& [key, value] : rows)
                changed += before[table.name][column][key] != value;
            const auto counted = named.find(table.name + "." + column);
            EXPECT_LE(changed, counted == named.end() ? 0 : counted->second)
                << table.name << "." << column << ": values changed the data check did not name";
        }
    }
    const CompareOutcome second = compareWith(served, *store, "tgt");
    EXPECT_EQ(second.script.statements(), std::vector<std::string>{"use tgt"});
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomRowsTest, ::testing::Range(1u, 21u));

} // namespace
} // namespace dbc::e2e
