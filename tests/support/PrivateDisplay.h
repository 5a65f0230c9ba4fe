#pragma once

#include "ChildProcess.h"
#include "ProgramRun.h"

#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QStringList>
#include <QThread>

// Xvfb on a display of its own choosing, told back through a pipe. It never resets when
// its last client leaves (each xdotool call would make it start over), and offers only
// its socket file. Programs started on it are started again should one still fail to
// reach it (startOnDisplay): seen now and then on a display number just freed by the
// previous test, cause not found.
class PrivateDisplay {
public:
    PrivateDisplay() {
        asChildOfTest(m_server);
        m_server.setProcessChannelMode(QProcess::SeparateChannels);
        m_server.start(QStringLiteral("Xvfb"),
                       {QStringLiteral("-displayfd"), QStringLiteral("1"),
                        QStringLiteral("-screen"), QStringLiteral("0"),
                        QStringLiteral("1024x768x24"), QStringLiteral("-noreset"),
                        QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                        QStringLiteral("-nolisten"), QStringLiteral("local")});
        if (!m_server.waitForStarted(5000) || !m_server.waitForReadyRead(10000))
            return;
        const QString told =
            QStringLiteral(":") + QString::fromLatin1(m_server.readLine().trimmed());
        // Only a display that answers counts: a client started now must reach it.
        for (int i = 0; i < 100; ++i) {
            QProcess probe;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("DISPLAY"), told);
            probe.setProcessEnvironment(env);
            probe.start(QStringLiteral("xdotool"), {QStringLiteral("getdisplaygeometry")});
            if (probe.waitForFinished(2000) && probe.exitCode() == 0) {
                name = told;
                return;
            }
            QThread::msleep(50);
        }
    }
    // A window manager on the display, as a desktop has one: it frames and places windows.
    bool startWindowManager() {
        if (name.isEmpty())
            return false;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), name);
        m_manager.setProcessEnvironment(env);
        asChildOfTest(m_manager);
        m_manager.setStandardOutputFile(QProcess::nullDevice());
        // Ready once it answers for the desktops, as only a window manager does; one that
        // ended at once (the display not yet ready for it) is started again.
        for (int attempt = 0; attempt < 3; ++attempt) {
            m_manager.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
            if (!m_manager.waitForStarted(5000))
                return false;
            if (waitUntil(
                    [this] {
                        return m_manager.state() != QProcess::Running ||
                               xdotool({QStringLiteral("get_num_desktops")});
                    },
                    10000) &&
                m_manager.state() == QProcess::Running)
                return true;
            m_manager.waitForFinished(1000);
        }
        return false;
    }
    // Where the window's client area is on the screen.
    QRect geometry(const QByteArray& window) const {
        QByteArray out;
        if (!xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"),
                      QString::fromLatin1(window)},
                     &out))
            return {};
        QRect r;
        for (const QByteArray& line : out.split('\n')) {
            const int v = line.mid(line.indexOf('=') + 1).toInt();
            if (line.startsWith("X="))
                r.moveLeft(v);
            else if (line.startsWith("Y="))
                r.moveTop(v);
            else if (line.startsWith("WIDTH="))
                r.setWidth(v);
            else if (line.startsWith("HEIGHT="))
                r.setHeight(v);
        }
        return r;
    }
    ~PrivateDisplay() {
        if (m_manager.state() != QProcess::NotRunning) {
            m_manager.terminate();
            m_manager.waitForFinished(3000);
        }
        // Ended politely, the server removes its socket and lock for the next one.
        m_server.terminate();
        if (!m_server.waitForFinished(3000)) {
            m_server.kill();
            m_server.waitForFinished(3000);
        }
    }
    bool xdotool(const QStringList& arguments, QByteArray* output = nullptr) const {
        QProcess tool;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), name);
        tool.setProcessEnvironment(env);
        tool.start(QStringLiteral("xdotool"), arguments);
        const bool ok = tool.waitForFinished(5000) && tool.exitCode() == 0;
        if (output)
            *output = tool.readAllStandardOutput();
        return ok;
    }
    // The visible window whose title matches, once it shows; empty when none came.
    QByteArray window(const QString& pattern, int ms = 10000) const {
        QByteArray id;
        waitUntil(
            [&] {
                QByteArray out;
                if (!xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                              QStringLiteral("--name"), pattern},
                             &out))
                    return false;
                id = out.split('\n').value(0).trimmed();
                return !id.isEmpty();
            },
            ms);
        return id;
    }
    bool click(const QByteArray& window, QPoint at) const {
        return xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"),
                        QString::fromLatin1(window), QString::number(at.x()),
                        QString::number(at.y()), QStringLiteral("click"), QStringLiteral("1")});
    }
    // Keys go where the focus is: give it to the window first.
    bool key(const QByteArray& window, const QString& key) const {
        xdotool(
            {QStringLiteral("windowfocus"), QStringLiteral("--sync"), QString::fromLatin1(window)});
        return xdotool({QStringLiteral("key"), key});
    }
    // Clicks until the window named by pattern shows: a program still starting (slow
    // under the sanitizers) may miss the first click.
    QByteArray clickUntil(const QByteArray& window, QPoint at, const QString& pattern) const {
        QByteArray shown;
        for (int attempt = 0; attempt < 8 && shown.isEmpty(); ++attempt) {
            click(window, at);
            shown = this->window(pattern, 2500);
        }
        return shown;
    }
    QString name; // empty when Xvfb did not start

private:
    QProcess m_server;
    QProcess m_manager;
};
