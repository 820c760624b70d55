#include "cli/target_file_name.h"

#include <cstdint>
#include <cstdio>

namespace dbc::cli {

namespace {

std::string encoded(const std::string& name) {
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto byte = static_cast<unsigned char>(name[i]);
        const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                           (byte >= '0' && byte <= '9') || byte == ',' || byte == '_' ||
                           byte == '-' || (byte == '.' && i > 0);
        if (plain) {
            out += char(byte);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", unsigned(byte));
            out += hex;
        }
    }
    return out;
}

// FNV-1a, 64 bits: enough to tell cut names apart.
std::string hashOf(const std::string& text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return hex;
}

} // namespace

std::string targetFileStem(const std::string& server, const std::string& database) {
    std::string stem = encoded(database) + "@" + encoded(server);
    constexpr std::size_t limit = 200;
    if (stem.size() > limit)
        stem = stem.substr(0, limit - 17) + "~" + hashOf(stem);
    return stem;
}

} // namespace dbc::cli
