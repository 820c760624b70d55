#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QTimer>

namespace dbc::test {

// Watches for a modal message box while a test runs something that opens
// one, records what it shows and presses its OK button (or the button whose
// text is `answer`, else the box's escape button), so that the code under
// test goes on.
class ModalBoxWatcher {
public:
    explicit ModalBoxWatcher(QString answer = {});

    bool seen() const noexcept { return m_seen; }
    int count() const noexcept { return m_count; }
    const QString& title() const noexcept { return m_title; }
    const QString& text() const noexcept { return m_text; }
    QMessageBox::Icon icon() const noexcept { return m_icon; }
    bool okOnly() const noexcept { return m_okOnly; }
    bool modal() const noexcept { return m_modal; }
    int width() const noexcept { return m_width; }
    // The texts of every box seen, in order.
    const QStringList& texts() const noexcept { return m_texts; }

private:
    void poll();

    QString m_answer;
    QTimer m_timer;
    QStringList m_texts;
    int m_width = 0;
    bool m_seen = false;
    int m_count = 0;
    QString m_title;
    QString m_text;
    QMessageBox::Icon m_icon = QMessageBox::NoIcon;
    bool m_okOnly = false;
    bool m_modal = false;
};

} // namespace dbc::test
