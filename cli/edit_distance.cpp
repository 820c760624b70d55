#include "cli/edit_distance.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace dbc::cli {

std::size_t editDistance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            std::size_t above = row[j];
            row[j] =
                std::min({row[j] + 1, row[j - 1] + 1,
                          diagonal + (std::tolower(static_cast<unsigned char>(a[i - 1])) ==
                                              std::tolower(static_cast<unsigned char>(b[j - 1]))
                                          ? 0
                                          : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

} // namespace dbc::cli
