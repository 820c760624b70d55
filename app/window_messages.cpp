#include "app/window_messages.h"

#include "app/error_box.h"

#include <QDir>
#include <QMessageBox>
#include <QPushButton>

namespace dbc {

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

QString nativePath(const std::filesystem::path& path) {
    return QDir::toNativeSeparators(QString::fromStdString(path.string()));
}

std::size_t rowsOf(const std::vector<StoreTableCount>& counts, std::size_t i, bool distinct) {
    if (i >= counts.size())
        return 0;
    return distinct ? counts[i].distinctNames : counts[i].rows;
}

// Statements that ran without a refusal: those before the stop or the lost
// connection, less the refused ones.
std::size_t statementsRun(const ExecutionReport& report) {
    std::size_t reached = report.statementCount;
    if (report.stoppedBefore != 0)
        reached = report.stoppedBefore - 1;
    else if (report.connectionLostAt != 0)
        reached = report.connectionLostAt;
    return reached >= report.failures.size() ? reached - report.failures.size() : 0;
}

std::size_t statementsRefused(const ExecutionReport& report) {
    // The statement during which the connection was lost is not a refusal.
    const std::size_t lost = report.connectionLostAt != 0 ? 1 : 0;
    return report.failures.size() >= lost ? report.failures.size() - lost : 0;
}

bool isChinese(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 0x3000 && u <= 0x9FFF) || (u >= 0xF900 && u <= 0xFAFF) ||
           (u >= 0xFF00 && u <= 0xFFEF) || u == 0x201C || u == 0x201D;
}

} // namespace

QString connectionFailedMessage(const ConnectionProperties& properties,
                                const std::exception& error) {
    return QStringLiteral("无法连接到服务器 %1：%2")
        .arg(qs(serverAddress(properties.server)), QString::fromUtf8(error.what()));
}

QString storeFailedMessage(const std::filesystem::path& path, const std::exception& error) {
    return QStringLiteral("无法使用源数据文件 %1：%2\n\n"
                          "本工具没有改动这个文件。请把它移到别处或改名，"
                          "再按“读源数据”重新读取源数据库；"
                          "如果它正被其他程序使用，请先关闭那个程序。")
        .arg(nativePath(path), QString::fromUtf8(error.what()));
}

QString nothingTypedMessage() {
    return QStringLiteral("文本框中没有您输入的语句：请先在右侧的文本框中输入或修改一条语句，"
                          "再按“执行一条”。帮助文字和程序显示的脚本不会被执行。");
}

QString nothingComparedMessage() {
    return QStringLiteral("没有可执行的语句：请先按“比 对”，比对产生语句后再按“执 行”。");
}

QString nothingDiffersToRunMessage() {
    return QStringLiteral("上次比对没有发现差异，没有需要执行的语句。");
}

QString alreadyExecutedMessage() {
    return QStringLiteral("上次比对产生的语句已经执行过了：要再执行，请先重新按“比 对”。");
}

QString outdatedByCaptureMessage() {
    return QStringLiteral("比对之后又读取了源数据，上次比对产生的语句不再执行："
                          "请重新按“比 对”。");
}

QString noSnapshotYetMessage() {
    return QStringLiteral("还没有源数据：请先填好源数据库的服务器名、数据库名、用户名和密码，"
                          "按“读源数据”，然后再比对。");
}

QString nothingDiffersMessage(const QString& database) {
    return QStringLiteral("目标数据库 %1 与源数据一致，没有差异，不需要执行任何语句。")
        .arg(database);
}

QString captureDoneMessage(const ConnectionProperties& source,
                           const std::vector<StoreTableCount>& counts,
                           const CaptureSummary& summary) {
    QString text = QStringLiteral("已读取服务器 %1 上的数据库 %2：")
                       .arg(qs(source.server), qs(source.database));
    text += QStringLiteral("%1 个表，%2 个字段，%3 个索引，%4 个存储过程，%5 个视图，"
                           "%6 个触发器，%7 个默认值。")
                .arg(rowsOf(counts, 0, true))
                .arg(rowsOf(counts, 0, false))
                .arg(rowsOf(counts, 1, true))
                .arg(rowsOf(counts, 2, true))
                .arg(rowsOf(counts, 3, true))
                .arg(rowsOf(counts, 4, true))
                .arg(rowsOf(counts, 5, false));
    const QString unreadable = objectsWithoutTextMessage(summary);
    if (!unreadable.isEmpty())
        text += QStringLiteral("\n\n") + unreadable;
    return text;
}

