#pragma once

#include <optional>
#include <string_view>

namespace testserver {

// T-SQL's LIKE: % any run of characters, _ one character, [abc] and [a-z]
// one of a set, [^abc] one outside it; letter case is ignored, as the
// server's case-insensitive collation does. `escape` makes the character
// after it literal (LIKE ... ESCAPE '!'). Text is UTF-8.
bool likeMatches(std::string_view value, std::string_view pattern,
                 std::optional<char32_t> escape = std::nullopt);

} // namespace testserver
