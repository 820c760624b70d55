#include "app/application_setup.h"
#include "app/tbtn_exec.h"
#include "cli/command_line.h"
#include "cli/odbc_driver.h"
#include "snapshot/snapshot_store.h"

#include <QApplication>
#include <QSettings>

#include <memory>

#include <cstdio>
#include <cstdlib>

namespace {

bool setInEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// Qt ends the program with an abort when it finds no display to show the
// window on; the user is told instead, and pointed at the command line. A
// platform chosen in QT_QPA_PLATFORM (offscreen, vnc) is left to Qt.
bool noDisplay() {
    return !setInEnvironment("QT_QPA_PLATFORM") && !setInEnvironment("DISPLAY") &&
           !setInEnvironment("WAYLAND_DISPLAY");
}

// The window program: the application object, the main window btnExec over
// Source.mdb beside the executable (its size, place and boxes remembered in
// the user's settings), and the event loop until the window is closed.
int runWindow(int& argc, char** argv) {
    QApplication application(argc, argv);
    dbc::setUpApplication(application);
    dbc::TbtnExec btnExec(dbc::defaultStorePath(), nullptr, dbc::odbcDriverFromEnvironment());
    btnExec.rememberIn(
        std::make_unique<QSettings>(QStringLiteral("dbcompare"), QStringLiteral("dbcompare")));
    btnExec.show();
    return QApplication::exec();
}

} // namespace

int main(int argc, char* argv[]) {
    // Subcommands run without a display, before any QApplication exists.
    if (argc > 1)
        return dbc::runCommandLine(argc, argv);
    if (noDisplay()) {
        std::fputs("dbcompare: there is no display to open the window on (neither DISPLAY nor "
                   "WAYLAND_DISPLAY is set); to work without one, give a subcommand: see "
                   "dbcompare --help\n",
                   stderr);
        return 2;
    }
    return runWindow(argc, argv);
}
