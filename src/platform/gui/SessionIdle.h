#pragma once

#include "InputActivity.h"
#include "MutterIdle.h"

#include <QDBusConnection>
#include <QObject>

#include <functional>
#include <memory>

class QDBusServiceWatcher;

namespace platform {

// The session's idle time from GNOME's compositor while it offers it, else from the
// fallback (X11's raw input, or the program's own windows). A program started before the
// desktop's shell (autostart) changes over once the compositor's monitor appears, and
// back when it goes (a shell restarted); each change is said once on standard error.
class SessionIdle final : public QObject, public InputActivity {
    Q_OBJECT
public:
    using Fallback = std::function<std::unique_ptr<InputActivity>()>;
    explicit SessionIdle(Fallback fallback, QDBusConnection bus = QDBusConnection::sessionBus());
    ~SessionIdle() override;

    std::optional<QPoint> cursorPosition() override { return current().cursorPosition(); }
    bool keyPressedSinceLastCall() override { return current().keyPressedSinceLastCall(); }
    bool followsCompositor() const { return m_mutter != nullptr; }

private:
    void compositorCame();
    void compositorWent();
    InputActivity& current();

    Fallback m_makeFallback;
    QDBusConnection m_bus;
    std::unique_ptr<MutterIdle> m_mutter;
    std::unique_ptr<InputActivity> m_fallback;
    QDBusServiceWatcher* m_watcher = nullptr;
};

} // namespace platform
