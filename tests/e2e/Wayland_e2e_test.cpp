// Auto-away on GNOME's compositor: the real mutter, headless with XWayland, on a private
// session bus and runtime folder; input made through its remote-desktop interface from a
// session this test holds open (it ends with the connection). Quorvex runs on XWayland
// and on Qt's Wayland platform, on a second of 50 ms (its idle minute lasts 3 s).
#include "AwayWorld.h"
#include "MutterRig.h"
#include "PrivateDisplay.h"
#include "SessionBus.h"

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace {

constexpr int Second = 50;

bool have(std::initializer_list<const char*> tools) {
    return std::all_of(tools.begin(), tools.end(), [](const char* t) {
        return !QStandardPaths::findExecutable(QString::fromLatin1(t)).isEmpty();
    });
}

// A desktop that tells the idle time through the screen saver's interface, as KDE Plasma
// does: the time since the test last called input().
class IdleDesktop : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    IdleDesktop() { m_since.start(); }
    void input() { m_since.restart(); }
public Q_SLOTS:
    Q_SCRIPTABLE uint GetSessionIdleTime() { return static_cast<uint>(m_since.elapsed()); }

private:
    QElapsedTimer m_since;
};

} // namespace

// Quorvex on a second of 50 ms against the away world, on a private session bus.
class IdleE2E : public ::testing::Test {
protected:
    void start(QProcessEnvironment env,
               std::initializer_list<std::pair<const char*, QString>> vars) {
        for (const auto& [key, value] : vars)
            env.insert(QLatin1String(key), value);
        env.insert(QStringLiteral("QUORVEX_HOME"), world.dir.path());
        env.insert(QStringLiteral("TSREMOTE_SOCKET"), world.socket);
        env.insert(QStringLiteral("QUORVEX_TEST_SECOND_MS"), QString::number(Second));
        quorvex.setProcessChannelMode(QProcess::SeparateChannels);
        quorvex.setProcessEnvironment(env);
        quorvex.start(QStringLiteral(QUORVEX_PATH), {});
    }
    bool says(const char* what, int ms = 15000) {
        return waitUntil(
            [&] {
                said += quorvex.readAllStandardError();
                return said.contains(what);
            },
            ms);
    }
    // Input every half minute (the program's time) for two minutes keeps the operator; a
    // minute without makes away; the next input brings them back.
    void expectAwayToFollow(const std::function<bool()>& input) {
        qsizetype from = 0;
        for (int i = 0; i < 9; ++i) {
            ASSERT_TRUE(input());
            waitUntil([] { return false; }, 15 * Second); // serving the bus meanwhile
            if (i == 0)
                from = world.mark(); // back from an away before the input began
        }
        EXPECT_FALSE(world.away(from)) << "away while the person kept working";
        ASSERT_TRUE(waitUntil([&] { return world.away(from); }, 120 * Second));
        ASSERT_TRUE(input());
        EXPECT_TRUE(waitUntil([&] { return world.back(); }, 3000)) << "input did not end the away";
    }

    SessionBus bus;
    AwayWorld world;
    Child quorvex;
    QByteArray said;
};

class WaylandE2E : public IdleE2E, public ::testing::WithParamInterface<const char*> {};

TEST_P(WaylandE2E, InputAnywhereKeepsTheOperatorHereAndAMinuteWithoutMakesAway) {
    if (!have({"mutter", "Xwayland"}))
        GTEST_SKIP() << "needs mutter and xwayland (scripts/install-packages.sh)";
    Mutter gnome(bus);
    ASSERT_FALSE(gnome.display.isEmpty()) << "mutter did not start";
    ASSERT_TRUE(gnome.startInput()) << "no remote-desktop session";
    start(gnome.environment(), {{"WAYLAND_DISPLAY", QStringLiteral("wayland-0")},
                                {"DISPLAY", gnome.display},
                                {"XAUTHORITY", gnome.xauthority},
                                {"XDG_SESSION_TYPE", QStringLiteral("wayland")},
                                {"XDG_CURRENT_DESKTOP", QStringLiteral("GNOME")},
                                {"QT_QPA_PLATFORM", QString::fromLatin1(GetParam())}});
    ASSERT_TRUE(says("org.gnome.Mutter.IdleMonitor")) << said.constData();
    expectAwayToFollow([&] { return gnome.move(); });
}

INSTANTIATE_TEST_SUITE_P(Platforms, WaylandE2E, ::testing::Values("xcb", "wayland"));

// Started before the desktop's shell (an autostart can be), on X11 alone: the program
// changes over once the compositor's idle monitor appears, and input made through the
// compositor (which the X server never sees) is followed.
TEST_F(IdleE2E, ACompositorComingUpAfterTheProgramIsFollowed) {
    if (!have({"mutter", "Xwayland", "Xvfb"}))
        GTEST_SKIP() << "needs mutter, xwayland and Xvfb (scripts/install-packages.sh)";
    PrivateDisplay x11;
    start(bus.environment(), {{"DISPLAY", x11.name}, {"QT_QPA_PLATFORM", QStringLiteral("xcb")}});
    ASSERT_TRUE(waitUntil([&] { return world.sim->output().contains("tsrSetPlayerFlags"); }));
    EXPECT_FALSE(says("org.gnome.Mutter.IdleMonitor", 500));
    Mutter gnome(bus);
    ASSERT_FALSE(gnome.display.isEmpty()) << "mutter did not start";
    ASSERT_TRUE(says("org.gnome.Mutter.IdleMonitor")) << said.constData();
    ASSERT_TRUE(gnome.startInput()) << "no remote-desktop session";
    expectAwayToFollow([&] { return gnome.move(); });
}

// A desktop that only tells the idle time through the screen saver's interface (KDE
// Plasma, also on Wayland): it is followed on X11 too, where the X server sees no input.
TEST_F(IdleE2E, ADesktopThatTellsTheIdleTimeThroughTheScreenSaverIsFollowed) {
    if (!have({"Xvfb"}))
        GTEST_SKIP() << "needs Xvfb (scripts/install-packages.sh)";
    IdleDesktop desktop;
    QDBusConnection served = QDBusConnection::connectToBus(bus.address, QStringLiteral("desktop"));
    ASSERT_TRUE(served.registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"), &desktop,
                                      QDBusConnection::ExportScriptableSlots));
    ASSERT_TRUE(served.registerService(QStringLiteral("org.freedesktop.ScreenSaver")));
    PrivateDisplay x11;
    start(bus.environment(), {{"DISPLAY", x11.name}, {"QT_QPA_PLATFORM", QStringLiteral("xcb")}});
    ASSERT_TRUE(says("(org.freedesktop.ScreenSaver)")) << said.constData();
    expectAwayToFollow([&] {
        desktop.input();
        return true;
    });
    quorvex.stop();
    QDBusConnection::disconnectFromBus(QStringLiteral("desktop"));
}

#include "Wayland_e2e_test.moc"
