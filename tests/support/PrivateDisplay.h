#pragma once

#include "Rig.h"

#include <QPoint>
#include <QRect>
#include <QStringList>

// Xvfb on a display of its own choosing, told back through a pipe. It never resets when
// its last client leaves (each xdotool call would make it start over). It holds the
// abstract socket of its number as well as the file: clients try the abstract one first,
// so a number whose abstract socket another server holds (a compositor's XWayland, which
// takes a number without looking at the file) would send them there. Holding both, Xvfb
// passes over such a number. Programs started on it are started again should one still
// fail to reach it (startQuorvex).
class PrivateDisplay {
public:
    PrivateDisplay() {
        m_server.setProcessChannelMode(QProcess::SeparateChannels);
        m_server.start(QStringLiteral("Xvfb"),
                       {QStringLiteral("-displayfd"), QStringLiteral("1"),
                        QStringLiteral("-screen"), QStringLiteral("0"),
                        QStringLiteral("1024x768x24"), QStringLiteral("-noreset"),
                        QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        if (!m_server.waitForStarted(5000) || !m_server.waitForReadyRead(10000))
            return;
        const QString told =
            QStringLiteral(":") + QString::fromLatin1(m_server.readLine().trimmed());
        // Only a display that answers counts: a client started now must reach it.
        const auto env = environmentWith({{QStringLiteral("DISPLAY"), told}});
        if (waitUntil(
                [&] {
                    return runTool(QStringLiteral("xdotool"),
                                   {QStringLiteral("getdisplaygeometry")}, nullptr, env, 2000);
                },
                5000, 50))
            name = told;
    }
    // Another's X display (a compositor's XWayland), reached with its authority file.
    PrivateDisplay(QString existing, QString authority)
        : name(std::move(existing)), m_authority(std::move(authority)) {}
    // A window manager on the display, as a desktop has one: it frames and places windows.
    bool startWindowManager() {
        if (name.isEmpty())
            return false;
        m_manager.setProcessEnvironment(environmentWith({{QStringLiteral("DISPLAY"), name}}));
        m_manager.setStandardOutputFile(QProcess::nullDevice());
        // Ready once it answers for the desktops, as only a window manager does; one that
        // ended at once (the display not yet ready for it) is started again.
        for (int attempt = 0; attempt < 3; ++attempt) {
            m_manager.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
            if (!m_manager.waitForStarted(5000))
                return false;
            if (waitUntil(
                    [this] {
                        return !m_manager.running() ||
                               xdotool({QStringLiteral("get_num_desktops")});
                    },
                    10000) &&
                m_manager.running())
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
    bool xdotool(const QStringList& arguments, QByteArray* output = nullptr) const {
        return runTool(QStringLiteral("xdotool"), arguments, output,
                       environmentWith({{QStringLiteral("DISPLAY"), name},
                                        {QStringLiteral("XAUTHORITY"), m_authority}}),
                       5000);
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
    QString m_authority; // empty: none needed
    Child m_server;      // ended last, politely: it frees its socket for the next display
    Child m_manager;
};
