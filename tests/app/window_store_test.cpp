// The window over a store: FormShow on first show, the count label, the bad
// store's error box, the close button.
#include "app/source_table_model.h"
#include "app/tbtn_exec.h"
#include "tests/app/modal_box_watcher.h"
#include "tests/app/qstring_printer.h"
#include "tests/app/test_store.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <fstream>

namespace dbc {
namespace {

class WindowOverStore : public ::testing::Test {
protected:
    std::filesystem::path storePath() const { return m_dir.path() / "Source.mdb"; }

    static QString countLabel(TbtnExec& window) {
        return window.findChild<QLabel*>(QStringLiteral("LblSDbMsg"))->text();
    }
    static int gridRows(TbtnExec& window) {
        return window.findChild<QTableView*>(QStringLiteral("dxDBGrid1"))->model()->rowCount();
    }

    test::ScratchDir m_dir;
};

TEST_F(WindowOverStore, CountLabelAndGridShowEveryRow) {
    test::writeStore(storePath(), 1234);
    TbtnExec window(storePath());
    EXPECT_EQ(countLabel(window), QString()) << "nothing is read before the first show";
    test::ModalBoxWatcher boxes;
    window.show();
    EXPECT_FALSE(boxes.seen()) << boxes.text().toStdString();
    EXPECT_EQ(countLabel(window), QStringLiteral("共有字段:1234"));
    EXPECT_EQ(gridRows(window), 1234);
    auto* model = window.findChild<QTableView*>(QStringLiteral("dxDBGrid1"))->model();
    EXPECT_EQ(model->index(0, 0).data().toString(), QStringLiteral("Field0"));
    EXPECT_EQ(model->index(1233, 1).data().toString(), QStringLiteral("1233"));
    EXPECT_EQ(model->index(1233, 2).data().toString(), QStringLiteral("varchar"));
    EXPECT_EQ(model->index(1233, 3).data().toString(), QStringLiteral("Table123"));
}

TEST_F(WindowOverStore, EmptyStoreReadsZero) {
    test::writeStore(storePath(), 0);
    TbtnExec window(storePath());
    test::ModalBoxWatcher boxes;
    window.show();
    EXPECT_FALSE(boxes.seen()) << boxes.text().toStdString();
    EXPECT_EQ(countLabel(window), QStringLiteral("共有字段:0"));
    EXPECT_EQ(gridRows(window), 0);
}

TEST_F(WindowOverStore, MissingStoreReadsZeroAndIsNotCreated) {
    TbtnExec window(storePath());
    test::ModalBoxWatcher boxes;
    window.show();
    EXPECT_FALSE(boxes.seen()) << boxes.text().toStdString();
    // Only a capture that succeeds creates the file.
    EXPECT_FALSE(std::filesystem::exists(storePath()));
    EXPECT_EQ(countLabel(window), QStringLiteral("共有字段:0"));
    EXPECT_NO_THROW(window.store());
}

TEST_F(WindowOverStore, BadStoreShowsTheErrorBoxAndAnEmptyWindow) {
    {
        std::ofstream out(storePath(), std::ios::binary);
        out << "Standard Jet DB\n this is not a SQLite file at all\n";
        for (int i = 0; i < 200; ++i)
            out << char(i);
    }
    const std::string before = test::fileBytes(storePath());
    TbtnExec window(storePath());
    test::ModalBoxWatcher boxes;
    window.show();

    EXPECT_TRUE(boxes.seen());
    EXPECT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.icon(), QMessageBox::Critical);
    EXPECT_EQ(boxes.title(), QStringLiteral("数据库比对工具"));
    EXPECT_TRUE(boxes.okOnly());
    EXPECT_TRUE(boxes.modal());
    EXPECT_TRUE(boxes.text().contains(QStringLiteral("Source.mdb"))) << boxes.text().toStdString();

