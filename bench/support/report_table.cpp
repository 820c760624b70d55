#include "bench/support/report_table.h"

#include <cstdio>
#include <iomanip>
#include <ostream>

namespace dbc::bench {

ReportTable::ReportTable(std::ostream& out, std::vector<Column> columns)
    : m_out(out), m_columns(std::move(columns)) {}

void ReportTable::printHeader() const {
    std::vector<std::string> headers;
    std::size_t width = 0;
    for (const Column& column : m_columns) {
        headers.push_back(column.header);
        width += static_cast<std::size_t>(column.width) + 1;
    }
    printRow(headers);
    m_out << std::string(width, '-') << '\n' << std::flush;
}

void ReportTable::printRow(const std::vector<std::string>& cells) const {
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        const std::string cell = i < cells.size() ? cells[i] : std::string();
        m_out << std::setw(m_columns[i].width) << cell << ' ';
    }
    m_out << '\n' << std::flush;
}

std::string formatMs(double ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f", ms);
    return text;
}

std::string formatRatio(double ratio) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", ratio);
    return text;
}

std::string formatCount(std::size_t count) {
    return std::to_string(count);
}

} // namespace dbc::bench
