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
//   -> a|b|NULL        an expected row of the last result, fields joined by '|'
//   !! 3726 1750       the last statement is refused with these message numbers
//   ! text             ... and this first message text
//   !? 3701            statements before the last are refused with these
//                      numbers; the last one succeeds
//   >> 50000: text     an informational message the last batch returns
//   # ...              a comment
//   anything else      SQL; lines that hold only GO separate batches
struct CaseEntry {
    std::string title;
    int line = 0; // of the title in the file
    std::optional<std::string> database;
    std::vector<std::string> batches;
    std::vector<std::string> rows;
    std::vector<int> refusal;
    bool refusalBeforeLast = false; // written as !?
    std::optional<std::string> refusalText;
    std::vector<std::string> infoMessages;
};

// Reads a case file; throws std::runtime_error when it cannot be read or a
// case has no SQL.
std::vector<CaseEntry> readCaseFile(const std::filesystem::path& path);

// gtest prints a case by its title and line.
void PrintTo(const CaseEntry& entry, std::ostream* out);

// For gtest parameter names: the title's letters and digits.
std::string caseName(const CaseEntry& entry);

} // namespace testserver::test