    EXPECT_TRUE(window.isVisible()) << "the window opens after the error box";
    EXPECT_EQ(countLabel(window), QString());
    EXPECT_EQ(gridRows(window), 0);
    EXPECT_EQ(test::fileBytes(storePath()), before);
    EXPECT_THROW(window.store(), StoreError);
}

// A store that could not be opened at start is opened again by the next
// handler that needs it: still bad, the handler says so; mended, the grid
// and the count show it even when the handler then fails to connect.
TEST_F(WindowOverStore, EachHandlerReopensAStoreThatFailedAtStart) {
    {
        std::ofstream out(storePath(), std::ios::binary);
        out << "not a store";
    }
    TbtnExec window(storePath());
    {
        test::ModalBoxWatcher boxes;
        window.show();
        ASSERT_TRUE(boxes.seen());
    }
    auto* server = window.findChild<QLineEdit*>(QStringLiteral("EdtDataSource"));
    server->setText(QStringLiteral("127.0.0.1,1"));
    for (const char* button : {"BtnCompare", "BtnReadSource"}) {
        test::ModalBoxWatcher boxes;
        window.findChild<QPushButton*>(QString::fromLatin1(button))->click();
        // In Chinese, with the file's path and a way out.
        EXPECT_TRUE(boxes.text().startsWith(QStringLiteral("无法使用源数据文件 %1：")
                                                .arg(QString::fromStdString(storePath().string()))))
            << button << ": " << boxes.text().toStdString();
        EXPECT_TRUE(boxes.text().contains(QStringLiteral("请把它移到别处或改名")))
            << boxes.text().toStdString();
        EXPECT_TRUE(boxes.text().contains(QStringLiteral("Source.mdb"))) << button;
    }

    std::filesystem::remove(storePath());
    test::writeStore(storePath(), 3);
    test::ModalBoxWatcher boxes;
    window.findChild<QPushButton*>(QStringLiteral("BtnCompare"))->click();
    EXPECT_EQ(countLabel(window), QStringLiteral("共有字段:3"));
    EXPECT_EQ(gridRows(window), 3);
    EXPECT_TRUE(boxes.text().startsWith(QStringLiteral("无法连接到服务器 127.0.0.1,1：")))
        << boxes.text().toStdString();
}

TEST_F(WindowOverStore, FormShowRunsOnlyOnTheFirstShow) {
    test::writeStore(storePath(), 3);
    TbtnExec window(storePath());
    window.show();
    ASSERT_EQ(countLabel(window), QStringLiteral("共有字段:3"));
    window.sourceRows().appendRow({"x", "1", "int", "T", "", "0", "0", "0"});
    window.ShowSDbMsg();
    window.hide();
    window.show();
    EXPECT_EQ(countLabel(window), QStringLiteral("共有字段:4"));
}

TEST_F(WindowOverStore, OuterSizeAndCentredOnFirstShow) {
    TbtnExec window(storePath());
    window.show();
    EXPECT_EQ(window.frameGeometry().size(), QSize(740, 531));
    const QRect area = window.screen()->availableGeometry();
    EXPECT_EQ(window.frameGeometry().center(), area.center())
        << "frame at " << window.frameGeometry().x() << "," << window.frameGeometry().y();
}

// The settings file's [connection] group reaches every connection the window
// makes; a value that cannot be read asks for encryption rather than less.
TEST_F(WindowOverStore, ConnectionSecurityComesFromTheSettingsFile) {
    const QString file = QString::fromStdString((m_dir.path() / "settings.ini").string());
    struct Case {
        const char* lines;
        Encryption encryption;
        bool trust;
        bool integrated;
    };
    const Case cases[] = {
        {"", Encryption::DriverDefault, false, false},
        {"[connection]\nencrypt=no\ntrustServerCertificate=true\n", Encryption::No, true, false},
        {"[connection]\nencrypt=Strict\nintegrated=true\n", Encryption::Strict, false, true},
        {"[connection]\nencrypt=yse\n", Encryption::Yes, false, false},
    };
    for (const Case& c : cases) {
        std::ofstream(m_dir.path() / "settings.ini", std::ios::trunc) << c.lines;
        TbtnExec window(storePath());
        window.rememberIn(std::make_unique<QSettings>(file, QSettings::IniFormat));
        const ConnectionSecurity security = window.connectionProperties().security;
        EXPECT_EQ(security.encryption, c.encryption) << c.lines;
        EXPECT_EQ(security.trustServerCertificate, c.trust) << c.lines;
        EXPECT_EQ(security.integratedLogin, c.integrated) << c.lines;
    }
}

TEST_F(WindowOverStore, CloseButtonEndsTheEventLoop) {
    TbtnExec window(storePath());
    window.show();
    window.scriptView().show([] {
        ScriptBuffer pending;
        pending.addStatement("use hrms");
        return pending;
    }());
    auto* close = window.findChild<QPushButton*>(QStringLiteral("BtnClose"));
    ASSERT_NE(close, nullptr);

    bool timedOut = false;
    QTimer::singleShot(0, close, [close] { QTest::mouseClick(close, Qt::LeftButton); });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&timedOut] {
        timedOut = true;
        QApplication::exit(1);
    });
    guard.start(5000);
    const int status = QApplication::exec();
    EXPECT_FALSE(timedOut);
    EXPECT_EQ(status, 0);
    EXPECT_FALSE(window.isVisible());
}

} // namespace
} // namespace dbc
