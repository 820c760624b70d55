#pragma once

#include "script/change.h"

#include <string>
#include <vector>

namespace dbc {

// The generated script's two faces: the statement list (what "执 行" runs) and
// the display text (the lines the user reads, with "Go" separator lines).
// A statement with line breaks is one list item and several display lines.
class ScriptBuffer {
public:
    static constexpr const char* separator = "Go";

    void clearStatements() {
        m_statements.clear();
        m_changes.clear();
        m_notes.clear();
    }
    void clearDisplay() {
        m_displayLines.clear();
        m_afterModuleText = false;
    }

    // Appends `text` to the display text (as one or more lines) and as one
    // item to the statement list.
    void addStatement(const std::string& text);

    // Appends the line "Go" to the display text only.
    void addSeparator();

    // Appends a change: its "Go" line when it has one, or when it follows a
    // procedure's, view's or trigger's text (whose body would otherwise take
    // it in when the text is run in a query tool), then its statement. A
    // comment-only change (a difference the script cannot make) goes to the
    // display text alone: it is never a statement to run. The change is kept
    // (changes()) for reports of the compare.
    void add(const Change& change);

    // Replaces the display text, e.g. with what the user has in the text box.
    void setDisplayText(const std::string& text);

    const std::vector<std::string>& statements() const noexcept { return m_statements; }
    const std::vector<std::string>& displayLines() const noexcept { return m_displayLines; }
    // The changes added since the statement list was last cleared.
    const ChangeList& changes() const noexcept { return m_changes; }

    // A comment line of a difference the script cannot make, and the number
    // of statements before it: where it stands among them.
    struct Note {
        std::size_t afterStatements = 0;
        std::string text;
    };
    const std::vector<Note>& notes() const noexcept { return m_notes; }

    // The display lines joined by "\n", without a line end after the last.
    std::string displayText() const;

private:
    std::vector<std::string> m_statements;
    std::vector<std::string> m_displayLines;
    bool m_afterModuleText = false;
    ChangeList m_changes;
    std::vector<Note> m_notes;
};

// Splits text at "\r\n", "\n" and "\r" into lines, as a text box shows them.
// A line end at the very end does not start a further line.
std::vector<std::string> splitLines(const std::string& text);

} // namespace dbc