QString objectsWithoutTextMessage(const CaptureSummary& summary) {
    if (summary.objectsWithoutText.empty())
        return {};
    QString message =
        QStringLiteral("以下对象的文本无法读取（可能已加密），未存入源数据，不参与比对：");
    for (const auto& name : summary.objectsWithoutText)
        message += QLatin1Char('\n') + qs(name);
    return message;
}

QString captureStoppedMessage() {
    return QStringLiteral("已停止读取源数据：源数据文件保持原样。");
}

QString compareStoppedMessage() {
    return QStringLiteral("已停止比对：没有产生语句，目标数据库没有改动。");
}

QString executeDoneMessage(const ExecutionReport& report) {
    const QString counts = QStringLiteral("已执行 %1 条，被拒绝 %2 条。")
                               .arg(statementsRun(report))
                               .arg(statementsRefused(report));
    if (report.rolledBack && report.connectionLostAt == 0)
        return QStringLiteral("全部或全不：共 %1 条语句，%2全部语句已回滚，数据库没有任何改变。")
            .arg(report.statementCount)
            .arg(report.stoppedBefore != 0
                     ? QStringLiteral("从第 %1 条起已按要求停止，").arg(report.stoppedBefore)
                     : QStringLiteral("有语句被拒绝，"));
    if (report.stoppedBefore != 0)
        return QStringLiteral("已停止执行：共 %1 条语句，从第 %2 条起没有执行；")
                   .arg(report.statementCount)
                   .arg(report.stoppedBefore) +
               counts;
    if (report.connectionLostAt != 0)
        return QStringLiteral("与服务器的连接已断开：共 %1 条语句，执行第 %2 条时断开，"
                              "它是否生效无法确定，其后的语句没有执行；")
                   .arg(report.statementCount)
                   .arg(report.connectionLostAt) +
               counts;
    return QStringLiteral("执行完毕！共 %1 条语句：").arg(report.statementCount) + counts;
}

QString executeOneDoneText() {
    return QStringLiteral("执行完毕！");
}

QString useRefusedMessage(const QString& database, const std::exception& error) {
    return QStringLiteral("目标服务器拒绝使用数据库 %1：%2\n\n没有执行任何语句。")
        .arg(database, QString::fromUtf8(error.what()));
}

QString scriptSavedMessage(const QString& path) {
    return QStringLiteral("脚本已保存到 %1。").arg(path);
}

QString saveOntoStoreRefusedMessage(const QString& path) {
    return QStringLiteral("%1 是源数据文件或它的附属文件，不能用来保存脚本：请另选文件名。")
        .arg(path);
}

QString saveFailedMessage(const QString& path, const QString& reason) {
    return QStringLiteral("无法保存脚本到 %1：%2").arg(path, reason);
}

QString reportSavedMessage(const QString& path) {
    return QStringLiteral("差异报告已保存到 %1。").arg(path);
}

QString saveReportOntoStoreRefusedMessage(const QString& path) {
    return QStringLiteral("%1 是源数据文件或它的附属文件，不能用来保存差异报告：请另选文件名。")
        .arg(path);
}

QString saveReportFailedMessage(const QString& path, const QString& reason) {
    return QStringLiteral("无法保存差异报告到 %1：%2").arg(path, reason);
}

QString snapshotSourceText(const CaptureState& state) {
    if (!state.described)
        return {};
    return QStringLiteral("来自 %1 上的 %2，读于 %3（UTC）")
        .arg(qs(state.info.server), qs(state.info.database), qs(state.info.capturedAt));
}

