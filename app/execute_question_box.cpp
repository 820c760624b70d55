#include "app/execute_question_box.h"

#include "app/box_choices.h"
#include "app/error_box.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

namespace dbc {

ExecuteAnswer askExecute(QWidget* parent, const ExecuteQuestion& question) {
    QMessageBox box(QMessageBox::Question, QString(), executeQuestionText(question),
                    QMessageBox::NoButton, parent);
    const ChoiceQuestion parts = prepareChoiceQuestion(box, QStringLiteral("ExecuteQuestionBox"),
                                                       QStringLiteral("执行比对语句"));
    auto* dropExtra = new QCheckBox(dropExtraChoiceText(), parts.choices);
    dropExtra->setObjectName(QStringLiteral("DropExtraChoice"));
    dropExtra->setChecked(question.dropsExtra);
    dropExtra->setToolTip(QStringLiteral("删除目标数据库中有而源数据中没有的表、视图、存储过程、"
                                         "触发器和函数。改变这一选择后，先重新比对并显示新的脚本，"
                                         "再次询问后才执行。"));
    parts.column->addWidget(dropExtra);
    placeChoicesAboveButtons(box, parts.choices);
    prepareMessageBox(box);
    box.exec();
    return {box.clickedButton() == parts.goOn, dropExtra->isChecked()};
}

} // namespace dbc
