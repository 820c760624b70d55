#pragma once

#include <QMessageBox>
#include <QString>
#include <QTimer>

namespace dbc::test {

// Watches for a modal message box while a test runs something that opens
// one, records what it shows and presses its OK button, so that the code
// under test goes on.
class ModalBoxWatcher {
public:
    ModalBoxWatcher();

    bool seen() const noexcept { return m_seen; }
    int count() const noexcept { return m_count; }
    const QString& title() const noexcept { return m_title; }
    const QString& text() const noexcept { return m_text; }
    QMessageBox::Icon icon() const noexcept { return m_icon; }
    bool okOnly() const noexcept { return m_okOnly; }
    bool modal() const noexcept { return m_modal; }

private:
    void poll();

    QTimer m_timer;
    bool m_seen = false;
    int m_count = 0;
    QString m_title;
    QString m_text;
    QMessageBox::Icon m_icon = QMessageBox::NoIcon;
    bool m_okOnly = false;
    bool m_modal = false;
};

} // namespace dbc::test
