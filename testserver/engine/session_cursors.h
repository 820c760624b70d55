#pragma once

#include "testserver/engine/command.h"
#include "testserver/engine/engine.h"
#include "testserver/engine/sql_value.h"

#include <map>
#include <string>
#include <vector>

namespace testserver {

// One declared cursor. OPEN runs its query once and keeps the rows (a
// static cursor: later catalog changes do not show through it).
struct SessionCursor {
    std::string select; // with the variables' values at DECLARE
    bool scroll = false;
    bool open = false;
    ResultSet rows;
    long long position = -1; // -1 before the first row, rows.size() after the last
};

// A session's cursors: GLOBAL ones live until DEALLOCATE or the session's
// end, LOCAL ones until the batch that declared them ends.
class SessionCursors {
public:
    using Scope = std::map<std::string, SessionCursor>;

    // Throws 16915 when the scope already has a cursor of that name.
    void declare(const DeclareCursor& statement, std::string select);
    // The cursor a statement names: the batch's LOCAL one first, then the
    // GLOBAL one; throws 16916 when there is none.
    SessionCursor& find(const std::string& name, bool global);
    void deallocate(const std::string& name, bool global);
    // CURSOR_STATUS('local'|'global', name): 1 open with rows, 0 open and
    // empty, -1 closed, -3 no such cursor.
    int status(const std::string& scope, const std::string& name) const;

    // A batch (or EXEC of a string) begins with no LOCAL cursors; the
    // caller's come back when it ends.
    Scope beginBatch();
    void endBatch(Scope caller);

private:
    Scope m_global;
    Scope m_local;
};

// Moves the cursor as FETCH does; the row's index when there is one there.
// `offset` is ABSOLUTE's or RELATIVE's n. Throws 16911 for a move other than
// NEXT on a cursor that cannot scroll.
std::optional<std::size_t> moveCursor(SessionCursor& cursor, FetchCursor::Direction direction,
                                      long long offset);

} // namespace testserver
