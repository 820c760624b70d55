#include "testserver/tds/rpc_request.h"

#include "testserver/tds/byte_writer.h"
#include "testserver/tds/sql_batch.h"
#include "testserver/tds/tds_constants.h"
#include "testserver/tds/utf16le.h"

#include <array>

namespace testserver::tds {

namespace {

constexpr std::uint16_t kProcIdSwitch = 0xFFFF;
constexpr std::uint16_t kSpExecuteSql = 10;
constexpr std::uint64_t kPlpNull = 0xFFFFFFFFFFFFFFFFull;

// The procedures a client may name by number instead of by name.
constexpr std::array<const char*, 16> kProcedureNames{"",
                                                      "sp_cursor",
                                                      "sp_cursoropen",
                                                      "sp_cursorprepare",
                                                      "sp_cursorexecute",
                                                      "sp_cursorprepexec",
                                                      "sp_cursorunprepare",
                                                      "sp_cursorfetch",
                                                      "sp_cursoroption",
                                                      "sp_cursorclose",
                                                      "sp_executesql",
                                                      "sp_prepare",
                                                      "sp_execute",
                                                      "sp_prepexec",
                                                      "sp_prepexecrpc",
                                                      "sp_unprepare"};

std::string readName(ByteReader& reader) {
    std::uint16_t length = reader.u16();
    if (length == kProcIdSwitch) {
        std::uint16_t id = reader.u16();
        if (id < kProcedureNames.size() && id != 0)
            return kProcedureNames[id];
        return "procedure #" + std::to_string(id);
    }
    return utf16leToUtf8(reader.bytes(static_cast<std::size_t>(length) * 2));
}

// Reads a PLP value (NVARCHAR(MAX)): total length, then chunks up to a
// zero-length terminator.
std::string readPlp(ByteReader& reader) {
    std::uint64_t total = reader.u32();
    total |= static_cast<std::uint64_t>(reader.u32()) << 32;
    if (total == kPlpNull)
        return {};
    std::string data;
    for (;;) {
        std::uint32_t chunk = reader.u32();
        if (chunk == 0)
            break;
        data.append(reader.bytes(chunk));
    }
    return data;
}

// Reads the statement parameter's type and value as UTF-16LE.
std::string readTextParameter(ByteReader& reader) {
    reader.bytes(reader.u8()); // parameter name
    reader.u8();               // status flags
    std::uint8_t type = reader.u8();
    if (type == tds::NVarChar) {
        std::uint16_t maxLength = reader.u16();
        reader.skip(5); // collation
        if (maxLength == 0xFFFF)
            return readPlp(reader);
        std::uint16_t length = reader.u16();
        if (length == 0xFFFF)
            return {};
        return std::string(reader.bytes(length));
    }
    if (type == tds::NText) {
        reader.u32();   // maximum length
        reader.skip(5); // collation
        std::uint32_t length = reader.u32();
        if (length == 0xFFFFFFFF)
            return {};
        return std::string(reader.bytes(length));
    }
    throw UnsupportedRpc("sp_executesql with a statement of TDS type " + std::to_string(type) +
                         " is not supported by this test server.");
}

} // namespace

RpcCall parseRpcRequest(std::string_view payload, bool hasHeaders) {
    ByteReader reader(hasHeaders ? skipAllHeaders(payload) : payload, "RPC request");
    RpcCall call;
    call.procedure = readName(reader);
    reader.u16(); // option flags
    if (call.procedure != kProcedureNames[kSpExecuteSql])
        throw UnsupportedRpc("This test server runs no remote procedure calls but "
                             "sp_executesql without parameters; the client called " +
                             call.procedure + ".");
    if (reader.remaining() == 0)
        throw UnsupportedRpc("sp_executesql without a statement.");
    call.sql = utf16leToUtf8(readTextParameter(reader));
    if (reader.remaining() != 0)
        throw UnsupportedRpc("sp_executesql with parameters is not supported by this test "
                             "server.");
    return call;
}

} // namespace testserver::tds
