// The composition root: builds the real platform services and hands them to the windows.
#include "Clock.h"
#include "DesktopShell.h"
#include "ProgramFolder.h"
#include "QtPrompts.h"
#include "SharedState.h"
#include "TSRemote.h"
#include "TSRemoteLibrary.h"
#include "XdgSchemeHandler.h"
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
    platform::XdgSchemeHandler urlHandler(platform::XdgDirs::fromEnvironment());
    app::SharedState state;
    frmOptions options(state, ts, prompts);

    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();

    app::MainWindowParts parts{state,
                               ts,
                               prompts,
                               clock,
                               shell,
                               urlHandler,
                               options,
                               folders.settings,
                               folders.sounds,
                               executable,
                               arguments,
                               [] { QCoreApplication::exit(0); },
                               [] { return QSystemTrayIcon::isSystemTrayAvailable(); }};
    app::MainWindowSeams seams;
    seams.WerteEinlesen = [&options] { options.WerteEinlesen(); };
    app::frmMain mainWindow(std::move(parts), std::move(seams));
    mainWindow.Form_Load();
    mainWindow.show();
    mainWindow.startTimers();
    return QApplication::exec();
}
