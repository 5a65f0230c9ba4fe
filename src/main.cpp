// The composition root: builds the real platform services and hands them to the windows.
#include "Clock.h"
#include "DesktopShell.h"
#include "ProgramFolder.h"
#include "QtPrompts.h"
#include "SharedState.h"
#include "TSRemote.h"
#include "TSRemoteLibrary.h"
#include "frmMain.h"
#include "frmOptions.h"

#include <QApplication>
#include <QFileInfo>
#include <QSystemTrayIcon>

#include <cstdio>
#include <cstdlib>

namespace {

bool haveDisplay() {
    const auto set = [](const char* name) {
        const char* v = std::getenv(name);
        return v != nullptr && *v != '\0';
    };
    return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
}

} // namespace

int main(int argc, char* argv[]) {
    if (!haveDisplay()) {
        std::fprintf(stderr, "quorvex: no display (DISPLAY is not set); run it headless with "
                             "'xvfb-run -a quorvex' or 'QT_QPA_PLATFORM=offscreen quorvex'.\n");
        return 2;
    }
    QApplication application(argc, argv);
    // The main window parks hidden in the tray and the settings page lives hidden:
    // only the program's own exit paths end it.
    QApplication::setQuitOnLastWindowClosed(false);

    const QString executable = QCoreApplication::applicationFilePath();
    const platform::ProgramFolders folders = platform::currentProgramFolders();

    platform::TSRemoteLibrary library(platform::TSRemoteLibrary::candidates(
        qEnvironmentVariable(platform::TSRemoteLibrary::PathVariable),
        QCoreApplication::applicationDirPath()));
    clientlink::TSRemote ts(library);

    platform::SystemClock clock;
    platform::QtPrompts prompts(QFileInfo(executable).completeBaseName());
    platform::DesktopShell shell;
    app::SharedState state;
    frmOptions options;

    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();

    app::MainWindowParts parts{state,
                               ts,
                               prompts,
                               clock,
                               shell,
                               options,
                               folders.settings,
                               folders.sounds,
                               executable,
                               arguments,
                               [] { QCoreApplication::exit(0); },
                               [] { return QSystemTrayIcon::isSystemTrayAvailable(); }};
    app::frmMain mainWindow(std::move(parts), app::MainWindowSeams{});
    mainWindow.Form_Load();
    mainWindow.show();
    return QApplication::exec();
}
