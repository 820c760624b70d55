#pragma once

#include <string_view>

namespace dbc {

// Named places in long operations (a capture's rows, the replacement of the
// snapshot file, each executed statement) where a test can stop or kill the
// process to see what a crash or a lost server leaves behind. The program
// itself installs no handler, so a test point costs one pointer test; only
// the test build of the command line installs one.
using TestPointHandler = void (*)(std::string_view point);

void setTestPointHandler(TestPointHandler handler) noexcept;

// Calls the installed handler, if any, with `point`.
void testPoint(std::string_view point);

} // namespace dbc
