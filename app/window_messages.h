#pragma once

#include "data/sql_server_connection.h"
#include "script/data_check.h"
#include "script/executor.h"
#include "snapshot/capture.h"
#include "snapshot/snapshot_info.h"
#include "snapshot/snapshot_store.h"

#include <QString>
#include <QStringList>

#include <exception>
#include <filesystem>
#include <vector>

class QWidget;

namespace dbc {

// The window's own messages, in Chinese, in one place and one punctuation
// style: full-width marks (，：；。！？“”（）) after Chinese text. Texts that
// come from the server, the driver or the store are passed on as they are,
// after a Chinese lead naming what failed.

// A failed connection: the server and port tried, then the driver's or
// server's message.
QString connectionFailedMessage(const ConnectionProperties& properties,
                                const std::exception& error);

// The snapshot store file at `path` could not be opened, read or replaced:
// the store's message, then what the user can do about it.
QString storeFailedMessage(const std::filesystem::path& path, const std::exception& error);

// "执行一条" with no text the user typed or edited in the text box (empty,
// the help text, a script or report the program put there).
QString nothingTypedMessage();

// Why "执 行" has nothing to run.
QString nothingComparedMessage();     // no successful compare yet
QString nothingDiffersToRunMessage(); // the last compare found no difference
QString alreadyExecutedMessage();     // the compare's statements have run
QString outdatedByCaptureMessage();   // a capture since the compare

// "比 对" over a store that holds no completed capture.
QString noSnapshotYetMessage();

// "比 对" found no difference in `database`.
QString nothingDiffersMessage(const QString& database);

// A finished capture: what was read from where, with the store's counts (in
// capture order) and the objects whose text the server would not give.
QString captureDoneMessage(const ConnectionProperties& source,
                           const std::vector<StoreTableCount>& counts,
                           const CaptureSummary& summary);

// The objects whose text the server would not give, one a line; empty when
// there are none.
QString objectsWithoutTextMessage(const CaptureSummary& summary);

// A capture or compare the user stopped.
QString captureStoppedMessage();
QString compareStoppedMessage();

// The box after "执 行": done with the counts of statements run and refused,
// or where a lost connection or the user's stop ended the run.
QString executeDoneMessage(const ExecutionReport& report);

// The box after "执行一条" ran its text.
QString executeOneDoneText();

// The target refused the script's "use" statement: nothing was run.
QString useRefusedMessage(const QString& database, const std::exception& error);

// "保存脚本...": saved, refused (the store's own files), failed.
QString scriptSavedMessage(const QString& path);
QString saveOntoStoreRefusedMessage(const QString& path);
QString saveFailedMessage(const QString& path, const QString& reason);
QString reportSavedMessage(const QString& path);
QString saveReportOntoStoreRefusedMessage(const QString& path);
QString saveReportFailedMessage(const QString& path, const QString& reason);

// Where the shown snapshot came from, for the line beside the grid; empty
// when the store does not say (a store of an earlier version, or none).
QString snapshotSourceText(const CaptureState& state);

// What "执 行" is about to do, asked before it runs: the server and database
// the shown script was compared against and the number of statements;
// `boxes` when the server or database boxes now name something else;
// `edited` when the text box no longer shows the compare's script;
// `dropsExtra` when the script was compared with the drops of the target's
// surplus objects. Asked by askExecute (execute_question_box.h).
struct ExecuteQuestion {
    ConnectionProperties target;
    std::size_t statementCount = 0;
    ConnectionProperties boxes;
    bool edited = false;
    bool dropsExtra = false;
};
QString executeQuestionText(const ExecuteQuestion& question);

// The data check's findings before "执 行" runs anything: each statement
// with what its rows are and how many, then what going on does. Asked by
// askDataCheck (data_check_box.h).
QString dataCheckQuestionText(const DataCheckResult& check);

// The captions of the data check question's choices.
QString allOrNothingChoiceText();   // 全部或全不
QString fillNewColumnsChoiceText(); // 填充新增的非空列
// The caption of the execute question's choice: 删除多余对象.
QString dropExtraChoiceText();

// Asks whether to stop the running work; `closing` when the request came
// from closing the window. True when the user chose to stop.
bool confirmStop(QWidget* parent, bool closing);

// Every message above with sample values, for the check of their style.
QStringList windowMessageSamples();

// Whether `text` keeps the window's punctuation style: no ASCII mark
// (,.:;!?) right after a Chinese character or a full-width mark ("..." of a
// menu caption aside).
bool keepsPunctuationStyle(const QString& text);

} // namespace dbc
