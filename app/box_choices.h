#pragma once

class QMessageBox;
class QWidget;

namespace dbc {

// Puts `choices` (check boxes in a widget of their own) in a message box's
// grid right under its text and above its buttons, across the box's width.
void placeChoicesAboveButtons(QMessageBox& box, QWidget* choices);

} // namespace dbc
