#include "app/box_choices.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

namespace dbc {

ChoiceQuestion prepareChoiceQuestion(QMessageBox& box, const QString& objectName,
                                     const QString& goOnCaption) {
    box.setObjectName(objectName);
    box.setTextFormat(Qt::PlainText);
    ChoiceQuestion question;
    question.goOn = box.addButton(goOnCaption, QMessageBox::AcceptRole);
    question.cancel = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
    box.setDefaultButton(question.cancel);
    box.setEscapeButton(question.cancel);
    question.choices = new QWidget(&box);
    question.column = new QVBoxLayout(question.choices);
    question.column->setContentsMargins(0, 0, 0, 0);
    return question;
}

void placeChoicesAboveButtons(QMessageBox& box, QWidget* choices) {
    // QMessageBox keeps its buttons in its grid's last row: the choices take
    // that row and the buttons move below them.
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    auto* buttons = box.findChild<QDialogButtonBox*>();
    const int at = grid && buttons ? grid->indexOf(buttons) : -1;
    if (at >= 0) {
        int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
        grid->getItemPosition(at, &row, &column, &rowSpan, &columnSpan);
        grid->removeWidget(buttons);
        grid->addWidget(choices, row, column, 1, columnSpan);
        grid->addWidget(buttons, row + 1, column, rowSpan, columnSpan);
    } else if (grid) {
        grid->addWidget(choices, grid->rowCount(), 0, 1, grid->columnCount());
    }
}

} // namespace dbc
