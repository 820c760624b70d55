#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace testserver::tds {

// An RPC request this server cannot carry out (any procedure but
// sp_executesql, or sp_executesql with parameters).
class UnsupportedRpc : public std::runtime_error {
public:
    explicit UnsupportedRpc(const std::string& what) : std::runtime_error(what) {}
};

// What an RPC request asks for, reduced to the SQL text to run.
struct RpcCall {
    std::string procedure;
    std::string sql;
};

// Parses an RPC request (MS-TDS 2.2.6.6). Only sp_executesql with a lone
// statement parameter (NVARCHAR, NVARCHAR(MAX) or NTEXT) is accepted: that is
// plain SQL sent as a procedure call. Throws UnsupportedRpc for anything else
// and ProtocolError for a malformed request.
RpcCall parseRpcRequest(std::string_view payload, bool hasHeaders);

} // namespace testserver::tds
