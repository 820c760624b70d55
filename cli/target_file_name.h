#pragma once

#include <string>

namespace dbc::cli {

// The stem of a target's files in the output folder: "<database>@<server>",
// each byte outside letters, digits and ". , _ -" written as %XX (so "/", a
// blank or a non-ASCII letter never makes an odd name, and two different
// targets never share one), a leading "." as %2E (no hidden file). A stem
// longer than 200 bytes is cut and ends in a hash of the whole, keeping it
// within file systems' 255-byte limit with room for the suffix.
std::string targetFileStem(const std::string& server, const std::string& database);

} // namespace dbc::cli
