// Auto-away on GNOME's compositor: the real mutter, headless with XWayland, on a private
// session bus and runtime folder; input made through its remote-desktop interface from a
// session this test holds open (it ends with the connection). Quorvex runs on XWayland
// and on Qt's Wayland platform, on a second of 50 ms (its idle minute lasts 3 s).
#include "AwayWorld.h"
#include "MainWindowSpots.h"
#include "MutterRig.h"
#include "PrivateDisplay.h"
#include "SessionBus.h"

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int Second = 50;

bool have(std::initializer_list<const char*> tools) {
    return std::all_of(tools.begin(), tools.end(), [](const char* t) {
        return !QStandardPaths::findExecutable(QString::fromLatin1(t)).isEmpty();
    });
}

// sway 1.7 headless, a compositor that tells idle time by KDE's protocol; as root it runs
// as nobody (it will not keep root), in a runtime folder of that user. Input comes through
// its virtual keyboard (wtype).
class Sway {
public:
    Sway() {
        ::chmod(QFile::encodeName(runtime.path()).constData(), 0700);
        const bool root = ::getuid() == 0;
        if (root && ::chown(QFile::encodeName(runtime.path()).constData(), 65534, 65534) != 0)
            return;
        runtime.write(QStringLiteral("config"), "");
        sway.setProcessEnvironment(
            environmentWith({{QStringLiteral("XDG_RUNTIME_DIR"), runtime.path()},
                             {QStringLiteral("HOME"), runtime.path()},
                             {QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless")},
                             {QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1")},
                             {QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman")}}));
        sway.setStandardOutputFile(QProcess::nullDevice());
        QStringList command{QStringLiteral("sway"), QStringLiteral("-c"),
                            runtime.file(QStringLiteral("config"))};
        if (root)
            // The death signal again after the change of user, which clears the test's.
            command =
                QStringList{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                            QStringLiteral("--clear-groups"), QStringLiteral("--pdeathsig=KILL")} +
                command;
        sway.start(root ? QStringLiteral("setpriv") : command.takeFirst(), command);
        waitUntil(
            [&] {
                const QStringList sockets =
                    QDir(runtime.path()).entryList({QStringLiteral("wayland-?")}, QDir::System);
                socket = sockets.value(0);
                return !socket.isEmpty();
            },
            10000, 20);
    }
    // A key typed through the compositor's virtual keyboard, as a person's would arrive.
    bool input() const {
        return runTool(QStringLiteral("wtype"), {QStringLiteral("-k"), QStringLiteral("space")},
                       nullptr,
                       environmentWith({{QStringLiteral("XDG_RUNTIME_DIR"), runtime.path()},
                                        {QStringLiteral("WAYLAND_DISPLAY"), socket}}),
                       3000);
    }

    TempDir runtime;
    Child sway;
    QString socket; // empty when sway did not start
};

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

// A Wayland compositor that tells idle time by protocol (here sway 1.7 with KDE's; KWin
// offers it too): followed over a connection of the program's own, its windows elsewhere.
TEST_F(IdleE2E, AWaylandCompositorsIdleProtocolIsFollowed) {
    if (!have({"sway", "setpriv", "wtype"}))
        GTEST_SKIP() << "needs sway and wtype (scripts/install-packages.sh)";
    Sway sway;
    ASSERT_FALSE(sway.socket.isEmpty()) << "sway did not start";
    start(bus.environment(), {{"XDG_RUNTIME_DIR", sway.runtime.path()},
                              {"WAYLAND_DISPLAY", sway.socket},
                              {"QT_QPA_PLATFORM", QStringLiteral("offscreen")}});
    ASSERT_TRUE(says("(org_kde_kwin_idle)")) << said.constData();
    expectAwayToFollow([&] { return sway.input(); });
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

// How the windows behave on GNOME through XWayland (the default on a Wayland session),
// measured as X11 lets them be: the main window comes back where it stood after settings
// page 1, and the speaker window asks the compositor to stay on top.
TEST_F(IdleE2E, WindowsOnGnomeThroughXWayland) {
    if (!have({"mutter", "Xwayland", "xdotool", "xprop"}))
        GTEST_SKIP() << "needs mutter, xwayland, xdotool, xprop (scripts/install-packages.sh)";
    Mutter gnome(bus);
    ASSERT_FALSE(gnome.display.isEmpty()) << "mutter did not start";
    start(gnome.environment(), {{"WAYLAND_DISPLAY", QStringLiteral("wayland-0")},
                                {"DISPLAY", gnome.display},
                                {"XAUTHORITY", gnome.xauthority},
                                {"XDG_SESSION_TYPE", QStringLiteral("wayland")},
                                {"XDG_CURRENT_DESKTOP", QStringLiteral("GNOME")},
                                {"QT_QPA_PLATFORM", QStringLiteral("xcb")}});
    PrivateDisplay x(gnome.display, gnome.xauthority);
    const QPoint cancel = onPageOne(world.dir.file(QStringLiteral("ts.ini")),
                                    [](frmOptions& p) { return p.cmdCancel; });
    const QByteArray main = x.window(QStringLiteral("^Quorvex "), 20000);
    ASSERT_FALSE(main.isEmpty()) << "no main window on XWayland";
    QThread::msleep(500);
    const QRect first = x.geometry(main);
    const QByteArray page = x.clickUntil(main, SettingsGear, QStringLiteral("^Einstellungen$"));
    ASSERT_FALSE(page.isEmpty()) << "the settings gear did not open page 1";
    ASSERT_TRUE(x.click(page, cancel));
    EXPECT_TRUE(waitUntil([&] {
        return !x.window(QStringLiteral("^Quorvex "), 200).isEmpty() && x.geometry(main) == first;
    })) << "not back where it stood";

    ASSERT_TRUE(x.xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"),
                           QString::fromLatin1(main), QStringLiteral("207"), QStringLiteral("184"),
                           QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("2"),
                           QStringLiteral("1")}));
    const QByteArray speaker = x.window(QStringLiteral("^[0-9]+%$"), 5000);
    ASSERT_FALSE(speaker.isEmpty()) << "no speaker window";
    QByteArray state;
    runTool(QStringLiteral("xprop"),
            {QStringLiteral("-id"), QString::fromLatin1(speaker), QStringLiteral("_NET_WM_STATE")},
            &state,
            environmentWith({{QStringLiteral("DISPLAY"), gnome.display},
                             {QStringLiteral("XAUTHORITY"), gnome.xauthority}}));
    EXPECT_TRUE(state.contains("_NET_WM_STATE_ABOVE")) << state.constData();
}

#include "Wayland_e2e_test.moc"
