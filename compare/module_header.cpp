#include "compare/module_header.h"

#include "catalog/name_key.h"
#include "data/object_name.h"
#include "data/sql_names.h"

namespace dbc {

namespace {

bool isBlank(char c) noexcept {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

char lowerAscii(char c) noexcept {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// A character that may go on a regular identifier: letters (every byte of a
// character above U+007F counts), digits, _ @ # $.
bool continuesIdentifier(char c) noexcept {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
           (c >= '0' && c <= '9') || c == '_' || c == '@' || c == '#' || c == '$';
}

class HeaderReader {
public:
    explicit HeaderReader(std::string_view text) : m_text(text) {}

    // Blanks and comments; false when a block comment is not closed.
    bool skipSpace() {
        while (m_at < m_text.size()) {
            if (isBlank(m_text[m_at])) {
                ++m_at;
            } else if (m_text.substr(m_at, 2) == "--") {
                const std::size_t end = m_text.find('\n', m_at);
                m_at = end == std::string_view::npos ? m_text.size() : end + 1;
            } else if (m_text.substr(m_at, 2) == "/*") {
                if (!skipBlockComment())
                    return false;
            } else {
                break;
            }
        }
        return true;
    }

    // A regular word (letters, digits, _ @ # $), in lower case; empty where
    // none stands.
    std::string word() {
        std::string lower;
        while (m_at < m_text.size() && continuesIdentifier(m_text[m_at]))
            lower += lowerAscii(m_text[m_at++]);
        return lower;
    }

    // One part of a name: bracketed, quoted or regular.
    std::optional<HeaderName> namePart() {
        if (m_at >= m_text.size())
            return std::nullopt;
        HeaderName part;
        part.begin = m_at;
        const char open = m_text[m_at];
        if (open == '[' || open == '"') {
            const char close = open == '[' ? ']' : '"';
            ++m_at;
            while (true) {
                if (m_at >= m_text.size())
                    return std::nullopt;
                if (m_text[m_at] == close) {
                    if (m_at + 1 < m_text.size() && m_text[m_at + 1] == close) {
                        part.name += close;
                        m_at += 2;
                        continue;
                    }
                    ++m_at;
                    break;
                }
                part.name += m_text[m_at++];
            }
        } else {
            while (m_at < m_text.size() && continuesIdentifier(m_text[m_at]))
                part.name += m_text[m_at++];
        }
        part.end = m_at;
        if (part.name.empty())
            return std::nullopt;
        return part;
    }

    bool takes(char c) {
        if (m_at < m_text.size() && m_text[m_at] == c) {
            ++m_at;
            return true;
        }
        return false;
    }

private:
    bool skipBlockComment() {
        int depth = 0;
        while (m_at < m_text.size()) {
            if (m_text.substr(m_at, 2) == "/*") {
                ++depth;
                m_at += 2;
            } else if (m_text.substr(m_at, 2) == "*/") {
                m_at += 2;
                if (--depth == 0)
                    return true;
            } else {
                ++m_at;
            }
        }
        return false;
    }

    std::string_view m_text;
    std::size_t m_at = 0;
};

} // namespace

std::optional<HeaderName> findHeaderName(std::string_view text) {
    HeaderReader reader(text);
    if (!reader.skipSpace() || reader.word() != "create" || !reader.skipSpace())
        return std::nullopt;
    const std::string kind = reader.word();
    if (kind != "proc" && kind != "procedure" && kind != "view" && kind != "trigger" &&
        kind != "function")
        return std::nullopt;
    if (!reader.skipSpace())
        return std::nullopt;
    std::optional<HeaderName> part = reader.namePart();
    // An owner prefix: the name is the part after the dot.
    for (int parts = 1; part; ++parts) {
        if (!reader.skipSpace())
            return std::nullopt;
        if (!reader.takes('.')) {
            part->qualified = parts == 2;
            return part;
        }
        if (parts == 2 || !reader.skipSpace())
            return std::nullopt;
        part = reader.namePart();
    }
    return std::nullopt;
}

std::optional<std::string> textUnderName(const std::string& text, std::string_view name) {
    const std::optional<HeaderName> header = findHeaderName(text);
    if (!header)
        return std::nullopt;
    // The header's name part is the name without its schema (the owner
    // prefix, kept as the text has it).
    const std::string_view bare = bareName(name);
    const bool schemaMissing = isQualified(name) && !header->qualified;
    if (compareNameKeys(header->name, bare) == 0 && !schemaMissing)
        return text;
    return text.substr(0, header->begin) + sqlName(schemaMissing ? name : bare) +
           text.substr(header->end);
}

} // namespace dbc
