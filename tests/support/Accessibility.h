#pragma once

// What a running program shows, as it tells assistive technology (AT-SPI): a private
// accessibility bus beside a private session bus. A Qt program started with environment()
// offers its widgets there; texts() reads each one's name (a label's text) and
// description (its tooltip).
#include "Rig.h"
#include "SessionBus.h"
#include "TempDir.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QRegularExpression>

#include <optional>
#include <utility>
#include <vector>

class AccessibilityBus {
public:
    AccessibilityBus() {
        // Its socket goes to the runtime folder: a private one keeps tests apart.
        m_launcher.setProcessEnvironment(
            environmentWith({{QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path()},
                             {QStringLiteral("DISPLAY"), {}}},
                            m_session.environment()));
        m_launcher.start(QStringLiteral("/usr/libexec/at-spi-bus-launcher"),
                         {QStringLiteral("--launch-immediately")});
        waitUntil(
            [&] {
                const QDBusMessage reply = session().call(QDBusMessage::createMethodCall(
                    QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                    QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress")));
                address = reply.arguments().value(0).toString();
                return !address.isEmpty();
            },
            10000, 50);
    }
    ~AccessibilityBus() {
        QDBusConnection::disconnectFromBus(QStringLiteral("a11y-session"));
        QDBusConnection::disconnectFromBus(QStringLiteral("a11y"));
    }
    static bool available() {
        return QFile::exists(QStringLiteral("/usr/libexec/at-spi-bus-launcher"));
    }

    QProcessEnvironment environment() const {
        QProcessEnvironment env;
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_session.address);
        env.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
        return env;
    }
    // Every object of every program on the bus: {name, description}.
    std::vector<std::pair<QString, QString>> texts() {
        std::vector<std::pair<QString, QString>> out;
        for (const auto& [service, path] :
             children(QStringLiteral("org.a11y.atspi.Registry"),
                      QStringLiteral("/org/a11y/atspi/accessible/root")))
            walk(service, path, out, 0);
        return out;
    }
    // The name of the first object whose name matches, with its description.
    std::optional<std::pair<QString, QString>> find(const QRegularExpression& name) {
        for (auto& t : texts()) {
            if (name.match(t.first).hasMatch())
                return t;
        }
        return std::nullopt;
    }

    // How long the first program on the bus takes to answer a question: its window's
    // thread answers, so this is how long a user would wait for it; -1 when none is there.
    qint64 answerMs() {
        const auto programs = children(QStringLiteral("org.a11y.atspi.Registry"),
                                       QStringLiteral("/org/a11y/atspi/accessible/root"));
        if (programs.empty())
            return -1;
        QElapsedTimer t;
        t.start();
        children(programs.front().first, programs.front().second);
        return t.elapsed();
    }

    QString address; // empty when the launcher did not start

private:
    QDBusConnection session() const {
        return QDBusConnection::connectToBus(m_session.address, QStringLiteral("a11y-session"));
    }
    QDBusConnection bus() const {
        return QDBusConnection::connectToBus(address, QStringLiteral("a11y"));
    }
    std::vector<std::pair<QString, QString>> children(const QString& service, const QString& path) {
        const QDBusMessage reply = bus().call(QDBusMessage::createMethodCall(
            service, path, QStringLiteral("org.a11y.atspi.Accessible"),
            QStringLiteral("GetChildren")));
        std::vector<std::pair<QString, QString>> out;
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return out;
        const QDBusArgument list = reply.arguments().constFirst().value<QDBusArgument>();
        list.beginArray();
        while (!list.atEnd()) {
            QString child;
            QDBusObjectPath childPath;
            list.beginStructure();
            list >> child >> childPath;
            list.endStructure();
            out.emplace_back(child, childPath.path());
        }
        list.endArray();
        return out;
    }
    QString property(const QString& service, const QString& path, const QString& name) {
        QDBusMessage get = QDBusMessage::createMethodCall(
            service, path, QStringLiteral("org.freedesktop.DBus.Properties"),
            QStringLiteral("Get"));
        get.setArguments({QStringLiteral("org.a11y.atspi.Accessible"), name});
        const QDBusMessage reply = bus().call(get);
        return reply.arguments().value(0).value<QDBusVariant>().variant().toString();
    }
    void walk(const QString& service, const QString& path,
              std::vector<std::pair<QString, QString>>& out, int depth) {
        if (depth > 12)
            return;
        // Two reads, between which the program may change both: a pair counts once the
        // name read after the description is the one read before it.
        QString name = property(service, path, QStringLiteral("Name")), description;
        for (int tries = 0; tries < 5; ++tries) {
            description = property(service, path, QStringLiteral("Description"));
            const QString again = property(service, path, QStringLiteral("Name"));
            if (std::exchange(name, again) == again)
                break;
        }
        out.emplace_back(name, description);
        for (const auto& [s, p] : children(service, path))
            walk(s, p, out, depth + 1);
    }

    SessionBus m_session;
    TempDir m_runtime;
    Child m_launcher;
};
