#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QTimer>

namespace dbc::test {

// Watches for a modal message box while a test runs something that opens
// one, records what it shows and presses the button whose text is one of
// `answers` (else its OK button, else the box's escape button), so that the
// code under test goes on. Of several watchers alive at once only the one
// made last acts, so a test's own watcher takes over from its fixture's.
class ModalBoxWatcher {
public:
    explicit ModalBoxWatcher(QString answer = {});
    explicit ModalBoxWatcher(QStringList answers);
    ~ModalBoxWatcher();
    ModalBoxWatcher(const ModalBoxWatcher&) = delete;
    ModalBoxWatcher& operator=(const ModalBoxWatcher&) = delete;

    // Ticks the box's check boxes captioned with one of `captions` before
    // pressing its button.
    void tick(QStringList captions) { m_ticks = std::move(captions); }

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

    QStringList m_answers;
    QStringList m_ticks;
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
