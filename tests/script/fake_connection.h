#pragma once

#include "data/connection.h"
#include "data/result.h"

#include <map>
#include <string>
#include <variant>
#include <vector>

namespace dbc::test {

// A Connection that answers from canned responses keyed by the exact SQL
// text and records every SQL text it is sent, in order. A query without a
// canned response fails, so a test notices any SQL it did not expect.
class FakeConnection : public Connection {
public:
    // `sql` answers `result` when opened.
    void answer(const std::string& sql, Result result);
    // `sql` fails with `message` (and `sqlState`) when opened or executed.
    void fail(const std::string& sql, const std::string& message, const std::string& sqlState = {});
    // Commands not registered with fail() succeed when executed.

    Result open(const std::string& sql) override;
    void execute(const std::string& sql) override;

    const std::vector<std::string>& sent() const noexcept { return m_sent; }
    void clearSent() { m_sent.clear(); }

private:
    struct Failure {
        std::string message;
        std::string sqlState;
    };
    std::map<std::string, std::variant<Result, Failure>> m_responses;
    std::vector<std::string> m_sent;
};

// A result with the given column names and rows, for canned responses.
Result makeResult(std::vector<std::string> columns, std::vector<Result::Row> rows = {});

} // namespace dbc::test
