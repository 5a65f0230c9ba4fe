#pragma once

#include "InputActivity.h"

#include <QDBusConnection>
#include <QObject>

#include <memory>

namespace platform {

// Input anywhere on a GNOME desktop, Wayland or X11, as its compositor tells it
// (org.gnome.Mutter.IdleMonitor): a watch that fires after a second without input and one
// that fires at the next input, so nothing polls. The compositor tells idle time, not
// keys: every key counts here, Enter and Tab too.
class MutterIdle final : public QObject, public InputActivity {
    Q_OBJECT
public:
    static constexpr int IdleAfterMs = 1000;

    // nullptr where the session bus has no such compositor.
    static std::unique_ptr<MutterIdle> create(QDBusConnection bus = QDBusConnection::sessionBus());

    std::optional<QPoint> cursorPosition() override { return std::nullopt; }
    // Any input since the previous call, or input going on now.
    bool keyPressedSinceLastCall() override;

private Q_SLOTS:
    void watchFired(uint id);

private:
    MutterIdle(QDBusConnection bus, bool idle);
    void watchActivity();

    QDBusConnection m_bus;
    uint m_idleWatch = 0;
    uint m_activeWatch = 0;
    bool m_idle = false;
    bool m_activeSince = false;
};

} // namespace platform
