#include "data/batched_replies.h"

#include <algorithm>
#include <optional>

namespace dbc {

namespace {

bool startsWithIgnoringCase(const std::string& text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           equalsIgnoringCase(std::string_view(text).substr(0, prefix.size()), prefix);
}

std::string markerStatement(std::size_t position) {
    return "Select " + std::to_string(position) + " As " + kReplyMarkerColumn + "\n";
}

std::string batchedStatement(const std::string& statement) {
    if (startsWithIgnoringCase(statement, "sp_"))
        return "Exec " + statement + "\n";
    return statement + "\n";
}

// The position a marker result names, or nothing when `item` is no marker.
std::optional<std::size_t> markerPosition(const ResultOrError& item) {
    const auto* result = std::get_if<Result>(&item);
    if (!result || result->columns().size() != 1 || result->size() != 1 ||
        !equalsIgnoringCase(result->columns().front(), kReplyMarkerColumn))
        return std::nullopt;
    try {
        return static_cast<std::size_t>(std::stoull(result->rows().front().front()));
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// Gathers what one statement's slot (the items after its marker) yields.
class Slot {
public:
    void add(ResultOrError item) {
        if (std::holds_alternative<DatabaseError>(item)) {
            if (!m_error)
                m_error = std::move(item);
        } else if (!m_result) {
            m_result = std::move(item);
        }
    }
    ResultOrError reply() && {
        if (m_error)
            return std::move(*m_error);
        if (m_result)
            return std::move(*m_result);
        return DatabaseError(kNoResultSet);
    }

private:
    std::optional<ResultOrError> m_error;
    std::optional<ResultOrError> m_result;
};

// The statements from `first` that fit in one request: at least one.
std::size_t batchEnd(const std::vector<std::string>& statements, std::size_t first,
                     std::size_t limit) {
    std::size_t end = first;
    std::size_t length = 0;
    while (end < statements.size()) {
        length += statements[end].size() + 64; // the marker, EXEC and line ends
        if (end > first && length > limit)
            break;
        ++end;
    }
    return end;
}

// Hands on the replies of statements `first`..`end` found in `items`;
// returns how many statements were answered, from `first` on.
std::size_t dispatch(std::vector<ResultOrError>& items, std::size_t first, std::size_t end,
                     const ReplyHandler& onReply) {
    std::size_t answered = 0;
    std::optional<Slot> slot;
    for (auto& item : items) {
        if (auto position = markerPosition(item)) {
            if (*position != answered)
                throw DatabaseError("the server answered the statements of a batch out of "
                                    "order");
            if (answered == end - first)
                throw DatabaseError("the server answered more statements than a batch held");
            if (slot)
                onReply(first + answered - 1, std::move(*slot).reply());
            slot.emplace();
            ++answered;
            continue;
        }
        if (!slot) {
            // Before the first marker: the batch failed as a whole.
            if (auto* error = std::get_if<DatabaseError>(&item))
                throw *error;
            continue;
        }
        slot->add(std::move(item));
    }
    if (slot)
        onReply(first + answered - 1, std::move(*slot).reply());
    return answered;
}

} // namespace

void openBatched(Connection& connection, const std::vector<std::string>& statements,
                 const ReplyHandler& onReply, std::size_t batchTextLimit) {
    std::size_t first = 0;
    while (first < statements.size()) {
        const std::size_t end = batchEnd(statements, first, batchTextLimit);
        std::string sql;
        for (std::size_t i = first; i < end; ++i)
            sql += markerStatement(i - first) + batchedStatement(statements[i]);
        std::vector<ResultOrError> items = connection.openAll(sql);
        const std::size_t answered = dispatch(items, first, end, onReply);
        if (answered == 0)
            throw DatabaseError("the server answered none of the statements of a batch");
        first += answered;
    }
}

} // namespace dbc
