// Entry of the window tests: one QApplication for all of them, named as the
// program names itself so the error box carries the program's title.
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("dbcompare"));
    QApplication::setApplicationDisplayName(QStringLiteral("dbcompare"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
