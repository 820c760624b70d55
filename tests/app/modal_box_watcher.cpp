#include "tests/app/modal_box_watcher.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>

#include <utility>

namespace dbc::test {

namespace {
QList<ModalBoxWatcher*>& watchers() {
    static QList<ModalBoxWatcher*> alive;
    return alive;
}
} // namespace

ModalBoxWatcher::ModalBoxWatcher(QString answer)
    : ModalBoxWatcher(answer.isEmpty() ? QStringList{} : QStringList{std::move(answer)}) {}

ModalBoxWatcher::ModalBoxWatcher(QStringList answers) : m_answers(std::move(answers)) {
    watchers().append(this);
    m_timer.setInterval(10);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
    m_timer.start();
}

ModalBoxWatcher::~ModalBoxWatcher() {
    watchers().removeOne(this);
}

void ModalBoxWatcher::poll() {
    if (watchers().isEmpty() || watchers().last() != this)
        return;
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
        for (QCheckBox* check : box->findChildren<QCheckBox*>())
            if (m_ticks.contains(check->text()))
                check->setChecked(true);
        for (QAbstractButton* button : box->buttons()) {
            if (m_answers.contains(button->text())) {
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
