#pragma once

#include "testserver/engine/engine.h"
#include "testserver/tds/byte_writer.h"
#include "testserver/tds/column_plan.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace testserver::tds {

// A SQL Server collation as TDS carries it: LCID and comparison flags in four
// little-endian bytes, then the SQL sort id.
using Collation = std::array<std::uint8_t, 5>;

// Chinese_PRC_CI_AS: LCID 0x0804, ignore case, kana and width, sort id 0, the
// default of a SQL Server 2000 installed for mainland China.
constexpr Collation kChinesePrcCiAs{0x04, 0x08, 0xD0, 0x00, 0x00};

// Writes TDS tokens (MS-TDS 2.2.7) for one negotiated TDS version.
class TokenWriter {
public:
    TokenWriter(ByteWriter& out, std::uint32_t tdsVersion, std::string serverName,
                Collation collation)
        : m_out(out), m_tdsVersion(tdsVersion), m_serverName(std::move(serverName)),
          m_collation(collation) {}

    // LOGINACK for "Microsoft SQL Server" 8.00.2039 with the client's TDS
    // version.
    void loginAck();
    void envChange(std::uint8_t type, std::string_view newValue, std::string_view oldValue);
    void collationChange();
    // ENVCHANGE for a transaction begun, committed or rolled back: the
    // 8-byte transaction descriptor as new (begin) or old value.
    void transactionChange(std::uint8_t type, std::string_view newDescriptor,
                           std::string_view oldDescriptor);
    // An INFO token for severity 0..10, an ERROR token otherwise.
    void message(const ServerMessage& message, std::string_view procedure = {});
    void done(std::uint8_t token, std::uint16_t status, std::uint16_t currentCommand,
              std::uint64_t rowCount);
    void returnStatus(std::int32_t status);
    void colMetadata(const std::vector<ColumnPlan>& columns);
    void row(const std::vector<ColumnPlan>& columns, const std::vector<Value>& values);

private:
    void typeInfo(const ColumnPlan& column);
    void value(const ColumnPlan& column, const Value& value);

    ByteWriter& m_out;
    std::uint32_t m_tdsVersion;
    std::string m_serverName;
    Collation m_collation;
};

} // namespace testserver::tds
