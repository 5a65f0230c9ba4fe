#pragma once

#include "InputActivity.h"

#include <QObject>

#include <memory>

class QSocketNotifier;
struct wl_display;
struct wl_registry;
struct wl_seat;
struct org_kde_kwin_idle;
struct org_kde_kwin_idle_timeout;
struct ext_idle_notifier_v1;
struct ext_idle_notification_v1;

namespace platform {

// Input anywhere on a Wayland desktop whose compositor tells idle time by protocol: KDE's
// org_kde_kwin_idle (KWin, sway 1.7) or ext-idle-notify-v1 (newer compositors), on a
// connection of its own, so it works while the program's windows go through XWayland. A
// timeout after a second without input, and the compositor's word when input resumes:
// nothing polls. Every key counts here.
class WaylandIdle final : public QObject, public InputActivity {
    Q_OBJECT
public:
    static constexpr int IdleAfterMs = 1000;

    // nullptr where no Wayland compositor offers either protocol (WAYLAND_DISPLAY).
    static std::unique_ptr<WaylandIdle> create();
    ~WaylandIdle() override;

    std::optional<QPoint> cursorPosition() override { return std::nullopt; }
    bool keyPressedSinceLastCall() override;
    const char* protocol() const;

    // The compositor's events; public for its C callbacks.
    void idled() { m_idle = true; }
    void resumed() {
        m_idle = false;
        m_activeSince = true;
    }
    struct Globals {
        wl_seat* seat = nullptr;
        org_kde_kwin_idle* kde = nullptr;
        ext_idle_notifier_v1* ext = nullptr;
    };

private:
    explicit WaylandIdle(wl_display* display);
    void readEvents();

    wl_display* m_display = nullptr;
    wl_registry* m_registry = nullptr;
    Globals m_globals;
    org_kde_kwin_idle_timeout* m_kdeTimeout = nullptr;
    ext_idle_notification_v1* m_extNotification = nullptr;
    QSocketNotifier* m_notifier = nullptr;
    bool m_idle = false;
    bool m_activeSince = false;
};

} // namespace platform
