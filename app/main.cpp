#include "app/application_setup.h"
#include "app/tbtn_exec.h"
#include "cli/command_line.h"
#include "cli/odbc_driver.h"
#include "snapshot/snapshot_store.h"

#include <QApplication>
#include <QSettings>

#include <memory>

namespace {

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
    return runWindow(argc, argv);
}
