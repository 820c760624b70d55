#include "tests/support/result_lines.h"

namespace dbc::test {

std::vector<std::string> rowsOf(Connection& connection, const std::string& sql) {
    const Result result = connection.open(sql);
    std::vector<std::string> lines;
    for (const auto& row : result.rows()) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i)
            line += (i ? "|" : "") + row[i];
        lines.push_back(line);
    }
    return lines;
}

} // namespace dbc::test
