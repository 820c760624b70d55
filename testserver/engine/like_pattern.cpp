#include "testserver/engine/like_pattern.h"

#include <vector>

namespace testserver {

namespace {

// UTF-8 text as code points, ASCII letters folded to lower case.
std::vector<char32_t> codePoints(std::string_view text) {
    std::vector<char32_t> out;
    for (std::size_t i = 0; i < text.size();) {
        auto lead = static_cast<unsigned char>(text[i]);
        int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t point = length == 1 ? lead : lead & (0x3F >> (length - 1));
        for (int k = 1; k < length && i + static_cast<std::size_t>(k) < text.size(); ++k)
            point = (point << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        if (point >= 'A' && point <= 'Z')
            point += 'a' - 'A';
        out.push_back(point);
        i += static_cast<std::size_t>(length);
    }
    return out;
}

class Matcher {
public:
    Matcher(std::vector<char32_t> value, std::vector<char32_t> pattern,
            std::optional<char32_t> escape)
        : m_value(std::move(value)), m_pattern(std::move(pattern)), m_escape(escape) {}

    bool matches(std::size_t v, std::size_t p) const {
        while (p < m_pattern.size()) {
            char32_t c = m_pattern[p];
            if (m_escape && c == *m_escape && p + 1 < m_pattern.size()) {
                if (v >= m_value.size() || m_value[v] != m_pattern[p + 1])
                    return false;
                ++v;
                p += 2;
                continue;
            }
            if (c == '%') {
                while (p < m_pattern.size() && m_pattern[p] == '%')
                    ++p;
                if (p == m_pattern.size())
                    return true;
                for (std::size_t from = v; from <= m_value.size(); ++from)
                    if (matches(from, p))
                        return true;
                return false;
            }
            if (v >= m_value.size())
                return false;
            if (c == '[') {
                std::optional<std::size_t> next = matchSet(m_value[v], p);
                if (!next) {
                    if (!closes(p)) { // an unclosed [ stands for itself
                        if (m_value[v] != '[')
                            return false;
                        ++v;
                        ++p;
                        continue;
                    }
                    return false;
                }
                ++v;
                p = *next;
                continue;
            }
            if (c != '_' && c != m_value[v])
                return false;
            ++v;
            ++p;
        }
        return v == m_value.size();
    }

private:
    bool closes(std::size_t open) const {
        for (std::size_t k = open + 1; k < m_pattern.size(); ++k)
            if (m_pattern[k] == ']' && k > open + 1)
                return true;
        return false;
    }

    // The pattern position after the set opened at `open` when `c` is in
    // it; nothing when it is not (or the set is not closed).
    std::optional<std::size_t> matchSet(char32_t c, std::size_t open) const {
        std::size_t k = open + 1;
        bool negated = k < m_pattern.size() && m_pattern[k] == '^';
        if (negated)
            ++k;
        bool found = false;
        std::size_t first = k;
        for (; k < m_pattern.size(); ++k) {
            char32_t member = m_pattern[k];
            if (member == ']' && k > first)
                return found != negated ? std::optional<std::size_t>(k + 1) : std::nullopt;
            if (k + 2 < m_pattern.size() && m_pattern[k + 1] == '-' && m_pattern[k + 2] != ']') {
                found = found || (c >= member && c <= m_pattern[k + 2]);
                k += 2;
            } else {
                found = found || c == member;
            }
        }
        return std::nullopt;
    }

    std::vector<char32_t> m_value;
    std::vector<char32_t> m_pattern;
    std::optional<char32_t> m_escape;
};

} // namespace

bool likeMatches(std::string_view value, std::string_view pattern, std::optional<char32_t> escape) {
    return Matcher(codePoints(value), codePoints(pattern), escape).matches(0, 0);
}

} // namespace testserver
