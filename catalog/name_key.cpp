#include "catalog/name_key.h"

namespace dbc {

namespace {

unsigned char lowerAscii(char c) noexcept {
    auto byte = static_cast<unsigned char>(c);
    return (byte >= 'A' && byte <= 'Z') ? static_cast<unsigned char>(byte - 'A' + 'a') : byte;
}

} // namespace

std::string nameKey(std::string_view name) {
    std::string key;
    key.reserve(name.size());
    for (char c : name)
        key.push_back(static_cast<char>(lowerAscii(c)));
    return key;
}

int compareNameKeys(std::string_view a, std::string_view b) noexcept {
    const std::size_t common = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < common; ++i) {
        const unsigned char x = lowerAscii(a[i]);
        const unsigned char y = lowerAscii(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

std::string objectKey(std::string_view name) {
    std::size_t end = name.size();
    while (end > 0 && name[end - 1] == ' ')
        --end;
    return nameKey(name.substr(0, end));
}

} // namespace dbc
