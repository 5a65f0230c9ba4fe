// The Wayland idle source's ext-idle-notify-v1 path against a stand-in compositor in this
// process (no compositor here offers that protocol): a seat and the notifier, whose
// notification the test makes fire idled and resumed.
#include "WaylandIdle.h"

#include "TempDir.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <thread>

#include <wayland-server.h>

#include "ext-idle-notify-v1-server.h"

namespace {

// What the client asked of the notifier.
struct Notified {
    wl_resource* notification = nullptr;
    uint32_t timeoutMs = 0;
};

struct Compositor {
    Compositor() {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        display = wl_display_create();
        socket = wl_display_add_socket_auto(display);
        wl_global_create(display, &wl_seat_interface, 1, this,
                         [](wl_client* c, void*, uint32_t v, uint32_t id) {
                             wl_resource_set_implementation(
                                 wl_resource_create(c, &wl_seat_interface, static_cast<int>(v), id),
                                 &seatRequests, nullptr, nullptr);
                         });
        wl_global_create(
            display, &ext_idle_notifier_v1_interface, 1, &notified,
            [](wl_client* c, void* data, uint32_t v, uint32_t id) {
                wl_resource_set_implementation(
                    wl_resource_create(c, &ext_idle_notifier_v1_interface, static_cast<int>(v), id),
                    &notifierRequests, data, nullptr);
            });
    }
    ~Compositor() {
        wl_display_destroy_clients(display);
        wl_display_destroy(display);
    }
    // Serves the clients for a while; on the test's thread, its Qt events too (the idle
    // source reads in them).
    void serve(int ms, bool qtEvents = true) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            wl_event_loop_dispatch(wl_display_get_event_loop(display), 2);
            wl_display_flush_clients(display);
            if (qtEvents)
                QCoreApplication::processEvents();
        }
    }

    TempDir runtime;
    wl_display* display = nullptr;
    const char* socket = nullptr;
    Notified notified;

    static inline const struct wl_seat_interface seatRequests = {
        [](wl_client*, wl_resource*, uint32_t) {}, [](wl_client*, wl_resource*, uint32_t) {},
        [](wl_client*, wl_resource*, uint32_t) {},
        [](wl_client*, wl_resource* r) { wl_resource_destroy(r); }};
    static inline const struct ext_idle_notification_v1_interface notificationRequests = {
        [](wl_client*, wl_resource* r) { wl_resource_destroy(r); }};
    static inline const struct ext_idle_notifier_v1_interface notifierRequests = {
        [](wl_client*, wl_resource* r) { wl_resource_destroy(r); },
        [](wl_client* c, wl_resource* notifier, uint32_t id, uint32_t timeout, wl_resource*) {
            auto* n = static_cast<Notified*>(wl_resource_get_user_data(notifier));
            n->notification = wl_resource_create(c, &ext_idle_notification_v1_interface, 1, id);
            wl_resource_set_implementation(n->notification, &notificationRequests, nullptr,
                                           [](wl_resource*) {});
            n->timeoutMs = timeout;
        }};
};

} // namespace

TEST(WaylandIdle, FollowsTheCompositorsIdleNotification) {
    Compositor compositor;
    ASSERT_NE(compositor.socket, nullptr);
    qputenv("WAYLAND_DISPLAY", compositor.socket);
    std::unique_ptr<platform::WaylandIdle> idle;
    // Its start waits on the compositor's answers: served from another look meanwhile.
    std::thread serving([&] { compositor.serve(1500, false); });
    idle = platform::WaylandIdle::create();
    serving.join();
    ASSERT_TRUE(idle) << "the notifier was not taken up";
    EXPECT_STREQ(idle->protocol(), "ext-idle-notify-v1");
    EXPECT_EQ(compositor.notified.timeoutMs, 1000u);
    ASSERT_NE(compositor.notified.notification, nullptr);
    EXPECT_TRUE(idle->keyPressedSinceLastCall()) << "active until the compositor says idle";

    ext_idle_notification_v1_send_idled(compositor.notified.notification);
    compositor.serve(200);
    EXPECT_FALSE(idle->keyPressedSinceLastCall()) << "idle as the compositor said";
    EXPECT_FALSE(idle->keyPressedSinceLastCall());
    ext_idle_notification_v1_send_resumed(compositor.notified.notification);
    compositor.serve(200);
    EXPECT_TRUE(idle->keyPressedSinceLastCall()) << "input resumed";
    idle.reset();
    qunsetenv("WAYLAND_DISPLAY");
}
