#include "testserver/tds/sql_batch.h"

#include "testserver/tds/byte_writer.h"
#include "testserver/tds/utf16le.h"

namespace testserver::tds {

std::string_view skipAllHeaders(std::string_view payload) {
    if (payload.size() < 4)
        return payload;
    ByteReader reader(payload, "ALL_HEADERS");
    std::uint32_t total = reader.u32();
    // Each header is at least a 4-byte length and a 2-byte type.
    if (total < 4 || total > payload.size())
        return payload;
    std::size_t pos = 4;
    while (pos < total) {
        if (total - pos < 6)
            return payload;
        ByteReader header(payload.substr(pos), "ALL_HEADERS");
        std::uint32_t length = header.u32();
        if (length < 6 || length > total - pos)
            return payload;
        pos += length;
    }
    return payload.substr(total);
}

std::string parseSqlBatch(std::string_view payload, bool hasHeaders) {
    return utf16leToUtf8(hasHeaders ? skipAllHeaders(payload) : payload);
}

} // namespace testserver::tds
