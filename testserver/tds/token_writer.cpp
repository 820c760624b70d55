#include "testserver/tds/token_writer.h"

#include "testserver/tds/tds_constants.h"
#include "testserver/tds/utf16le.h"

namespace testserver::tds {

namespace {

// The widest message text SQL Server sends (nvarchar(2047) in sysmessages);
// also keeps an ERROR token within its 16-bit length.
constexpr std::size_t kMaxMessageUnits = 4000;

// NTEXT's declared maximum length in bytes.
constexpr std::uint32_t kNTextMaxBytes = 0x7FFFFFFE;

// A text pointer for NTEXT row values; clients only check its length.
constexpr std::string_view kTextPointer{"\x01\x02\x03\x04\x05\x06\x07\x08"
                                        "\x09\x0a\x0b\x0c\x0d\x0e\x0f\x10",
                                        16};
constexpr std::string_view kTextTimestamp{"\0\0\0\0\0\0\0\0", 8};

// Starts a token with a 16-bit length and returns where the length goes.
std::size_t beginSized(ByteWriter& out, std::uint8_t token) {
    out.u8(token);
    std::size_t at = out.size();
    out.u16(0);
    return at;
}

void endSized(ByteWriter& out, std::size_t at) {
    out.patchU16(at, static_cast<std::uint16_t>(out.size() - at - 2));
}

} // namespace

void TokenWriter::loginAck() {
    std::size_t at = beginSized(m_out, tds::LoginAck);
    m_out.u8(1); // SQL_TSQL
    m_out.u32be(m_tdsVersion);
    m_out.bVarchar("Microsoft SQL Server");
    m_out.u8(8);
    m_out.u8(0);
    m_out.u16be(2039);
    endSized(m_out, at);
}

void TokenWriter::envChange(std::uint8_t type, std::string_view newValue,
                            std::string_view oldValue) {
    std::size_t at = beginSized(m_out, tds::EnvChange);
    m_out.u8(type);
    m_out.bVarchar(newValue);
    m_out.bVarchar(oldValue);
    endSized(m_out, at);
}

void TokenWriter::collationChange() {
    std::size_t at = beginSized(m_out, tds::EnvChange);
    m_out.u8(tds::EnvSqlCollation);
    m_out.u8(static_cast<std::uint8_t>(m_collation.size()));
    for (std::uint8_t b : m_collation)
        m_out.u8(b);
    m_out.u8(0);
    endSized(m_out, at);
}

void TokenWriter::transactionChange(std::uint8_t type, std::string_view newDescriptor,
                                    std::string_view oldDescriptor) {
    std::size_t at = beginSized(m_out, tds::EnvChange);
    m_out.u8(type);
    m_out.u8(static_cast<std::uint8_t>(newDescriptor.size()));
    m_out.bytes(newDescriptor);
    m_out.u8(static_cast<std::uint8_t>(oldDescriptor.size()));
    m_out.bytes(oldDescriptor);
    endSized(m_out, at);
}

void TokenWriter::message(const ServerMessage& message, std::string_view procedure) {
    std::size_t at = beginSized(m_out, message.severity <= 10 ? tds::Info : tds::Error);
    m_out.u32(static_cast<std::uint32_t>(message.number));
    m_out.u8(static_cast<std::uint8_t>(message.state));
    m_out.u8(static_cast<std::uint8_t>(message.severity));
    m_out.usVarchar(message.text, kMaxMessageUnits);
    m_out.bVarchar(m_serverName);
    m_out.bVarchar(procedure);
    if (tds::is72OrLater(m_tdsVersion))
        m_out.u32(static_cast<std::uint32_t>(message.line));
    else
        m_out.u16(static_cast<std::uint16_t>(message.line));
    endSized(m_out, at);
}

void TokenWriter::done(std::uint8_t token, std::uint16_t status, std::uint16_t currentCommand,
                       std::uint64_t rowCount) {
    m_out.u8(token);
    m_out.u16(status);
    m_out.u16(currentCommand);
    if (tds::is72OrLater(m_tdsVersion))
        m_out.u64(rowCount);
    else
        m_out.u32(static_cast<std::uint32_t>(rowCount));
}

void TokenWriter::returnStatus(std::int32_t status) {
    m_out.u8(tds::ReturnStatus);
    m_out.u32(static_cast<std::uint32_t>(status));
}

void TokenWriter::typeInfo(const ColumnPlan& column) {
    m_out.u8(column.type);
    switch (column.type) {
    case tds::IntN:
        m_out.u8(column.intSize);
        break;
    case tds::NVarChar:
        m_out.u16(static_cast<std::uint16_t>(column.maxBytes));
        for (std::uint8_t b : m_collation)
            m_out.u8(b);
        break;
    case tds::NText:
        m_out.u32(kNTextMaxBytes);
        for (std::uint8_t b : m_collation)
            m_out.u8(b);
        // The table name: one US_VARCHAR before 7.2, a count of parts after.
        if (tds::is72OrLater(m_tdsVersion))
            m_out.u8(0);
        else
            m_out.u16(0);
        break;
    }
}

void TokenWriter::colMetadata(const std::vector<ColumnPlan>& columns) {
    m_out.u8(tds::ColMetadata);
    m_out.u16(static_cast<std::uint16_t>(columns.size()));
    for (const ColumnPlan& column : columns) {
        if (tds::is72OrLater(m_tdsVersion))
            m_out.u32(0); // user type
        else
            m_out.u16(0);
        m_out.u16(column.nullable ? 0x0001 : 0x0000);
        typeInfo(column);
        m_out.bVarchar(column.name);
    }
}

void TokenWriter::value(const ColumnPlan& column, const Value& value) {
    switch (column.type) {
    case tds::IntN: {
        if (!value) {
            m_out.u8(0);
            break;
        }
        auto v = static_cast<std::uint64_t>(parseInteger(*value));
        m_out.u8(column.intSize);
        for (std::uint8_t i = 0; i < column.intSize; ++i)
            m_out.u8(static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF));
        break;
    }
    case tds::NVarChar: {
        if (!value) {
            m_out.u16(0xFFFF);
            break;
        }
        std::string text = utf8ToUtf16le(*value);
        m_out.u16(static_cast<std::uint16_t>(text.size()));
        m_out.bytes(text);
        break;
    }
    case tds::NText: {
        if (!value) {
            m_out.u8(0);
            break;
        }
        std::string text = utf8ToUtf16le(*value);
        m_out.u8(static_cast<std::uint8_t>(kTextPointer.size()));
        m_out.bytes(kTextPointer);
        m_out.bytes(kTextTimestamp);
        m_out.u32(static_cast<std::uint32_t>(text.size()));
        m_out.bytes(text);
        break;
    }
    }
}

void TokenWriter::row(const std::vector<ColumnPlan>& columns, const std::vector<Value>& values) {
    m_out.u8(tds::Row);
    for (std::size_t c = 0; c < columns.size(); ++c)
        value(columns[c], c < values.size() ? values[c] : Value{});
}

} // namespace testserver::tds
