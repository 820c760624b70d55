#pragma once

#include <QString>

class QMessageBox;
class QPushButton;
class QVBoxLayout;
class QWidget;

namespace dbc {

// A question with check boxes: its go-on button, its cancel button (the
// default, and what Esc gives) and the column its choices go in.
struct ChoiceQuestion {
    QPushButton* goOn = nullptr;
    QPushButton* cancel = nullptr;
    QWidget* choices = nullptr;
    QVBoxLayout* column = nullptr;
};

// Gives `box` its object name, plain text, a go-on button captioned
// `goOnCaption`, 取消, and an empty column for its choices.
ChoiceQuestion prepareChoiceQuestion(QMessageBox& box, const QString& objectName,
                                     const QString& goOnCaption);

// Puts `choices` (check boxes in a widget of their own) in a message box's
// grid right under its text and above its buttons, across the box's width.
void placeChoicesAboveButtons(QMessageBox& box, QWidget* choices);

} // namespace dbc
