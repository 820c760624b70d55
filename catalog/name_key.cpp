#include "catalog/name_key.h"

#include "data/unicode_case.h"

#include <algorithm>

namespace dbc {

namespace {

thread_local NameCase t_nameCase = NameCase::Ignored;

std::string_view withoutTrailingBlanks(std::string_view name) noexcept {
    while (!name.empty() && name.back() == ' ')
        name.remove_suffix(1);
    return name;
}

bool isAscii(std::string_view text) noexcept {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

char lowerAscii(char c) noexcept {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

int compareBytes(std::string_view a, std::string_view b) noexcept {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

// ASCII names, by far the most, are compared without building their keys.
int compareAsciiFolded(std::string_view a, std::string_view b) noexcept {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto x = static_cast<unsigned char>(lowerAscii(a[i]));
        const auto y = static_cast<unsigned char>(lowerAscii(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

} // namespace

NameCase nameCaseOfCollation(std::string_view collation) {
    if (collation.empty())
        return NameCase::Ignored;
    std::string upper(collation);
    std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) {
        return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    });
    upper += '_';
    if (upper.find("_CI_") == std::string::npos)
        return NameCase::Exact;
    return upper.find("_AI_") != std::string::npos ? NameCase::IgnoredWithAccents
                                                   : NameCase::Ignored;
}

NameCase currentNameCase() noexcept {
    return t_nameCase;
}

NameCaseScope::NameCaseScope(NameCase rule) noexcept : m_previous(t_nameCase) {
    t_nameCase = rule;
}

NameCaseScope::~NameCaseScope() {
    t_nameCase = m_previous;
}

std::string nameKey(std::string_view name) {
    name = withoutTrailingBlanks(name);
    if (t_nameCase == NameCase::Exact)
        return std::string(name);
    if (!isAscii(name))
        return caseFoldedUtf8(name, t_nameCase == NameCase::IgnoredWithAccents);
    std::string key(name);
    std::transform(key.begin(), key.end(), key.begin(), lowerAscii);
    return key;
}

int compareNameKeys(std::string_view a, std::string_view b) {
    a = withoutTrailingBlanks(a);
    b = withoutTrailingBlanks(b);
    if (t_nameCase == NameCase::Exact)
        return compareBytes(a, b);
    if (isAscii(a) && isAscii(b))
        return compareAsciiFolded(a, b);
    const bool withoutAccents = t_nameCase == NameCase::IgnoredWithAccents;
    return compareBytes(caseFoldedUtf8(a, withoutAccents), caseFoldedUtf8(b, withoutAccents));
}

std::string objectKey(std::string_view name) {
    return nameKey(name);
}

} // namespace dbc
