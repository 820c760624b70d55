#pragma once

#include "data/connection.h"
#include "script/change.h"
#include "script/row_count_queries.h"

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace dbc {

// A statement of the script that concerns stored rows: its place in the
// change list, its text, what it does to them and how many rows it concerns.
struct DataCheckFinding {
    std::size_t change = 0; // index into the change list
    std::string statement;
    RowRisk risk = RowRisk::ValuesLost;
    RowConcern concern = RowConcern::DroppedValues;
    std::string what; // concernText(concern)
    // Unset when the rows could not be counted: `error` then holds the
    // server's message, and the statement is named all the same.
    std::optional<unsigned long long> rows;
    std::string error;
};

// What the data check found, in script order; statements that concern no
// row are not among them.
struct DataCheckResult {
    std::vector<DataCheckFinding> findings;
    // The target's alias types the check read (name, base type), for the
    // statements that make values fit.
    std::vector<std::pair<std::string, std::string>> targetAliasTypes;

    bool empty() const noexcept { return findings.empty(); }
    // True when a statement would change or lose stored values (or one of
    // that kind could not be counted): execute runs only when allowed.
    bool valuesLost() const noexcept;
    // True when a statement would lose values or be refused over rows; rows
    // a rebuild copies and keeps alone ask nothing of the user.
    bool needsAnswer() const noexcept;
    // The finding of a change's statement of that risk, or nullptr.
    const DataCheckFinding* find(std::size_t change, RowRisk risk) const noexcept;
    bool refuses(std::size_t change) const noexcept { return find(change, RowRisk::Refused); }
};

// Counts, on the target, the rows each statement of `changes` concerns
// (rowCountQueries). It only reads: every query is a SELECT. All queries go
// in one request (a few for a very long script); when the server refuses that
// request as a whole (a CHECK naming a column the script adds), each query is
// asked alone and one that fails is a finding without a count. A lost
// connection propagates.
DataCheckResult checkData(Connection& target, const ChangeList& changes);

// One line per finding, for the command line: "<n> rows, values changed or
// lost: <what>: <statement>" (or "..., the statement will be refused: ...";
// "rows not counted (<message>)" when the count failed).
std::string dataCheckReport(const DataCheckResult& result);

} // namespace dbc
