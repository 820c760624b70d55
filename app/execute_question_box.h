#pragma once

#include "app/window_messages.h"

class QWidget;

namespace dbc {

// What the user chose in the question before "执 行".
struct ExecuteAnswer {
    bool execute = false; // 执行比对语句; false: nothing runs
    // 删除多余对象 as the user left it. When it differs from the question's
    // dropsExtra the shown script is not the one chosen: the window compares
    // again and asks again before anything runs.
    bool dropExtra = false;
};

// Asks executeQuestionText(question) with the choice 删除多余对象 under the
// text, ticked when the shown script drops the target's surplus objects;
// 取消 is the default and the escape button.
ExecuteAnswer askExecute(QWidget* parent, const ExecuteQuestion& question);

} // namespace dbc
