#pragma once

#include <string>
#include <string_view>

namespace testserver::tds {

// The SQL text of a SQL batch message (MS-TDS 2.2.6.7) in UTF-8. From TDS 7.2
// on (`hasHeaders`) the text follows an ALL_HEADERS block.
std::string parseSqlBatch(std::string_view payload, bool hasHeaders);

// Skips the ALL_HEADERS block at the start of a 7.2+ request. A block whose
// lengths do not add up is taken as absent, so the text is never lost.
std::string_view skipAllHeaders(std::string_view payload);

} // namespace testserver::tds
