#pragma once

// The window against the project's test server: one server for a test
// suite, a fresh window over a fresh store for each test, and the user's
// gestures (boxes filled, buttons clicked, typing) as helpers.
#include "app/tbtn_exec.h"
#include "tests/app/modal_box_watcher.h"
#include "tests/support/test_server_process.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

namespace dbc::test {

inline std::filesystem::path sourceDir() {
    return std::filesystem::path(DBCOMPARE_SOURCE_DIR);
}

class WindowHandlers : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new TempDir;
        loadCatalog(s_dir->path() / "data", "src",
                    sourceDir() / "tests/capture/capture_source.sql");
        s_server =
            new TestServerProcess(s_dir->path() / "data", {"--user", "sa", "--password", "pw"});
    }
    static void TearDownTestSuite() {
        delete s_server;
        delete s_dir;
    }

    void SetUp() override {
        // Answers every box a test does not watch itself.
        m_anyBox = std::make_unique<ModalBoxWatcher>();
        m_window = std::make_unique<TbtnExec>(m_dir.path() / "Source.mdb");
        m_window->show();
        setBoxes(s_server->serverName(), "src", "sa", "pw");
    }

    template <typename T> T* child(const char* name) {
        auto* widget = m_window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    void setBoxes(const std::string& server, const std::string& database, const std::string& user,
                  const std::string& password) {
        child<QLineEdit>("EdtDataSource")->setText(QString::fromStdString(server));
        child<QLineEdit>("EdtDataBase")->setText(QString::fromStdString(database));
        child<QLineEdit>("EdtUserNo")->setText(QString::fromStdString(user));
        child<QLineEdit>("EdtPassword")->setText(QString::fromStdString(password));
    }
    void click(const char* button) { child<QPushButton>(button)->click(); }
    // A mouse click and a typed "x" as the platform would queue them.
    void postClick(const char* button) {
        QWidget* target = child<QPushButton>(button);
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
            QCoreApplication::postEvent(target, new QMouseEvent(type, QPointF(5, 5), QPointF(5, 5),
                                                                Qt::LeftButton, Qt::LeftButton,
                                                                Qt::NoModifier));
    }
    void postTyping(const char* box) {
        QCoreApplication::postEvent(
            child<QWidget>(box),
            new QKeyEvent(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x")));
    }
    // Text typed into the text box, as the user types it.
    void typeIntoMemo(const QString& text) {
        auto* box = child<QPlainTextEdit>("Memo1");
        box->setPlainText(text);
        box->document()->setModified(true);
    }
    QString memo() { return child<QPlainTextEdit>("Memo1")->toPlainText(); }
    QStringList statements() {
        QStringList items;
        auto* list = child<QListWidget>("ListView1");
        for (int i = 0; i < list->count(); ++i)
            items << list->item(i)->text();
        return items;
    }
    int gridRows() { return child<QTableView>("dxDBGrid1")->model()->rowCount(); }
    QString countLabel() { return child<QLabel>("LblSDbMsg")->text(); }

    // A copy of the older database that a test may change.
    std::string freshTarget(const std::string& name) {
        loadCatalog(s_dir->path() / "data", name, sourceDir() / "tests/cli/cli_target.sql");
        return name;
    }
    // Captures the source, then compares a fresh target `name` with it; the
    // boxes are left on the target.
    std::string capturedAndCompared(const std::string& name) {
        click("BtnReadSource");
        const std::string target = freshTarget(name);
        setBoxes(s_server->serverName(), target, "sa", "pw");
        click("BtnCompare");
        return target;
    }

    static inline TempDir* s_dir = nullptr;
    static inline TestServerProcess* s_server = nullptr;
    TempDir m_dir;
    std::unique_ptr<ModalBoxWatcher> m_anyBox;
    std::unique_ptr<TbtnExec> m_window;
};

} // namespace dbc::test
