#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <vector>

namespace dbc::bench {

// A plain-text table printed a row at a time, so that a long benchmark shows
// each result as soon as it is measured. Cells are right-aligned.
class ReportTable {
public:
    struct Column {
        std::string header;
        int width;
    };

    ReportTable(std::ostream& out, std::vector<Column> columns);

    void printHeader() const;
    void printRow(const std::vector<std::string>& cells) const;

private:
    std::ostream& m_out;
    std::vector<Column> m_columns;
};

std::string formatMs(double ms);
std::string formatRatio(double ratio);
std::string formatCount(std::size_t count);

} // namespace dbc::bench
