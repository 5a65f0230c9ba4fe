#include "MutterIdle.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>

namespace platform {
namespace {

const QString Service = QStringLiteral("org.gnome.Mutter.IdleMonitor");
const QString Path = QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core");
const QString Interface = QStringLiteral("org.gnome.Mutter.IdleMonitor");
constexpr int CallMs = 500; // a compositor that does not answer is no source

QDBusMessage call(QDBusConnection& bus, const QString& method, const QVariantList& args = {}) {
    QDBusMessage m = QDBusMessage::createMethodCall(Service, Path, Interface, method);
    m.setArguments(args);
    return bus.call(m, QDBus::Block, CallMs);
}

} // namespace

std::unique_ptr<MutterIdle> MutterIdle::create(QDBusConnection bus) {
    if (!bus.isConnected() || !bus.interface() ||
        !bus.interface()->isServiceRegistered(Service).value())
        return nullptr;
    const QDBusMessage idle = call(bus, QStringLiteral("GetIdletime"));
    if (idle.type() != QDBusMessage::ReplyMessage || idle.arguments().isEmpty())
        return nullptr;
    std::unique_ptr<MutterIdle> monitor(
        new MutterIdle(bus, idle.arguments().constFirst().toULongLong() >= IdleAfterMs));
    const QDBusMessage watch = call(monitor->m_bus, QStringLiteral("AddIdleWatch"),
                                    {QVariant::fromValue<quint64>(IdleAfterMs)});
    if (watch.type() != QDBusMessage::ReplyMessage || watch.arguments().isEmpty())
        return nullptr;
    monitor->m_idleWatch = watch.arguments().constFirst().toUInt();
    if (monitor->m_idle)
        monitor->watchActivity();
    return monitor;
}

MutterIdle::MutterIdle(QDBusConnection bus, bool idle) : m_bus(std::move(bus)), m_idle(idle) {
    m_bus.connect(Service, Path, Interface, QStringLiteral("WatchFired"), this,
                  SLOT(watchFired(uint)));
}

// A user-active watch fires once, at the next input.
void MutterIdle::watchActivity() {
    const QDBusMessage reply = call(m_bus, QStringLiteral("AddUserActiveWatch"));
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
        m_activeWatch = reply.arguments().constFirst().toUInt();
}

void MutterIdle::watchFired(uint id) {
    if (id == m_idleWatch) {
        m_idle = true;
        watchActivity();
    } else if (id == m_activeWatch && m_activeWatch != 0) {
        m_activeWatch = 0;
        m_idle = false;
        m_activeSince = true;
    }
}

bool MutterIdle::keyPressedSinceLastCall() {
    const bool active = !m_idle || m_activeSince;
    m_activeSince = false;
    return active;
}

} // namespace platform
