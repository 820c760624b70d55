#include "tests/script/fake_connection.h"

#include "data/database_error.h"

namespace dbc::test {

void FakeConnection::answer(const std::string& sql, Result result) {
    m_responses[sql] = std::move(result);
}

void FakeConnection::fail(const std::string& sql, const std::string& message,
                          const std::string& sqlState) {
    m_responses[sql] = Failure{message, sqlState};
}

Result FakeConnection::open(const std::string& sql) {
    m_sent.push_back(sql);
    const auto found = m_responses.find(sql);
    if (found == m_responses.end())
        throw DatabaseError("FakeConnection: no answer for: " + sql);
    if (const auto* failure = std::get_if<Failure>(&found->second))
        throw DatabaseError(failure->message, failure->sqlState);
    return std::get<Result>(found->second);
}

void FakeConnection::execute(const std::string& sql) {
    m_sent.push_back(sql);
    const auto found = m_responses.find(sql);
    if (found == m_responses.end())
        return;
    if (const auto* failure = std::get_if<Failure>(&found->second))
        throw DatabaseError(failure->message, failure->sqlState);
}

Result makeResult(std::vector<std::string> columns, std::vector<Result::Row> rows) {
    return Result(std::move(columns), std::move(rows));
}

} // namespace dbc::test
