#pragma once

// Numbers of the TDS wire format as published in Microsoft's MS-TDS document.

#include <cstdint>

namespace testserver::tds {

// Packet header (2.2.3.1): type, status, big-endian length, big-endian SPID,
// packet id, window.
constexpr std::size_t kHeaderSize = 8;

enum PacketType : std::uint8_t {
    SqlBatch = 0x01,
    Rpc = 0x03,
    TabularResult = 0x04,
    Attention = 0x06,
    BulkLoad = 0x07,
    TransactionManager = 0x0E,
    Login7 = 0x10,
    Sspi = 0x11,
    PreLogin = 0x12,
};

enum PacketStatus : std::uint8_t {
    EndOfMessage = 0x01,
    Ignore = 0x02,
};

enum Token : std::uint8_t {
    ReturnStatus = 0x79,
    ColMetadata = 0x81,
    Error = 0xAA,
    Info = 0xAB,
    LoginAck = 0xAD,
    Row = 0xD1,
    EnvChange = 0xE3,
    Done = 0xFD,
    DoneProc = 0xFE,
    DoneInProc = 0xFF,
};

enum DoneStatus : std::uint16_t {
    DoneFinal = 0x0000,
    DoneMore = 0x0001,
    DoneError = 0x0002,
    DoneCount = 0x0010,
    DoneAttn = 0x0020,
};

enum EnvChangeType : std::uint8_t {
    EnvDatabase = 1,
    EnvLanguage = 2,
    EnvPacketSize = 4,
    EnvSqlCollation = 7,
    EnvBeginTransaction = 8,
    EnvCommitTransaction = 9,
    EnvRollbackTransaction = 10,
};

enum DataType : std::uint8_t {
    IntN = 0x26,
    NText = 0x63,
    NVarChar = 0xE7,
};

// The TDS versions a LOGIN7 record and a LOGINACK carry.
constexpr std::uint32_t kTds70 = 0x70000000;
constexpr std::uint32_t kTds71 = 0x71000001;
constexpr std::uint32_t kTds72 = 0x72090002;
constexpr std::uint32_t kTds74 = 0x74000004;

// TDS 7.1 still uses 2-byte user types, 4-byte DONE row counts and 2-byte
// message line numbers; 7.2 widened all three and added ALL_HEADERS.
inline bool is72OrLater(std::uint32_t version) {
    return version >= kTds72;
}

// The largest packet the protocol allows (the length field is 16 bits).
constexpr std::uint32_t kMaxPacketSize = 32767;
constexpr std::uint32_t kMinPacketSize = 512;
constexpr std::uint32_t kDefaultPacketSize = 4096;

} // namespace testserver::tds
