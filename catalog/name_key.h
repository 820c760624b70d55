#pragma once

#include <string>
#include <string_view>

namespace dbc {

// How names are matched across the snapshot and the target: as the target
// database's collation compares identifiers. Trailing blanks never count;
// under a case-insensitive collation letter case does not count either, for
// every letter (Unicode simple case folding), and under one that is also
// accent-insensitive neither do accents (é is e); under any other collation
// names match exactly.
enum class NameCase { Ignored, IgnoredWithAccents, Exact };

// The rule of a collation name as DATABASEPROPERTYEX(..., 'Collation') gives
// it: Ignored for a case-insensitive one (its name has the part "_CI", e.g.
// Chinese_PRC_CI_AS, SQL_Latin1_General_CP1_CI_AS) and for an unknown (empty)
// one, IgnoredWithAccents for one that has "_CI" and "_AI"
// (Latin1_General_CI_AI), Exact for the others (_CS, _BIN, _BIN2).
NameCase nameCaseOfCollation(std::string_view collation);

// The rule the functions below follow on the calling thread: Ignored unless a
// NameCaseScope says otherwise. A compare run sets it from the target's
// collation for its duration.
NameCase currentNameCase() noexcept;

class NameCaseScope {
public:
    explicit NameCaseScope(NameCase rule) noexcept;
    ~NameCaseScope();
    NameCaseScope(const NameCaseScope&) = delete;
    NameCaseScope& operator=(const NameCaseScope&) = delete;

private:
    NameCase m_previous;
};

// The key by which a compare matches names across the snapshot and the
// target: the name without trailing blanks and, where letter case is
// ignored, case-folded (A-Z to a-z, and every other letter by Unicode simple
// case folding; bytes that are not valid UTF-8 stay as they are), and where
// accents are ignored too, each letter without its accents (its canonical
// decomposition without the combining marks).
std::string nameKey(std::string_view name);

// Orders two names as their name keys compare: bytes as unsigned numbers, a
// proper prefix first. Negative, zero or positive.
int compareNameKeys(std::string_view a, std::string_view b);

inline bool nameKeyLess(std::string_view a, std::string_view b) {
    return compareNameKeys(a, b) < 0;
}

// The key by which rows are matched to a table or object name; the same as
// the name key (kept for the readers that group rows by it).
std::string objectKey(std::string_view name);

} // namespace dbc
