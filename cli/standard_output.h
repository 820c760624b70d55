#pragma once

#include <stdexcept>
#include <string_view>

namespace dbc::cli {

// Standard output could not be written (a full disk, /dev/full, a closed
// pipe); the message gives the system's reason.
class StandardOutputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes `text` to standard output whole, or throws StandardOutputError.
// On a terminal the text's control characters are shown visibly
// (visibleControls); a file or a pipe gets it exactly.
void writeStandardOutput(std::string_view text);

// Writes `text` to standard error, visibly on a terminal as above. A failure
// is not reported: there is nowhere left to report it.
void writeStandardError(std::string_view text);

} // namespace dbc::cli
