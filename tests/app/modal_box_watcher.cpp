#include "modal_box_watcher.h"

#include <QAbstractButton>
#include <QApplication>

namespace dbc::test {

ModalBoxWatcher::ModalBoxWatcher() {
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
        box->button(QMessageBox::Ok) != nullptr ? box->button(QMessageBox::Ok)->click()
                                                : box->reject();
        return;
    }
}

} // namespace dbc::test
