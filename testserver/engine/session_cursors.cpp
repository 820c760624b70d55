#include "testserver/engine/session_cursors.h"

#include "testserver/engine/name_collation.h"
#include "testserver/engine/server_error.h"

#include <utility>

namespace testserver {

namespace {

ServerError missingCursor(const std::string& name) {
    return ServerError(
        messages::make(16916, 16, "A cursor with the name '" + name + "' does not exist."));
}

const char* fetchTypeName(FetchCursor::Direction direction) {
    using Direction = FetchCursor::Direction;
    switch (direction) {
    case Direction::Prior:
        return "FETCH_PRIOR";
    case Direction::First:
        return "FETCH_FIRST";
    case Direction::Last:
        return "FETCH_LAST";
    case Direction::Absolute:
        return "FETCH_ABSOLUTE";
    case Direction::Relative:
        return "FETCH_RELATIVE";
    case Direction::Next:
        break;
    }
    return "FETCH_NEXT";
}

} // namespace

void SessionCursors::declare(const DeclareCursor& statement, std::string select) {
    Scope& scope = statement.global.value_or(true) ? m_global : m_local;
    std::string key = asciiLower(statement.name);
    if (scope.count(key))
        throw ServerError(messages::make(
            16915, 16, "A cursor with the name '" + statement.name + "' already exists."));
    SessionCursor cursor;
    cursor.select = std::move(select);
    cursor.scroll = statement.scroll;
    scope.emplace(key, std::move(cursor));
}

SessionCursor& SessionCursors::find(const std::string& name, bool global) {
    std::string key = asciiLower(name);
    if (!global)
        if (auto local = m_local.find(key); local != m_local.end())
            return local->second;
    if (auto found = m_global.find(key); found != m_global.end())
        return found->second;
    throw missingCursor(name);
}

void SessionCursors::deallocate(const std::string& name, bool global) {
    std::string key = asciiLower(name);
    if (!global && m_local.erase(key))
        return;
    if (!m_global.erase(key))
        throw missingCursor(name);
}

int SessionCursors::status(const std::string& scope, const std::string& name) const {
    const Scope& cursors = namesEqual(scope, "global") ? m_global : m_local;
    auto found = cursors.find(asciiLower(name));
    if (found == cursors.end())
        return -3;
    if (!found->second.open)
        return -1;
    return found->second.rows.rows.empty() ? 0 : 1;
}

SessionCursors::Scope SessionCursors::beginBatch() {
    return std::exchange(m_local, Scope());
}

void SessionCursors::endBatch(Scope caller) {
    m_local = std::move(caller);
}

std::optional<std::size_t> moveCursor(SessionCursor& cursor, FetchCursor::Direction direction,
                                      long long offset) {
    using Direction = FetchCursor::Direction;
    if (direction != Direction::Next && !cursor.scroll)
        throw ServerError(messages::make(16911, 16,
                                         std::string("fetch: The fetch type ") +
                                             fetchTypeName(direction) +
                                             " cannot be used with forward only cursors."));
    const auto count = static_cast<long long>(cursor.rows.rows.size());
    long long target = cursor.position;
    switch (direction) {
    case Direction::Next:
        target = cursor.position + 1;
        break;
    case Direction::Prior:
        target = cursor.position - 1;
        break;
    case Direction::First:
        target = 0;
        break;
    case Direction::Last:
        target = count - 1;
        break;
    case Direction::Absolute:
        // ABSOLUTE 0 is before the first row; a negative n counts from the end.
        target = offset > 0 ? offset - 1 : offset < 0 ? count + offset : -1;
        break;
    case Direction::Relative:
        target = cursor.position + offset;
        break;
    }
    if (target < 0 || count == 0) {
        cursor.position = direction == Direction::Last ? count : -1;
        return std::nullopt;
    }
    if (target >= count) {
        cursor.position = count;
        return std::nullopt;
    }
    cursor.position = target;
    return static_cast<std::size_t>(target);
}

} // namespace testserver
