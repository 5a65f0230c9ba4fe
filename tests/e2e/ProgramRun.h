#pragma once

// Helpers of the end-to-end tests that run quorvex or its windows against ts2sim.
#include "ChildProcess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

// Runs the event loop until the condition holds or the time is up.
template <typename F> bool waitUntil(F condition, int ms = 5000) {
    QElapsedTimer t;
    t.start();
    while (!condition()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
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
    quorvex.start(QStringLiteral(QUORVEX_PATH), arguments);
    return quorvex.waitForStarted(5000);
}
