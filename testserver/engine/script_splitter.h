#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace testserver {

// Splits a T-SQL script into batches at lines that hold only GO (any letter
// case, blanks around allowed), as SQL Server's tools do. Batches keep their
// text exactly, line ends included; batches of blanks only are dropped.
std::vector<std::string> splitScript(std::string_view script);

// A script file's bytes as UTF-8 text: Query Analyzer and Enterprise Manager
// save scripts as UTF-16 with a byte order mark ("Unicode") or as UTF-8 with
// one; the mark goes and UTF-16 is converted. Other bytes stay as they are.
std::string scriptTextAsUtf8(std::string_view bytes);

} // namespace testserver
