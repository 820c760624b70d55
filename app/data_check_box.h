#pragma once

#include "script/data_check.h"

class QWidget;

namespace dbc {

// What the user chose in the data check question.
struct DataCheckChoice {
    bool goOn = false;           // 继续执行; false: nothing runs
    bool allOrNothing = false;   // 全部或全不: the script in one transaction
    bool fillNewColumns = false; // 填充新增的非空列
};

// Asks, before "执 行" runs anything, about the statements the data check
// found (dataCheckQuestionText), with the two choices as check boxes, both
// off at first; 取消 is the default and the escape button.
DataCheckChoice askDataCheck(QWidget* parent, const DataCheckResult& check);

} // namespace dbc
