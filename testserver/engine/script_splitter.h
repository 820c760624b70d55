#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace testserver {

// Splits a T-SQL script into batches at lines that hold only GO (any letter
// case, blanks around allowed), as SQL Server's tools do. Batches keep their
// text exactly, line ends included; batches of blanks only are dropped.
std::vector<std::string> splitScript(std::string_view script);

} // namespace testserver
