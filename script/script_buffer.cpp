#include "script/script_buffer.h"

#include "script/statement_text.h"

namespace dbc {

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string current;
    bool pendingLine = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(std::move(current));
            current.clear();
            pendingLine = false;
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            current.push_back(c);
            pendingLine = true;
        }
    }
    if (pendingLine || lines.empty())
        lines.push_back(std::move(current));
    return lines;
}

void ScriptBuffer::addStatement(const std::string& text) {
    m_afterModuleText = false;
    for (auto& line : splitLines(text))
        m_displayLines.push_back(std::move(line));
    m_statements.push_back(text);
}

void ScriptBuffer::addSeparator() {
    m_afterModuleText = false;
    m_displayLines.emplace_back(separator);
}

void ScriptBuffer::setDisplayText(const std::string& text) {
    m_afterModuleText = false;
    m_displayLines.clear();
    if (!text.empty())
        m_displayLines = splitLines(text);
}

void ScriptBuffer::add(const Change& change) {
    if (change.goBefore || m_afterModuleText)
        addSeparator();
    m_changes.push_back(change);
    if (isCommentOnly(change)) {
        const std::string text = statementText(change);
        for (auto& line : splitLines(text))
            m_displayLines.push_back(std::move(line));
        m_notes.push_back({m_statements.size(), text});
        return;
    }
    addStatement(statementText(change));
    m_afterModuleText = std::holds_alternative<CreateModule>(change.record);
}

std::string ScriptBuffer::displayText() const {
    std::string text;
    for (std::size_t i = 0; i < m_displayLines.size(); ++i) {
        if (i > 0)
            text += '\n';
        text += m_displayLines[i];
    }
    return text;
}

} // namespace dbc
