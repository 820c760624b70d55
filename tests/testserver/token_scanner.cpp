#include "tests/testserver/token_scanner.h"

#include "data/utf16.h"

#include <stdexcept>

namespace testserver::test {

namespace {

class Reader {
public:
    explicit Reader(std::string_view data) : m_data(data) {}
    bool done() const { return m_pos == m_data.size(); }
    std::string_view take(std::size_t n) {
        if (n > m_data.size() - m_pos)
            throw std::runtime_error("token stream ends inside a token");
        auto part = m_data.substr(m_pos, n);
        m_pos += n;
        return part;
    }
    std::uint64_t le(std::size_t bytes) {
        auto part = take(bytes);
        std::uint64_t v = 0;
        for (std::size_t i = bytes; i-- > 0;)
            v = (v << 8) | static_cast<unsigned char>(part[i]);
        return v;
    }
    std::uint64_t be(std::size_t bytes) {
        auto part = take(bytes);
        std::uint64_t v = 0;
        for (std::size_t i = 0; i < bytes; ++i)
            v = (v << 8) | static_cast<unsigned char>(part[i]);
        return v;
    }
    std::uint8_t u8() { return static_cast<std::uint8_t>(le(1)); }
    std::uint16_t u16() { return static_cast<std::uint16_t>(le(2)); }
    std::uint32_t u32() { return static_cast<std::uint32_t>(le(4)); }
    std::string bVarchar() { return fromUtf16(take(std::size_t{u8()} * 2)); }
    std::string usVarchar() { return fromUtf16(take(std::size_t{u16()} * 2)); }

private:
    std::string_view m_data;
    std::size_t m_pos = 0;
};

std::optional<std::string> readValue(Reader& r, const ScannedColumn& column) {
    switch (column.type) {
    case 0x26: { // INTN
        std::uint8_t length = r.u8();
        if (length == 0)
            return std::nullopt;
        std::uint64_t raw = r.le(length);
        long long v = 0;
        if (length == 1)
            v = static_cast<long long>(raw);
        else if (length == 2)
            v = static_cast<std::int16_t>(raw);
        else if (length == 4)
            v = static_cast<std::int32_t>(raw);
        else
            v = static_cast<long long>(raw);
        return std::to_string(v);
    }
    case 0xE7: { // NVARCHAR
        std::uint16_t length = r.u16();
        if (length == 0xFFFF)
            return std::nullopt;
        return fromUtf16(r.take(length));
    }
    case 0x63: { // NTEXT
        std::uint8_t pointer = r.u8();
        if (pointer == 0)
            return std::nullopt;
        r.take(pointer + 8u);
        return fromUtf16(r.take(r.u32()));
    }
    default:
        throw std::runtime_error("unexpected column type " + std::to_string(column.type));
    }
}

} // namespace

std::string fromUtf16(std::string_view utf16le) {
    // The bytes are little-endian code units; the product's conversion
    // turns them into UTF-8.
    std::u16string units;
    for (std::size_t i = 0; i + 1 < utf16le.size(); i += 2)
        units += static_cast<char16_t>(static_cast<unsigned char>(utf16le[i]) |
                                       (static_cast<unsigned char>(utf16le[i + 1]) << 8));
    return dbc::utf16ToUtf8(units);
}

std::vector<ScannedToken> scanTokens(std::string_view stream, bool tds72) {
    Reader r(stream);
    std::vector<ScannedToken> tokens;
    std::vector<ScannedColumn> columns;
    while (!r.done()) {
        ScannedToken t;
        t.type = r.u8();
        switch (t.type) {
        case 0xFD:
        case 0xFE:
        case 0xFF:
            t.status = r.u16();
            t.command = r.u16();
            t.rowCount = tds72 ? r.le(8) : r.u32();
            break;
        case 0xAA:
        case 0xAB: {
            Reader body(r.take(r.u16()));
            t.number = static_cast<std::int32_t>(body.u32());
            t.state = body.u8();
            t.severity = body.u8();
            t.text = body.usVarchar();
            t.server = body.bVarchar();
            t.procedure = body.bVarchar();
            t.line = tds72 ? body.u32() : body.u16();
            if (!body.done())
                throw std::runtime_error("message token longer than its fields");
            break;
        }
        case 0xE3: {
            Reader body(r.take(r.u16()));
            t.envType = body.u8();
            if (t.envType >= 7 && t.envType <= 10) { // collation and transactions: bytes
                t.newValue = std::string(body.take(body.u8()));
                t.oldValue = std::string(body.take(body.u8()));
            } else {
                t.newValue = body.bVarchar();
                t.oldValue = body.bVarchar();
            }
            if (!body.done())
                throw std::runtime_error("ENVCHANGE longer than its fields");
            break;
        }
        case 0xAD: {
            Reader body(r.take(r.u16()));
            t.interface = body.u8();
            t.tdsVersion = static_cast<std::uint32_t>(body.be(4));
            t.programName = body.bVarchar();
            unsigned major = body.u8();
            unsigned minor = body.u8();
            auto build = static_cast<unsigned>(body.be(2));
            t.programVersion =
                std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(build);
            if (!body.done())
                throw std::runtime_error("LOGINACK longer than its fields");
            break;
        }
        case 0x79:
            t.returnStatus = static_cast<std::int32_t>(r.u32());
            break;
        case 0x81: {
            std::uint16_t count = r.u16();
            columns.clear();
            for (std::uint16_t i = 0; i < count; ++i) {
                ScannedColumn c;
                r.take(tds72 ? 4 : 2); // user type
                c.nullable = (r.u16() & 1) != 0;
                c.type = r.u8();
                if (c.type == 0x26) {
                    c.size = r.u8();
                } else if (c.type == 0xE7) {
                    c.size = r.u16();
                    c.collation = std::string(r.take(5));
                } else if (c.type == 0x63) {
                    c.size = r.u32();
                    c.collation = std::string(r.take(5));
                    if (tds72) {
                        for (std::uint8_t parts = r.u8(); parts > 0; --parts)
                            r.usVarchar();
                    } else {
                        r.usVarchar();
                    }
                } else {
                    throw std::runtime_error("unexpected column type " + std::to_string(c.type));
                }
                c.name = r.bVarchar();
                columns.push_back(c);
            }
            t.columns = columns;
            break;
        }
        case 0xD1:
            for (const auto& c : columns)
                t.values.push_back(readValue(r, c));
            break;
        default:
            throw std::runtime_error("unexpected token " + std::to_string(t.type));
        }
        tokens.push_back(std::move(t));
    }
    return tokens;
}

} // namespace testserver::test
