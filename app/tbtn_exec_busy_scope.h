#pragma once

// Scopes the window's handlers use while they run: each sets a hook or a
// pointer for its lifetime and clears it however the handler ends.

#include "app/busy_window.h"
#include "app/window_progress.h"

#include <functional>

namespace dbc {

// Keeps the window repainted between the calls on ConSql.
class RepaintBetweenCalls {
public:
    RepaintBetweenCalls(std::function<void()>& slot, WindowProgress& progress) : m_slot(slot) {
        m_slot = [&progress] { progress.keepWindowAlive(); };
    }
    ~RepaintBetweenCalls() { m_slot = nullptr; }
    RepaintBetweenCalls(const RepaintBetweenCalls&) = delete;
    RepaintBetweenCalls& operator=(const RepaintBetweenCalls&) = delete;

private:
    std::function<void()>& m_slot;
};

// Lets a stop the user asked for end the work before its next call on
// ConSql (a compare has no stopping points of its own).
class StopBetweenCalls {
public:
    StopBetweenCalls(std::function<bool()>& slot, BusyWindow& busy) : m_slot(slot) {
        m_slot = [&busy] { return busy.stopRequested(); };
    }
    ~StopBetweenCalls() { m_slot = nullptr; }
    StopBetweenCalls(const StopBetweenCalls&) = delete;
    StopBetweenCalls& operator=(const StopBetweenCalls&) = delete;

private:
    std::function<bool()>& m_slot;
};

// Names the running handler's busy state in the window.
class BusyScope {
public:
    BusyScope(BusyWindow*& slot, BusyWindow& busy) : m_slot(slot) { m_slot = &busy; }
    ~BusyScope() { m_slot = nullptr; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    BusyWindow*& m_slot;
};

} // namespace dbc
