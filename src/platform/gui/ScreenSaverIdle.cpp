#include "ScreenSaverIdle.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QTimer>

namespace platform {
namespace {

const QString ScreenSaverService = QStringLiteral("org.freedesktop.ScreenSaver");

QDBusMessage question() {
    return QDBusMessage::createMethodCall(ScreenSaverService,
                                          QStringLiteral("/org/freedesktop/ScreenSaver"),
                                          ScreenSaverService, QStringLiteral("GetSessionIdleTime"));
}

} // namespace

std::unique_ptr<ScreenSaverIdle> ScreenSaverIdle::create(QDBusConnection bus) {
    if (!bus.isConnected() || !bus.interface() ||
        !bus.interface()->isServiceRegistered(ScreenSaverService).value())
        return nullptr;
    // A screen saver that does not tell the idle time (many on X11) is no source.
    const QDBusMessage reply = bus.call(question(), QDBus::Block, 500);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return nullptr;
    bool ok = false;
    const quint64 idle = reply.arguments().constFirst().toULongLong(&ok);
    if (!ok)
        return nullptr;
    return std::unique_ptr<ScreenSaverIdle>(new ScreenSaverIdle(bus, idle));
}

ScreenSaverIdle::ScreenSaverIdle(QDBusConnection bus, quint64 idleMs)
    : m_bus(std::move(bus)), m_timer(new QTimer(this)), m_idleMs(idleMs),
      m_activeSince(idleMs < AskEveryMs) {
    connect(m_timer, &QTimer::timeout, this, &ScreenSaverIdle::ask);
    m_timer->start(AskEveryMs);
}

void ScreenSaverIdle::ask() {
    if (m_asking)
        return; // a desktop that is slow to answer gets no second question meanwhile
    m_asking = true;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(question(), 2000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        m_asking = false;
        // KDE answers a uint, others a uint64: read either.
        const QDBusMessage reply = w->reply();
        bool ok = false;
        const quint64 idle = reply.arguments().value(0).toULongLong(&ok);
        if (reply.type() != QDBusMessage::ReplyMessage || !ok)
            return; // no news is no input
        if (idle < m_idleMs || idle < AskEveryMs)
            m_activeSince = true;
        m_idleMs = idle;
    });
}

bool ScreenSaverIdle::keyPressedSinceLastCall() {
    const bool active = m_activeSince;
    m_activeSince = false;
    return active;
}

} // namespace platform
