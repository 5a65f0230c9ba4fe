#include "SessionIdle.h"

#include <QDBusServiceWatcher>

#include <cstdio>

namespace platform {

SessionIdle::SessionIdle(Fallback fallback, QDBusConnection bus)
    : m_makeFallback(std::move(fallback)), m_bus(std::move(bus)) {
    if (m_bus.isConnected()) {
        m_watcher = new QDBusServiceWatcher(QStringLiteral("org.gnome.Mutter.IdleMonitor"), m_bus,
                                            QDBusServiceWatcher::WatchForRegistration |
                                                QDBusServiceWatcher::WatchForUnregistration,
                                            this);
        connect(m_watcher, &QDBusServiceWatcher::serviceRegistered, this,
                &SessionIdle::compositorCame);
        connect(m_watcher, &QDBusServiceWatcher::serviceUnregistered, this,
                &SessionIdle::compositorWent);
    }
    compositorCame();
    if (!m_mutter)
        compositorWent();
}

SessionIdle::~SessionIdle() = default;

void SessionIdle::compositorCame() {
    if (m_mutter)
        return;
    m_mutter = MutterIdle::create(m_bus);
    if (!m_mutter)
        return;
    std::fputs("quorvex: auto-away follows the idle time of GNOME's compositor "
               "(org.gnome.Mutter.IdleMonitor); every key counts there\n",
               stderr);
}

void SessionIdle::compositorWent() {
    const bool had = m_mutter != nullptr;
    m_mutter.reset();
    if (!m_fallback && m_makeFallback)
        m_fallback = m_makeFallback();
    if (had) {
        std::fputs("quorvex: GNOME's compositor no longer tells the idle time; auto-away "
                   "follows the input it can see itself\n",
                   stderr);
    }
}

InputActivity& SessionIdle::current() {
    if (m_mutter)
        return *m_mutter;
    if (!m_fallback)
        m_fallback = m_makeFallback();
    return *m_fallback;
}

} // namespace platform
