#pragma once

// The process rigs of the end-to-end tests: waiting for a condition, and the quorvex
// program started headless or on a private display.
#include "ChildProcess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <cstdio>

// Runs the event loop until the condition holds or the time is up; the one wait of the
// process rigs, so no test sleeps where it can wait for a condition.
template <typename F> bool waitUntil(F condition, int ms = 5000, int stepMs = 5) {
    QElapsedTimer t;
    t.start();
    while (!condition()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, stepMs);
        QThread::msleep(static_cast<unsigned long>(stepMs));
    }
    return true;
}

// The quorvex program with its ts.ini in home and the client behind socket; headless
// unless an X display is given.
inline bool startQuorvex(QProcess& quorvex, const QString& home, const QString& socket,
                         const QString& x11Display = {}, const QProcessEnvironment& extra = {},
                         const QStringList& arguments = {}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(extra);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"),
               x11Display.isEmpty() ? QStringLiteral("offscreen") : QStringLiteral("xcb"));
    if (!x11Display.isEmpty())
        env.insert(QStringLiteral("DISPLAY"), x11Display);
    env.insert(QStringLiteral("QUORVEX_HOME"), home);
    env.insert(QStringLiteral("TSREMOTE_SOCKET"), socket);
    quorvex.setProcessEnvironment(env);
    asChildOfTest(quorvex);
    // On a private X display: started again if it ends at once (it could not reach the
    // display), which a fresh display now and then makes it do.
    for (int attempt = 0; attempt < 3; ++attempt) {
        quorvex.start(QStringLiteral(QUORVEX_PATH), arguments);
        if (!quorvex.waitForStarted(5000))
            return false;
        if (x11Display.isEmpty() || !quorvex.waitForFinished(1000))
            return true;
        std::fprintf(stderr, "startQuorvex: ended at once on %s, starting it again\n",
                     qPrintable(x11Display));
        QThread::msleep(300);
    }
    return false;
}
