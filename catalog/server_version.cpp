#include "catalog/server_version.h"

#include "catalog/catalog_queries.h"

#include <utility>

namespace dbc {

int majorOfProductVersion(std::string_view productVersion) {
    int major = 0;
    std::size_t digits = 0;
    for (char c : productVersion) {
        if (c < '0' || c > '9' || digits == 4)
            break;
        major = major * 10 + (c - '0');
        ++digits;
    }
    return digits == 0 || major < 8 ? 8 : major;
}

std::string releaseName(int major) {
    static const std::pair<int, const char*> years[] = {{8, "2000"},  {9, "2005"},  {10, "2008"},
                                                        {11, "2012"}, {12, "2014"}, {13, "2016"},
                                                        {14, "2017"}, {15, "2019"}, {16, "2022"}};
    for (const auto& [number, year] : years)
        if (number == major)
            return std::string("SQL Server ") + year;
    return "SQL Server " + std::to_string(major);
}

ServerVersion serverVersionOf(const std::string& productVersion) {
    return {majorOfProductVersion(productVersion), productVersion};
}

ServerVersion readServerVersion(Connection& server) {
    try {
        const Result rows = server.open(catalog::productVersion);
        if (rows.empty())
            return {};
        return serverVersionOf(rows.field(0, "ProductVersion"));
    } catch (const DatabaseError& error) {
        if (connectionLost(error) || error.timedOut())
            throw;
        return {};
    }
}

} // namespace dbc