QString executeQuestionText(const ExecuteQuestion& question) {
    const QString server = qs(question.target.server);
    const QString database = qs(question.target.database);
    QString text = QStringLiteral("将在服务器 %1 的数据库 %2 上执行上次比对产生的 %3 条语句。")
                       .arg(server, database)
                       .arg(question.statementCount);
    if (question.boxes.server != question.target.server ||
        question.boxes.database != question.target.database)
        text += QStringLiteral("\n\n注意：服务器名和数据库名框中现在是 %1 和 %2，"
                               "与比对时不同；语句仍只在比对时的 %3 和 %4 上执行。"
                               "要在现在填写的数据库上执行，请先重新按“比 对”。")
                    .arg(qs(question.boxes.server), qs(question.boxes.database), server, database);
    if (question.dropsExtra)
        text += QStringLiteral("\n\n脚本包含删除多余对象的语句：目标数据库中有而源数据中没有的"
                               "表、视图、存储过程、触发器和函数将被删除，表中的行随之丢失。");
    if (question.edited)
        text += QStringLiteral("\n\n文本框中的内容已不是上次比对产生的语句：“执 行”执行的是"
                               "上次比对产生的全部语句，不是修改后的文字；"
                               "要执行输入的语句，请用“执行一条”。");
    return text + QStringLiteral("\n\n要执行吗？");
}

namespace {

QString concernWords(RowConcern concern) {
    switch (concern) {
    case RowConcern::DroppedValues:
        return QStringLiteral("删除列，其中的非空值将丢失");
    case RowConcern::CutValues:
        return QStringLiteral("长度变短，超长的值将被截断");
    case RowConcern::RoundedValues:
        return QStringLiteral("数值将被舍入，或超出新类型的范围");
    case RowConcern::NullsUnderNotNull:
        return QStringLiteral("列中有空值（NULL），改为非空的语句将被拒绝");
    case RowConcern::NewColumnNoValue:
        return QStringLiteral("新增的非空列没有默认值，已有的行没有值，语句将被拒绝");
    case RowConcern::DuplicateKeys:
        return QStringLiteral("键值重复，唯一索引或键将被拒绝");
    case RowConcern::MissingReferences:
        return QStringLiteral("引用的行不存在，外键将被拒绝");
    case RowConcern::CheckFails:
        return QStringLiteral("不符合检查约束，语句将被拒绝");
    case RowConcern::TableRowsDropped:
        return QStringLiteral("删除多余的表，其中的行将丢失");
    case RowConcern::TableRebuilt:
        return QStringLiteral("重建表，行将复制到新表，值按新的列类型转换");
    case RowConcern::UnconvertibleValues:
        return QStringLiteral("值不能转换为新的类型，语句将被拒绝");
    }
    return {};
}

} // namespace

QString dataCheckQuestionText(const DataCheckResult& check) {
    QString text = QStringLiteral("执行前的数据检查发现，以下语句涉及表中已有的数据：\n");
    for (const DataCheckFinding& finding : check.findings) {
        const QString count = finding.rows
                                  ? QStringLiteral("%1 行").arg(*finding.rows)
                                  : QStringLiteral("无法计数（%1）").arg(qs(finding.error));
        text += QStringLiteral("\n%1：%2\n    %3")
                    .arg(concernWords(finding.concern), count, qs(finding.statement));
    }
    text += QStringLiteral("\n\n继续执行：这些值将被改变或丢失，超出新长度的值先截到新长度，"
                           "超出新类型范围的数值先改为新类型的最大值（或最小值）；"
                           "违反唯一键、外键或检查约束的行不会被修改，那些语句将被拒绝。"
                           "\n取消：什么也不执行。");
    return text;
}

QString allOrNothingChoiceText() {
    return QStringLiteral("全部或全不");
}

QString fillNewColumnsChoiceText() {
    return QStringLiteral("填充新增的非空列");
}

QString dropExtraChoiceText() {
    return QStringLiteral("删除多余对象");
}

