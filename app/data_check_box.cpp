#include "app/data_check_box.h"

#include "app/box_choices.h"
#include "app/error_box.h"
#include "app/window_messages.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

namespace dbc {

DataCheckChoice askDataCheck(QWidget* parent, const DataCheckResult& check) {
    QMessageBox box(QMessageBox::Warning, QString(), dataCheckQuestionText(check),
                    QMessageBox::NoButton, parent);
    // The two choices stand one above the other under the text, above the
    // buttons.
    const ChoiceQuestion parts = prepareChoiceQuestion(box, QStringLiteral("DataCheckQuestionBox"),
                                                       QStringLiteral("继续执行"));
    auto* allOrNothing = new QCheckBox(allOrNothingChoiceText(), parts.choices);
    allOrNothing->setObjectName(QStringLiteral("AllOrNothingChoice"));
    allOrNothing->setToolTip(
        QStringLiteral("在一个事务中执行全部语句：有语句被拒绝时全部回滚，数据库保持原样。"));
    auto* fill = new QCheckBox(fillNewColumnsChoiceText(), parts.choices);
    fill->setObjectName(QStringLiteral("FillNewColumnsChoice"));
    fill->setToolTip(QStringLiteral("新增的非空列没有默认值时，先以其类型的空值（0、空串、"
                                    "1900-01-01）作临时默认值，加列后即删除。"));
    parts.column->addWidget(allOrNothing);
    parts.column->addWidget(fill);
    placeChoicesAboveButtons(box, parts.choices);
    prepareMessageBox(box);
    box.exec();
    DataCheckChoice choice;
    choice.goOn = box.clickedButton() == parts.goOn;
    choice.allOrNothing = allOrNothing->isChecked();
    choice.fillNewColumns = fill->isChecked();
    return choice;
}

} // namespace dbc
