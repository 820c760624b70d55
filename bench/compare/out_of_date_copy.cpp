#include "bench/compare/out_of_date_copy.h"

#include <algorithm>
#include <cctype>
#include <unordered_set>

namespace dbc::bench {

namespace {

// The table's position in the synthetic numbering ("T_000123" is 123).
std::size_t tableNumber(const std::string& table) {
    return static_cast<std::size_t>(std::stoul(table.substr(2)));
}

bool tableMissing(std::size_t i) {
    return i % 50 == 7;
}

void changeColumns(TableSpec& table, std::size_t i, ChangeCounts& changes) {
    auto& columns = table.columns;
    if (i % 20 == 3) {
        std::erase_if(columns, [](const ColumnSpec& c) { return c.name == "Qty"; });
        ++changes.missingColumns;
    }
    if (i % 20 == 11) {
        columns.push_back({"Zz_Old", "int", {}, {}, true, false});
        ++changes.surplusColumns;
    }
    if (i % 40 == 21) {
        columns.push_back({"Aa_Old", "varchar", 10, {}, true, false});
        ++changes.surplusColumns;
    }
    if (i % 25 == 5) {
        for (ColumnSpec& column : columns)
            if (column.name == "Code")
                column.length = 10;
        ++changes.alteredColumns;
    }
}

void changeIndexes(const SyntheticSchema& source, SyntheticSchema& copy, ChangeCounts& changes) {
    for (const IndexSpec& index : source.indexes) {
        const std::size_t i = tableNumber(index.table);
        if (tableMissing(i))
            continue;
        if (i % 40 == 13) {
            ++changes.missingIndexes;
        } else if (i % 20 == 9) {
            IndexSpec changed = index;
            changed.keys = {"Created", "Code"};
            copy.indexes.push_back(changed);
            ++changes.changedIndexes;
        } else {
            copy.indexes.push_back(index);
        }
        if (i % 40 == 17) {
            copy.indexes.push_back({index.table, index.name + "_Old", 3, {"Created"}});
            ++changes.surplusIndexes;
        }
    }
}

void changeDefaults(const SyntheticSchema& source, SyntheticSchema& copy, ChangeCounts& changes) {
    for (const DefaultSpec& df : source.defaults) {
        const std::size_t i = tableNumber(df.table);
        if (tableMissing(i))
            continue;
        if (i % 25 == 2)
            ++changes.missingDefaults;
        else
            copy.defaults.push_back(df);
        if (i % 30 == 4) {
            copy.defaults.push_back({"DF_" + df.table + "_Qty", df.table, "Qty", "(1)"});
            ++changes.surplusDefaults;
        }
    }
}

// One blank more between the first two words ("CREATE  PROCEDURE").
std::string withInnerBlank(std::string text) {
    const std::size_t blank = text.find(' ');
    if (blank != std::string::npos)
        text.insert(blank, 1, ' ');
    return text;
}

// Letter case and line-edge blanks changed: the same text to the compare.
std::string withCaseAndEdgeBlanks(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::string changed;
    for (char c : text) {
        if (c == '\r')
            changed += "  ";
        changed += c;
    }
    return changed;
}

void changeModules(const SyntheticSchema& source, SyntheticSchema& copy, ChangeCounts& changes) {
    std::size_t j = 0;
    for (const ModuleSpec& module : source.modules) {
        const std::size_t n = j++ / 3; // the objects come in threes
        const bool parentMissing =
            module.kind == ModuleKind::Trigger && tableMissing(tableNumber(module.parentTable));
        if (n % 30 == 1 || parentMissing) {
            ++changes.missingModules;
            continue;
        }
        ModuleSpec copied = module;
        if (n % 30 == 2) {
            copied.text = withInnerBlank(module.text);
            ++changes.changedModules;
        } else if (n % 30 == 3) {
            copied.text = withCaseAndEdgeBlanks(module.text);
        }
        copy.modules.push_back(std::move(copied));
    }
}

} // namespace

SyntheticSchema outOfDateCopy(const SyntheticSchema& source, ChangeCounts& changes) {
    changes = {};
    SyntheticSchema copy;
    for (const TableSpec& table : source.tables) {
        const std::size_t i = tableNumber(table.name);
        if (tableMissing(i)) {
            ++changes.missingTables;
            continue;
        }
        copy.tables.push_back(table);
        changeColumns(copy.tables.back(), i, changes);
    }
    changeIndexes(source, copy, changes);
    changeDefaults(source, copy, changes);
    changeModules(source, copy, changes);
    return copy;
}

} // namespace dbc::bench
