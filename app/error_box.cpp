#include "app/error_box.h"

#include <QApplication>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

#include <exception>

namespace dbc {

QString withFullStop(const QString& message) {
    if (message.isEmpty())
        return message;
    // The last code point, with a surrogate pair taken as one character.
    char32_t last = message.back().unicode();
    const qsizetype size = message.size();
    if (size >= 2 && message.at(size - 1).isLowSurrogate() &&
        message.at(size - 2).isHighSurrogate())
        last = QChar::surrogateToUcs4(message.at(size - 2), message.at(size - 1));
    // Chinese text ends with the full-width full stop; full-width marks end
    // a sentence already.
    if ((last >= 0x3000 && last <= 0x303F) || (last >= 0xFF00 && last <= 0xFF65))
        return message;
    if ((last >= 0x3400 && last <= 0x9FFF) || (last >= 0xF900 && last <= 0xFAFF) || last == 0x201D)
        return message + QChar(0x3002);
    if (last > U'.')
        return message + QLatin1Char('.');
    return message;
}

void prepareMessageBox(QMessageBox& box) {
    box.setWindowTitle(QApplication::applicationDisplayName());
    // QMessageBox sizes itself to its text and ignores a minimum width set on
    // the box; an empty row across its layout holds it open instead.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(
            new QSpacerItem(messageBoxMinimumWidth, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
            grid->rowCount(), 0, 1, grid->columnCount());
    }
}

void showInformation(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QString(), text, QMessageBox::Ok, parent);
    prepareMessageBox(box);
    box.exec();
}

void showError(QWidget* parent, const QString& message) {
    QMessageBox box(QMessageBox::Critical, QString(), withFullStop(message), QMessageBox::Ok,
                    parent);
    prepareMessageBox(box);
    box.setObjectName(QStringLiteral("ErrorBox"));
    box.setWindowModality(Qt::ApplicationModal);
    // Shown as plain text: driver and server messages may contain "<".
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool runHandler(QWidget* parent, const std::function<void()>& body) {
    try {
        body();
        return true;
    } catch (const std::exception& error) {
        showError(parent, QString::fromUtf8(error.what()));
        return false;
    }
}

} // namespace dbc
