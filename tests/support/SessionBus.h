#pragma once

// A private D-Bus session bus for a test: its own dbus-daemon, told back through a pipe.
#include "Rig.h"

class SessionBus {
public:
    SessionBus() {
        m_daemon.setProcessChannelMode(QProcess::SeparateChannels);
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--session"), QStringLiteral("--nofork"),
                        QStringLiteral("--print-address=1")});
        if (m_daemon.waitForStarted(5000) && m_daemon.waitForReadyRead(5000))
            address = QString::fromLatin1(m_daemon.readLine().trimmed());
    }
    // This process's environment with the bus as the session's.
    QProcessEnvironment environment() const {
        return environmentWith({{QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address}});
    }
    QString address; // empty when the daemon did not start

private:
    Child m_daemon;
};
