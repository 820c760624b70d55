#include "data/connection.h"

namespace dbc {

void Connection::openEach(const std::vector<std::string>& statements, const ReplyHandler& onReply) {
    for (std::size_t i = 0; i < statements.size(); ++i) {
        ResultOrError reply;
        try {
            reply = open(statements[i]);
        } catch (const DatabaseError& error) {
            if (connectionLost(error))
                throw;
            reply = error;
        }
        onReply(i, std::move(reply));
    }
}

std::vector<ResultOrError> Connection::openAll(const std::string&) {
    throw DatabaseError("this connection cannot return the results of several statements");
}

bool connectionLost(const DatabaseError& error) noexcept {
    return error.sqlState().rfind("08", 0) == 0;
}

} // namespace dbc
