#pragma once

#include "data/connection.h"

#include <string>
#include <vector>

namespace dbc::test {

// Every row `sql` returns as one line, its fields joined by "|", in the
// order they come.
std::vector<std::string> rowsOf(Connection& connection, const std::string& sql);

} // namespace dbc::test
