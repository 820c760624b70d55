#pragma once

#include "bench/support/synthetic_schema.h"

#include <cstddef>

namespace dbc::bench {

// What an out-of-date copy lacks or has in surplus, as counts per category.
struct ChangeCounts {
    std::size_t missingTables = 0;
    std::size_t missingColumns = 0;
    std::size_t surplusColumns = 0;
    std::size_t alteredColumns = 0;
    std::size_t changedIndexes = 0;
    std::size_t missingIndexes = 0;
    std::size_t surplusIndexes = 0;
    std::size_t missingDefaults = 0;
    std::size_t surplusDefaults = 0;
    std::size_t missingModules = 0;
    std::size_t changedModules = 0;
};

// `source` as an out-of-date database would hold it, a few percent off in
// every category: 2% of the tables missing; of the others, 5% without a
// column, 5% with a surplus column after the last and 2.5% with one before
// the first, 4% with a column of another length; 5% of the indexes on other
// keys, 2.5% missing, 2.5% with a surplus index beside them; 4% of the
// defaults missing and 3% of the tables with a surplus default; 3.3% of the
// procedures, views and triggers missing, 3.3% with one blank more inside a
// line, and 3.3% differing only in letter case and trailing blanks (equal to
// the compare). Triggers of missing tables are missing too.
SyntheticSchema outOfDateCopy(const SyntheticSchema& source, ChangeCounts& changes);

} // namespace dbc::bench
