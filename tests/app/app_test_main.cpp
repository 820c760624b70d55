// Entry of the window tests: one QApplication for all of them, set up as the
// program sets itself up (names, Qt's Chinese texts).
#include "app/application_setup.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    dbc::setUpApplication(application);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
