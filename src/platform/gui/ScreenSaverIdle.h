#pragma once

#include "InputActivity.h"

#include <QDBusConnection>
#include <QObject>

#include <memory>

class QTimer;

namespace platform {

// The session's idle time where the desktop answers org.freedesktop.ScreenSaver's
// GetSessionIdleTime (KDE Plasma, on Wayland too), asked once a second without waiting
// for the answer. Like every desktop-reported idle time it cannot tell keys apart: any
// key counts.
class ScreenSaverIdle final : public QObject, public InputActivity {
    Q_OBJECT
public:
    static constexpr int AskEveryMs = 1000;

    // nullptr where no desktop on the bus answers the question.
    static std::unique_ptr<ScreenSaverIdle>
    create(QDBusConnection bus = QDBusConnection::sessionBus());

    std::optional<QPoint> cursorPosition() override { return std::nullopt; }
    // Input since the previous call: the idle time fell, or is shorter than a question's
    // interval.
    bool keyPressedSinceLastCall() override;

private:
    ScreenSaverIdle(QDBusConnection bus, quint64 idleMs);
    void ask();

    QDBusConnection m_bus;
    QTimer* m_timer = nullptr;
    quint64 m_idleMs = 0;
    bool m_activeSince = false;
    bool m_asking = false;
};

} // namespace platform
