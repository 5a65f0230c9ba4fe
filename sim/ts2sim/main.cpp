// ts2sim: a simulated TeamSpeak 2 client and server behind the client library's socket.
//   ts2sim [--socket PATH] [--script FILE] [--no-window] [teamspeak://URL]
// Started with a login URL, as a URL handler starts a client, it connects at once.
#include "ScriptRunner.h"
#include "SimWindow.h"
#include "TsrWire.h"
#include "WireServer.h"
#include "World.h"

#include <QApplication>
#include <QFile>
#include <QTimer>

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <thread>

namespace {

void out(const QString& line) {
    std::fputs(line.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

constexpr const char* Usage =
    "usage: ts2sim [--socket PATH] [--script FILE] [--no-window] [teamspeak://URL]\n"
    "       ts2sim --help | --version\n"
    "A simulated TeamSpeak 2 client and server for Quorvex's demo and tests.\n";

int usage() {
    std::fputs(Usage, stderr);
    return 2;
}

} // namespace

int main(int argc, char* argv[]) {
    QString socketPath;
    QString scriptPath;
    bool window = true;
    QString loginUrl;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help")
            return std::fputs(Usage, stdout) < 0;
        if (a == "--version")
            return std::printf("ts2sim %s\n", QUORVEX_VERSION_TEXT) < 0;
        if (a == "--socket" && i + 1 < argc)
            socketPath = QString::fromLocal8Bit(argv[++i]);
        else if (a == "--script" && i + 1 < argc)
            scriptPath = QString::fromLocal8Bit(argv[++i]);
        else if (a == "--no-window")
            window = false;
        else if (a.rfind("teamspeak://", 0) == 0)
            loginUrl = QString::fromLocal8Bit(argv[i]);
        else
            return usage();
    }
    if (socketPath.isEmpty())
        socketPath = QString::fromLocal8Bit(tsrwire::defaultSocketPath().c_str());
    if (socketPath.isEmpty()) {
        std::fputs("ts2sim: no private folder for the socket; use --socket PATH\n", stderr);
        return 1;
    }

    std::unique_ptr<QCoreApplication> app = window ? std::make_unique<QApplication>(argc, argv)
                                                   : std::make_unique<QCoreApplication>(argc, argv);

    World world;
    WireServer server(world);
    ScriptRunner runner(world);
    std::unique_ptr<SimWindow> simWindow;
    if (window)
        simWindow = std::make_unique<SimWindow>(world);

    const auto log = [&simWindow](const QString& line) {
        out(line);
        if (simWindow)
            simWindow->appendLog(line);
    };
    QObject::connect(&server, &WireServer::logged, log);
    QObject::connect(&runner, &ScriptRunner::logged, [&simWindow](const QString& line) {
        std::fprintf(stderr, "ts2sim: %s\n", line.toLocal8Bit().constData());
        if (simWindow)
            simWindow->appendLog(line);
    });
    // Let the last answer leave before the program ends.
    const auto quit = [] {
        QTimer::singleShot(20, QCoreApplication::instance(), &QCoreApplication::quit);
    };
    QObject::connect(&server, &WireServer::quitRequested, quit);
    QObject::connect(&runner, &ScriptRunner::quitRequested, quit);

    QString why;
    if (!server.listen(socketPath, why)) {
        std::fprintf(stderr, "ts2sim: cannot listen on %s: %s\n",
                     socketPath.toLocal8Bit().constData(), why.toLocal8Bit().constData());
        return 1;
    }
    out(QStringLiteral("ts2sim: ready on %1").arg(socketPath));
    if (simWindow)
        simWindow->show();

    if (!scriptPath.isEmpty()) {
        QFile script(scriptPath);
        if (!script.open(QIODevice::ReadOnly | QIODevice::Text)) {
            std::fprintf(stderr, "ts2sim: cannot read %s\n", scriptPath.toLocal8Bit().constData());
            return 1;
        }
        for (const QByteArray& line : script.readAll().split('\n'))
            runner.enqueue(QString::fromUtf8(line));
    }
    if (!loginUrl.isEmpty()) {
        log(QStringLiteral("connect from the command line"));
        if (const auto r = world.connect(loginUrl); !r.ok())
            log(r.error);
    }
    // Standard input follows the script; the reader lives until the process ends.
    std::thread([&runner] {
        std::string line;
        while (std::getline(std::cin, line)) {
            const QString text = QString::fromUtf8(line.c_str());
            QMetaObject::invokeMethod(
                &runner, [&runner, text] { runner.enqueue(text); }, Qt::QueuedConnection);
        }
    }).detach();

    const int rc = QCoreApplication::exec();
    return rc;
}