bool confirmStop(QWidget* parent, bool closing) {
    QMessageBox box(QMessageBox::Question, QString(),
                    closing
                        ? QStringLiteral("工作还没有完成：要停止它并关闭本工具吗？\n\n"
                                         "读取源数据时停止，源数据文件保持原样；"
                                         "执行时停止，正在执行的语句完成后，其后的语句不再执行。")
                        : QStringLiteral("要停止正在进行的工作吗？\n\n"
                                         "读取源数据时停止，源数据文件保持原样；"
                                         "执行时停止，正在执行的语句完成后，其后的语句不再执行。"),
                    QMessageBox::NoButton, parent);
    box.setObjectName(QStringLiteral("StopQuestionBox"));
    QPushButton* stop = box.addButton(QStringLiteral("停止"), QMessageBox::AcceptRole);
    QPushButton* goOn = box.addButton(QStringLiteral("继续"), QMessageBox::RejectRole);
    box.setDefaultButton(goOn);
    box.setEscapeButton(goOn);
    prepareMessageBox(box);
    box.exec();
    return box.clickedButton() == stop;
}

namespace {

// Findings of every concern, one of them not counted.
DataCheckResult sampleDataCheck() {
    DataCheckResult check;
    for (RowConcern concern :
         {RowConcern::DroppedValues, RowConcern::CutValues, RowConcern::RoundedValues,
          RowConcern::NullsUnderNotNull, RowConcern::NewColumnNoValue, RowConcern::DuplicateKeys,
          RowConcern::MissingReferences, RowConcern::CheckFails, RowConcern::TableRowsDropped,
          RowConcern::TableRebuilt, RowConcern::UnconvertibleValues})
        check.findings.push_back({0,
                                  "Alter Table Emp Drop Column Old ",
                                  riskOf(concern),
                                  concern,
                                  concernText(concern),
                                  2,
                                  {}});
    check.findings.back().rows.reset();
    check.findings.back().error = "Invalid column name 'x'.";
    return check;
}

} // namespace

QStringList windowMessageSamples() {
    const ConnectionProperties target{"server", "db", "sa", ""};
    const ConnectionProperties other{"other", "db2", "sa", ""};
    const std::runtime_error failure("message");
    CaptureSummary summary;
    summary.objectsWithoutText = {"p_secret"};
    ExecutionReport done;
    done.statementCount = 3;
    done.failures = {{"x", "refused"}};
    ExecutionReport lost = done;
    lost.connectionLostAt = 2;
    ExecutionReport stopped = done;
    stopped.stoppedBefore = 3;
    ExecutionReport rolledBack = done;
    rolledBack.rolledBack = true;
    CaptureState state;
    state.described = true;
    state.info = {"db", "server", "2026-01-01 00:00:00"};
    return {connectionFailedMessage(target, failure),
            storeFailedMessage("Source.mdb", failure),
            nothingTypedMessage(),
            nothingComparedMessage(),
            nothingDiffersToRunMessage(),
            alreadyExecutedMessage(),
            outdatedByCaptureMessage(),
            noSnapshotYetMessage(),
            nothingDiffersMessage(QStringLiteral("db")),
            captureDoneMessage(target, {}, summary),
            captureStoppedMessage(),
            compareStoppedMessage(),
            executeDoneMessage(done),
            executeDoneMessage(lost),
            executeDoneMessage(stopped),
            executeDoneMessage(rolledBack),
            executeOneDoneText(),
            useRefusedMessage(QStringLiteral("db"), failure),
            scriptSavedMessage(QStringLiteral("a.sql")),
            saveOntoStoreRefusedMessage(QStringLiteral("Source.mdb")),
            saveFailedMessage(QStringLiteral("a.sql"), QStringLiteral("reason")),
            reportSavedMessage(QStringLiteral("a.html")),
            saveReportOntoStoreRefusedMessage(QStringLiteral("Source.mdb")),
            saveReportFailedMessage(QStringLiteral("a.html"), QStringLiteral("reason")),
            snapshotSourceText(state),
            executeQuestionText({target, 3, other, true}),
            executeQuestionText({target, 5, target, false, true}),
            dataCheckQuestionText(sampleDataCheck()),
            allOrNothingChoiceText(),
            fillNewColumnsChoiceText(),
            dropExtraChoiceText()};
}

bool keepsPunctuationStyle(const QString& text) {
    for (qsizetype i = 1; i < text.size(); ++i) {
        // "..." closes a menu caption ("保存脚本...") and stays.
        if (text.mid(i, 3) == QStringLiteral("..."))
            continue;
        if (QStringLiteral(",.:;!?").contains(text.at(i)) && isChinese(text.at(i - 1)))
            return false;
    }
    return true;
}

} // namespace dbc
