#pragma once

// GNOME's real compositor for tests and benchmarks: mutter headless with XWayland, on a
// given private session bus and a runtime folder of its own; input made through its
// remote-desktop interface from a session held open (it ends with the connection).
#include "Rig.h"
#include "SessionBus.h"
#include "TempDir.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDir>

#include <sys/stat.h>

class Mutter {
public:
    explicit Mutter(SessionBus& sessionBus) : bus(sessionBus) {
        ::chmod(QFile::encodeName(runtime.path()).constData(), 0700);
        mutter.setProcessChannelMode(QProcess::MergedChannels);
        mutter.setProcessEnvironment(environment());
        mutter.start(QStringLiteral("mutter"),
                     {QStringLiteral("--headless"), QStringLiteral("--virtual-monitor"),
                      QStringLiteral("1280x800"), QStringLiteral("--wayland")});
        QByteArray said;
        waitUntil(
            [&] {
                said += mutter.readAll();
                const qsizetype at = said.indexOf("Using public X11 display :");
                if (at >= 0)
                    display =
                        QString::fromLatin1(said.mid(at + 25, said.indexOf(',', at) - at - 25));
                return !display.isEmpty();
            },
            20000, 20);
        const QStringList auth =
            QDir(runtime.path())
                .entryList({QStringLiteral(".mutter-Xwaylandauth.*")}, QDir::Hidden | QDir::Files);
        xauthority = auth.isEmpty() ? QString() : runtime.file(auth.first());
        if (display.isEmpty())
            std::fprintf(stderr, "mutter said:\n%s\n", said.constData());
    }
    QProcessEnvironment environment() const {
        QProcessEnvironment env = bus.environment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        return env;
    }
    // The input side: a remote-desktop session held open for the whole test.
    bool startInput() {
        m_input = QDBusConnection::connectToBus(bus.address, QStringLiteral("remote-desktop"));
        // Mutter offers the interface a moment after its display: asked until it answers.
        QDBusMessage made;
        waitUntil(
            [&] {
                made = m_input.call(QDBusMessage::createMethodCall(
                    QStringLiteral("org.gnome.Mutter.RemoteDesktop"),
                    QStringLiteral("/org/gnome/Mutter/RemoteDesktop"),
                    QStringLiteral("org.gnome.Mutter.RemoteDesktop"),
                    QStringLiteral("CreateSession")));
                return made.type() == QDBusMessage::ReplyMessage;
            },
            10000, 100);
        if (made.type() != QDBusMessage::ReplyMessage)
            return false;
        m_session = made.arguments().value(0).value<QDBusObjectPath>().path();
        return session(QStringLiteral("Start"), {}).type() == QDBusMessage::ReplyMessage;
    }
    bool move() {
        return session(QStringLiteral("NotifyPointerMotionRelative"), {3.0, 2.0}).type() ==
               QDBusMessage::ReplyMessage;
    }
    ~Mutter() { QDBusConnection::disconnectFromBus(QStringLiteral("remote-desktop")); }

    TempDir runtime;
    SessionBus& bus;
    Child mutter;
    QString display, xauthority;

private:
    QDBusMessage session(const QString& method, const QVariantList& args) {
        QDBusMessage m = QDBusMessage::createMethodCall(
            QStringLiteral("org.gnome.Mutter.RemoteDesktop"), m_session,
            QStringLiteral("org.gnome.Mutter.RemoteDesktop.Session"), method);
        m.setArguments(args);
        return m_input.call(m);
    }
    QDBusConnection m_input{QString()};
    QString m_session;
};
