#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace testserver::test {

// One case of a case file: SQL sent to the server and what must come back.
//
//   == title           starts a case
//   use NAME           the database to run in
//   version YEAR       the SQL Server release the server answers as (2000
//                      when not given)
//   -> a|b|NULL        an expected row of the last result, fields joined by '|'
//   !! 3726 1750       the last statement is refused with these message numbers
//   ! text             ... and this first message text
//   !? 3701            statements before the last are refused with these
//                      numbers; the last one succeeds
//   >> 50000: text     an informational message the last batch returns
//   => no rows         the last batch succeeds with no rows and no message
//   # ...              a comment
//   anything else      SQL; lines that hold only GO separate batches
//
// Every case states what it expects: at least one ->, !!, !?, >> or
// "=> no rows" line, and "=> no rows" with no -> line.
struct CaseEntry {
    std::string title;
    int line = 0; // of the title in the file
    std::optional<std::string> database;
    int version = 2000;
    std::vector<std::string> batches;
    std::vector<std::string> rows;
    std::vector<int> refusal;
    bool refusalBeforeLast = false; // written as !?
    std::optional<std::string> refusalText;
    std::vector<std::string> infoMessages;
    bool noRows = false; // written as "=> no rows"
};

// Reads a case file; throws std::runtime_error, naming the file and line,
// when it cannot be read, holds no case, a case has no SQL or no expectation,
// or a line that starts as an expectation is malformed (a message number
// that is not a number, "->" without its blank, an unknown "=>" line).
std::vector<CaseEntry> readCaseFile(const std::filesystem::path& path);

// gtest prints a case by its title and line.
void PrintTo(const CaseEntry& entry, std::ostream* out);

// For gtest parameter names: the title's letters and digits.
std::string caseName(const CaseEntry& entry);

} // namespace testserver::test
