// How batched replies are tied to their statements, against a connection that
// answers each request with scripted results and errors.

#include "data/batched_replies.h"

#include <gtest/gtest.h>

namespace dbc {
namespace {

// One scripted item: "m3" the marker of position 3, "r:x" a result with one
// row x, "n" a result without rows, "e:x" an error with message x.
ResultOrError item(const std::string& scripted) {
    if (scripted[0] == 'm')
        return Result({kReplyMarkerColumn}, {{scripted.substr(1)}});
    if (scripted == "n")
        return Result({"Text"}, {});
    if (scripted.rfind("r:", 0) == 0)
        return Result({"Text"}, {{scripted.substr(2)}});
    return DatabaseError(scripted.substr(2));
}

class ScriptedServer : public Connection {
public:
    explicit ScriptedServer(std::vector<std::vector<std::string>> answers)
        : m_answers(std::move(answers)) {}
    Result open(const std::string&) override { throw DatabaseError("open is not expected"); }
    void execute(const std::string&) override { throw DatabaseError("execute is not expected"); }
    std::vector<ResultOrError> openAll(const std::string& sql) override {
        m_requests.push_back(sql);
        if (m_requests.size() > m_answers.size())
            throw DatabaseError("more requests than answers");
        std::vector<ResultOrError> items;
        for (const auto& scripted : m_answers[m_requests.size() - 1])
            items.push_back(item(scripted));
        return items;
    }
    const std::vector<std::string>& requests() const { return m_requests; }

private:
    std::vector<std::vector<std::string>> m_answers;
    std::vector<std::string> m_requests;
};

std::string describe(const ResultOrError& reply) {
    if (const auto* error = std::get_if<DatabaseError>(&reply))
        return std::string("error ") + error->what();
    const auto& result = std::get<Result>(reply);
    return result.empty() ? "no rows" : result.rows().front().front();
}

struct BatchCase {
    std::string name;
    std::size_t statements;
    std::size_t limit;
    std::vector<std::vector<std::string>> answers; // per request
    std::vector<std::string> replies;              // expected, in order
    std::string thrown;                            // expected error, if any
    // The statements each request carried (by number), when checked.
    std::vector<std::vector<std::size_t>> carried;
};

std::ostream& operator<<(std::ostream& out, const BatchCase& c) {
    return out << c.name;
}

// Statement i asks for the text of object i.
std::vector<std::string> statementsFor(std::size_t count) {
    std::vector<std::string> statements;
    for (std::size_t i = 0; i < count; ++i)
        statements.push_back("sp_helpText N'object_" + std::to_string(i) + "'");
    return statements;
}

class BatchedReplies : public testing::TestWithParam<BatchCase> {};

TEST_P(BatchedReplies, TiesEachReplyToItsStatement) {
    const BatchCase& c = GetParam();
    ScriptedServer server(c.answers);
    std::vector<std::string> replies;
    auto run = [&] {
        openBatched(
            server, statementsFor(c.statements),
            [&](std::size_t index, ResultOrError reply) {
                EXPECT_EQ(index, replies.size());
                replies.push_back(describe(reply));
            },
            c.limit);
    };
    if (c.thrown.empty()) {
        run();
    } else {
        try {
            run();
            ADD_FAILURE() << "no error";
        } catch (const DatabaseError& error) {
            EXPECT_EQ(error.what(), c.thrown);
        }
    }
    EXPECT_EQ(replies, c.replies);
    EXPECT_EQ(server.requests().size(), c.answers.size());
    for (std::size_t r = 0; r < c.carried.size() && r < server.requests().size(); ++r) {
        std::string expected;
        for (std::size_t i = 0; i < c.carried[r].size(); ++i)
            expected += "Select " + std::to_string(i) +
                        " As dbcompare_reply\nExec sp_helpText "
                        "N'object_" +
                        std::to_string(c.carried[r][i]) + "'\n";
        EXPECT_EQ(server.requests()[r], expected) << "request " << r;
    }
}

const std::string kNone = "error CommandText does not return a result set";

const BatchCase batchCases[] = {
    {"OneRequestForAll",
     3,
     kBatchTextLimit,
     {{"m0", "r:a", "m1", "r:b", "m2", "r:c"}},
     {"a", "b", "c"},
     "",
     {{0, 1, 2}}},
    {"RefusedTextInTheMiddleKeepsTheOthersInPlace",
     3,
     kBatchTextLimit,
     {{"m0", "r:a", "m1", "e:15471 encrypted", "m2", "r:c"}},
     {"a", "error 15471 encrypted", "c"},
     "",
     {}},
    {"NoResultSetIsAnErrorOfItsOwnStatement",
     3,
     kBatchTextLimit,
     {{"m0", "m1", "r:b", "m2", "n"}},
     {kNone, "b", "no rows"},
     "",
     {}},
    {"ErrorAfterARowsetFailsTheStatementAsOpenWould",
     2,
     kBatchTextLimit,
     {{"m0", "r:a", "e:late", "m1", "r:b", "r:extra"}},
     {"error late", "b"},
     "",
     {}},
    {"BatchEndedEarlySendsTheRestAgain",
     4,
     kBatchTextLimit,
     {{"m0", "r:a", "m1", "e:aborted"}, {"m0", "r:c", "m1", "r:d"}},
     {"a", "error aborted", "c", "d"},
     "",
     {{0, 1, 2, 3}, {2, 3}}},
    {"LimitSplitsIntoRequests",
     5,
     180,
     {{"m0", "r:a", "m1", "r:b"}, {"m0", "r:c", "m1", "r:d"}, {"m0", "r:e"}},
     {"a", "b", "c", "d", "e"},
     "",
     {{0, 1}, {2, 3}, {4}}},
    {"LimitBelowOneStatementStillSendsOne",
     2,
     0,
     {{"m0", "r:a"}, {"m0", "r:b"}},
     {"a", "b"},
     "",
     {{0}, {1}}},
    {"NothingToAskSendsNothing", 0, kBatchTextLimit, {}, {}, "", {}},
    {"BatchRefusedAsAWholeThrowsItsError",
     2,
     kBatchTextLimit,
     {{"e:Incorrect syntax near 'x'."}},
     {},
     "Incorrect syntax near 'x'.",
     {}},
    {"RequestAnsweringNothingThrows",
     2,
     kBatchTextLimit,
     {{}},
     {},
     "the server answered none of the statements of a batch",
     {}},
    {"MarkersOutOfOrderThrow",
     2,
     kBatchTextLimit,
     {{"m1", "r:a"}},
     {},
     "the server answered the statements of a batch out of order",
     {}},
    {"MoreMarkersThanStatementsThrow",
     1,
     kBatchTextLimit,
     {{"m0", "r:a", "m1", "r:b"}},
     {},
     "the server answered more statements than a batch held",
     {}},
};

INSTANTIATE_TEST_SUITE_P(Cases, BatchedReplies, testing::ValuesIn(batchCases),
                         [](const auto& paramInfo) { return paramInfo.param.name; });

TEST(BatchedRepliesText, OnlyABareProcedureCallGetsExec) {
    ScriptedServer server({{"m0", "n", "m1", "n", "m2", "n"}});
    openBatched(server,
                {"sp_helpText N'a'", "Exec sp_helpText N'b'",
                 "Select * From sysObjects where type='P' and Status>=0 and name=N'c'"},
                [](std::size_t, ResultOrError) {});
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0],
              "Select 0 As dbcompare_reply\nExec sp_helpText N'a'\n"
              "Select 1 As dbcompare_reply\nExec sp_helpText N'b'\n"
              "Select 2 As dbcompare_reply\n"
              "Select * From sysObjects where type='P' and Status>=0 and name=N'c'\n");
}

} // namespace
} // namespace dbc
