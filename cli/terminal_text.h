#pragma once

#include <string>
#include <string_view>

namespace dbc::cli {

// `text` with every control character written visibly, so that text from a
// database (a name, a server's message) cannot move the cursor, clear the
// screen, retitle the window or forge a line on a terminal: a C0 control,
// DEL, or a byte that is not part of valid UTF-8 as \xNN (\x1b for ESC), a C1
// control (U+0080 to U+009F) as \u0080 to \u009f. Tabs are kept; line breaks
// (LF, and CR right before LF) are kept when `keepLineBreaks`, else written
// as \x0a and \x0d like the rest.
std::string visibleControls(std::string_view text, bool keepLineBreaks = true);

} // namespace dbc::cli
