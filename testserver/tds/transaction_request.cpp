#include "testserver/tds/transaction_request.h"

#include "testserver/tds/byte_writer.h"
#include "testserver/tds/sql_batch.h"

namespace testserver::tds {

namespace {

enum RequestType : std::uint16_t {
    BeginTransaction = 5,
    CommitTransaction = 7,
    RollbackTransaction = 8,
};

constexpr std::uint8_t kBeginAfterFlag = 0x01;

// A transaction name: a length byte counting bytes, then UTF-16LE.
void skipName(ByteReader& reader) {
    reader.skip(reader.u8());
}

} // namespace

TransactionRequest parseTransactionRequest(std::string_view payload) {
    ByteReader reader(skipAllHeaders(payload), "transaction manager request");
    TransactionRequest request;
    request.requestType = reader.u16();
    switch (request.requestType) {
    case BeginTransaction:
        request.kind = TransactionRequest::Kind::Begin;
        reader.u8(); // isolation level
        skipName(reader);
        break;
    case CommitTransaction:
    case RollbackTransaction:
        request.kind = request.requestType == CommitTransaction
                           ? TransactionRequest::Kind::Commit
                           : TransactionRequest::Kind::Rollback;
        skipName(reader);
        request.beginAfter = (reader.u8() & kBeginAfterFlag) != 0;
        break;
    default:
        request.kind = TransactionRequest::Kind::Unsupported;
        break;
    }
    return request;
}

} // namespace testserver::tds
