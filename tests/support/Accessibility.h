#pragma once

// What a running program shows, as it tells assistive technology (AT-SPI): a private
// accessibility bus beside a private session bus. A Qt program started with environment()
// offers its widgets there, each with a name (a label's text) and a description (its
// tooltip); one found can be read again without walking the whole tree.
#include "Rig.h"
#include "SessionBus.h"
#include "TempDir.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QRegularExpression>

#include <optional>
#include <utility>
#include <vector>

class AccessibilityBus {
public:
    struct Object {
        QString service, path, name, description;
    };

    AccessibilityBus() {
        // Its socket goes to the runtime folder: a private one keeps tests apart.
        m_launcher.setProcessEnvironment(
            environmentWith({{QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path()},
                             {QStringLiteral("DISPLAY"), {}}},
                            m_session.environment()));
        m_launcher.start(QStringLiteral("/usr/libexec/at-spi-bus-launcher"),
                         {QStringLiteral("--launch-immediately")});
        const QDBusConnection session =
            QDBusConnection::connectToBus(m_session.address, QStringLiteral("a11y-session"));
        waitUntil(
            [&] {
                address =
                    call(session, QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                         QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress"))
                        .value(0)
                        .toString();
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
    // Every object of every program on the bus that is on the screen now (a hidden one's
    // children are left out, whatever they say of themselves).
    std::vector<Object> objects() {
        std::vector<Object> out;
        for (const Object& program : children(registry()))
            walk(program, out, 0);
        return out;
    }
    // The first object on the screen whose name matches.
    std::optional<Object> find(const QRegularExpression& name) {
        for (Object& o : objects()) {
            if (name.match(o.name).hasMatch())
                return std::move(o);
        }
        return std::nullopt;
    }
    // One object as it is now. Two reads, between which the program may change both: a
    // pair counts once the name read after the description is the one read before it.
    Object read(Object o) {
        o.name = property(o, QStringLiteral("Name"));
        for (int tries = 0; tries < 5; ++tries) {
            o.description = property(o, QStringLiteral("Description"));
            const QString again = property(o, QStringLiteral("Name"));
            if (std::exchange(o.name, again) == again)
                break;
        }
        return o;
    }
    // Whether the object is on the screen (AT-SPI's state "showing").
    bool showing(const Object& o) {
        const QList<QVariant> state =
            call(bus(), o.service, o.path, Accessible, QStringLiteral("GetState"));
        return !state.isEmpty() &&
               (qdbus_cast<QList<uint>>(state.constFirst()).value(0) & (1u << 25)) != 0;
    }

    // How long the first program on the bus takes to answer a question: its window's
    // thread answers, so this is how long a user would wait for it; -1 when none is there.
    qint64 answerMs() {
        const auto programs = children(registry());
        if (programs.empty())
            return -1;
        QElapsedTimer t;
        t.start();
        children(programs.front());
        return t.elapsed();
    }

    QString address; // empty when the launcher did not start

private:
    static Object registry() {
        return {QStringLiteral("org.a11y.atspi.Registry"),
                QStringLiteral("/org/a11y/atspi/accessible/root"),
                {},
                {}};
    }
    static constexpr auto Accessible = "org.a11y.atspi.Accessible";

    QDBusConnection bus() const {
        return QDBusConnection::connectToBus(address, QStringLiteral("a11y"));
    }
    static QList<QVariant> call(const QDBusConnection& bus, const QString& service,
                                const QString& path, const QString& interface,
                                const QString& method, const QList<QVariant>& arguments = {}) {
        QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
        message.setArguments(arguments);
        const QDBusMessage reply = bus.call(message);
        return reply.type() == QDBusMessage::ReplyMessage ? reply.arguments() : QList<QVariant>{};
    }
    std::vector<Object> children(const Object& parent) {
        std::vector<Object> out;
        const QList<QVariant> reply =
            call(bus(), parent.service, parent.path, Accessible, QStringLiteral("GetChildren"));
        if (reply.isEmpty())
            return out;
        const QDBusArgument list = reply.constFirst().value<QDBusArgument>();
        list.beginArray();
        while (!list.atEnd()) {
            Object child;
            QDBusObjectPath childPath;
            list.beginStructure();
            list >> child.service >> childPath;
            list.endStructure();
            child.path = childPath.path();
            out.push_back(std::move(child));
        }
        list.endArray();
        return out;
    }
    QString property(const Object& o, const QString& name) {
        return call(bus(), o.service, o.path, QStringLiteral("org.freedesktop.DBus.Properties"),
                    QStringLiteral("Get"), {QString::fromLatin1(Accessible), name})
            .value(0)
            .value<QDBusVariant>()
            .variant()
            .toString();
    }
    void walk(const Object& o, std::vector<Object>& out, int depth) {
        if (depth > 12 || !showing(o))
            return;
        out.push_back(read(o));
        for (const Object& child : children(o))
            walk(child, out, depth + 1);
    }

    SessionBus m_session;
    TempDir m_runtime;
    Child m_launcher;
};
