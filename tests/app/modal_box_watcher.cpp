#include "tests/app/modal_box_watcher.h"

#include <QAbstractButton>
#include <QApplication>

#include <utility>

namespace dbc::test {

ModalBoxWatcher::ModalBoxWatcher(QString answer) : m_answer(std::move(answer)) {
    m_timer.setInterval(10);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
    m_timer.start();
}

void ModalBoxWatcher::poll() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (box == nullptr || !box->isVisible())
            continue;
        m_seen = true;
        ++m_count;
        m_title = box->windowTitle();
        m_text = box->text();
        m_icon = box->icon();
        m_okOnly = box->standardButtons() == QMessageBox::Ok;
        m_modal = box->isModal();
        m_width = box->width();
        m_texts.append(m_text);
        for (QAbstractButton* button : box->buttons()) {
            if (!m_answer.isEmpty() && button->text() == m_answer) {
                button->click();
                return;
            }
        }
        box->button(QMessageBox::Ok) != nullptr ? box->button(QMessageBox::Ok)->click()
                                                : box->reject();
        return;
    }
}

} // namespace dbc::test
