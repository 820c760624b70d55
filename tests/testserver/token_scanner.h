#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace testserver::test {

struct ScannedColumn {
    std::string name;
    std::uint8_t type = 0;
    std::uint32_t size = 0; // INTN: bytes; NVARCHAR: max bytes
    bool nullable = false;
    std::string collation; // 5 raw bytes for text types
};

// One token of a server response, decoded by the test's own reading of the
// published token layouts. Only the fields of its kind are set.
struct ScannedToken {
    std::uint8_t type = 0;
    // DONE, DONEPROC, DONEINPROC
    std::uint16_t status = 0;
    std::uint16_t command = 0;
    std::uint64_t rowCount = 0;
    // ERROR, INFO
    std::int32_t number = 0;
    std::uint8_t state = 0;
    std::uint8_t severity = 0;
    std::string text;
    std::string server;
    std::string procedure;
    std::uint32_t line = 0;
    // ENVCHANGE (collation and transaction values as raw bytes)
    std::uint8_t envType = 0;
    std::string newValue;
    std::string oldValue;
    // LOGINACK
    std::uint8_t interface = 0;
    std::uint32_t tdsVersion = 0;
    std::string programName;
    std::string programVersion; // "8.0.2039"
    // COLMETADATA
    std::vector<ScannedColumn> columns;
    // ROW: integers in decimal, text in UTF-8
    std::vector<std::optional<std::string>> values;
    // RETURNSTATUS
    std::int32_t returnStatus = 0;
};

// Decodes a whole token stream; throws std::runtime_error on anything it does
// not understand or on a stream that ends inside a token.
std::vector<ScannedToken> scanTokens(std::string_view stream, bool tds72);

std::string fromUtf16(std::string_view utf16le);

} // namespace testserver::test
