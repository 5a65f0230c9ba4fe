// Auto-away on GNOME's compositor: the real mutter, headless with XWayland, on a private
// session bus and runtime folder; input made through its remote-desktop interface from a
// session this test holds open (it ends with the connection). Quorvex runs on XWayland
// and on Qt's Wayland platform, on a second of 50 ms (its idle minute lasts 3 s).
#include "AwayWorld.h"
#include "PrivateDisplay.h"
#include "SessionBus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDir>
#include <QElapsedTimer>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

constexpr int Second = 50;

class Mutter {
public:
    explicit Mutter(SessionBus& sessionBus) : bus(sessionBus) {
        ::chmod(QFile::encodeName(runtime.path()).constData(), 0700);
        mutter.setProcessChannelMode(QProcess::MergedChannels);
        mutter.setProcessEnvironment(environment());
        mutter.start(QStringLiteral("mutter"),
                     {QStringLiteral("--headless"), QStringLiteral("--virtual-monitor"),
                      QStringLiteral("1280x800"), QStringLiteral("--wayland")});
        QByteArray said;
        waitUntil(
            [&] {
                said += mutter.readAll();
                const qsizetype at = said.indexOf("Using public X11 display :");
                if (at >= 0)
                    display =
                        QString::fromLatin1(said.mid(at + 25, said.indexOf(',', at) - at - 25));
                return !display.isEmpty();
            },
            20000, 20);
        const QStringList auth =
            QDir(runtime.path())
                .entryList({QStringLiteral(".mutter-Xwaylandauth.*")}, QDir::Hidden | QDir::Files);
        xauthority = auth.isEmpty() ? QString() : runtime.file(auth.first());
        if (display.isEmpty())
            std::fprintf(stderr, "mutter said:\n%s\n", said.constData());
    }
    QProcessEnvironment environment() const {
        QProcessEnvironment env = bus.environment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        return env;
    }
    // The input side: a remote-desktop session held open for the whole test.
    bool startInput() {
        m_input = QDBusConnection::connectToBus(bus.address, QStringLiteral("remote-desktop"));
        // Mutter offers the interface a moment after its display: asked until it answers.
        QDBusMessage made;
        waitUntil(
            [&] {
                made = m_input.call(QDBusMessage::createMethodCall(
                    QStringLiteral("org.gnome.Mutter.RemoteDesktop"),
                    QStringLiteral("/org/gnome/Mutter/RemoteDesktop"),
                    QStringLiteral("org.gnome.Mutter.RemoteDesktop"),
                    QStringLiteral("CreateSession")));
                return made.type() == QDBusMessage::ReplyMessage;
            },
            10000, 100);
        if (made.type() != QDBusMessage::ReplyMessage)
            return false;
        m_session = made.arguments().value(0).value<QDBusObjectPath>().path();
        return session(QStringLiteral("Start"), {}).type() == QDBusMessage::ReplyMessage;
    }
    bool move() {
        return session(QStringLiteral("NotifyPointerMotionRelative"), {3.0, 2.0}).type() ==
               QDBusMessage::ReplyMessage;
    }
    ~Mutter() { QDBusConnection::disconnectFromBus(QStringLiteral("remote-desktop")); }

    TempDir runtime;
    SessionBus& bus;
    Child mutter;
    QString display, xauthority;

private:
    QDBusMessage session(const QString& method, const QVariantList& args) {
        QDBusMessage m = QDBusMessage::createMethodCall(
            QStringLiteral("org.gnome.Mutter.RemoteDesktop"), m_session,
            QStringLiteral("org.gnome.Mutter.RemoteDesktop.Session"), method);
        m.setArguments(args);
        return m_input.call(m);
    }
    QDBusConnection m_input{QString()};
    QString m_session;
};

// Quorvex on a second of 50 ms against the away world, with the session's variables.
void startQuorvex(Child& quorvex, const AwayWorld& world, QProcessEnvironment env,
                  std::initializer_list<std::pair<const char*, QString>> session) {
    for (const auto& [key, value] : session)
        env.insert(QLatin1String(key), value);
    env.insert(QStringLiteral("QUORVEX_HOME"), world.dir.path());
    env.insert(QStringLiteral("TSREMOTE_SOCKET"), world.socket);
    env.insert(QStringLiteral("QUORVEX_TEST_SECOND_MS"), QString::number(Second));
    quorvex.setProcessChannelMode(QProcess::SeparateChannels);
    quorvex.setProcessEnvironment(env);
    quorvex.start(QStringLiteral(QUORVEX_PATH), {});
}

bool says(Child& quorvex, QByteArray& said, const char* what, int ms = 15000) {
    return waitUntil(
        [&] {
            said += quorvex.readAllStandardError();
            return said.contains(what);
        },
        ms);
}

bool haveMutter() {
    return !QStandardPaths::findExecutable(QStringLiteral("mutter")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("Xwayland")).isEmpty();
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

class WaylandE2E : public ::testing::TestWithParam<const char*> {};

TEST_P(WaylandE2E, InputAnywhereKeepsTheOperatorHereAndAMinuteWithoutMakesAway) {
    if (!haveMutter())
        GTEST_SKIP() << "needs mutter and xwayland (scripts/install-packages.sh)";
    SessionBus bus;
    Mutter gnome(bus);
    ASSERT_FALSE(gnome.display.isEmpty()) << "mutter did not start";
    ASSERT_TRUE(gnome.startInput()) << "no remote-desktop session";

    AwayWorld world;
    ASSERT_TRUE(world.sim->ready());
    Child quorvex;
    startQuorvex(quorvex, world, gnome.environment(),
                 {{"WAYLAND_DISPLAY", QStringLiteral("wayland-0")},
                  {"DISPLAY", gnome.display},
                  {"XAUTHORITY", gnome.xauthority},
                  {"XDG_SESSION_TYPE", QStringLiteral("wayland")},
                  {"XDG_CURRENT_DESKTOP", QStringLiteral("GNOME")},
                  {"QT_QPA_PLATFORM", QString::fromLatin1(GetParam())}});
    QByteArray said;
    ASSERT_TRUE(says(quorvex, said, "org.gnome.Mutter.IdleMonitor"))
        << "the compositor's idle time is not used: " << said.constData();

    // Two minutes of input every half minute (the program's time): never away.
    for (int i = 0; i < 8; ++i) {
        ASSERT_TRUE(gnome.move());
        QThread::msleep(15 * Second);
    }
    EXPECT_FALSE(world.away()) << "away while the person kept working";
    // A minute without input: away; the next move: back within a tick or two.
    ASSERT_TRUE(waitUntil([&] { return world.away(); }, 120 * Second))
        << world.sim->output().toStdString();
    ASSERT_TRUE(gnome.move());
    EXPECT_TRUE(waitUntil([&] { return world.back(); }, 2000)) << "the move did not end the away";
    EXPECT_TRUE(quorvex.state() == QProcess::Running);
}

INSTANTIATE_TEST_SUITE_P(Platforms, WaylandE2E, ::testing::Values("xcb", "wayland"));

// Started before the desktop's shell (an autostart can be), on X11 alone: the program
// changes over once the compositor's idle monitor appears on the session bus, and input
// made through the compositor (which the X server never sees) then ends an away.
TEST(WaylandLateE2E, ACompositorComingUpAfterTheProgramIsFollowed) {
    if (!haveMutter() || QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty())
        GTEST_SKIP() << "needs mutter, xwayland and Xvfb (scripts/install-packages.sh)";
    SessionBus bus;
    PrivateDisplay x11;
    ASSERT_FALSE(x11.name.isEmpty());
    AwayWorld world;
    ASSERT_TRUE(world.sim->ready());
    Child quorvex;
    startQuorvex(quorvex, world, bus.environment(),
                 {{"DISPLAY", x11.name}, {"QT_QPA_PLATFORM", QStringLiteral("xcb")}});
    ASSERT_TRUE(waitUntil([&] { return world.sim->output().contains("tsrSetPlayerFlags"); }))
        << "the program did not start";
    QByteArray said;
    EXPECT_FALSE(says(quorvex, said, "org.gnome.Mutter.IdleMonitor", 500));

    Mutter gnome(bus);
    ASSERT_FALSE(gnome.display.isEmpty()) << "mutter did not start";
    ASSERT_TRUE(says(quorvex, said, "org.gnome.Mutter.IdleMonitor"))
        << "the compositor that came later is not followed: " << said.constData();
    ASSERT_TRUE(gnome.startInput()) << "no remote-desktop session";
    ASSERT_TRUE(waitUntil([&] { return world.away(); }, 120 * Second));
    ASSERT_TRUE(gnome.move());
    EXPECT_TRUE(waitUntil([&] { return world.back(); }, 2000)) << "the move did not end the away";
}

// A desktop that only tells the idle time through the screen saver's interface (KDE
// Plasma, also on Wayland): it is followed on X11 too, where the X server sees no input.
TEST(ScreenSaverE2E, ADesktopThatTellsTheIdleTimeIsFollowed) {
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty())
        GTEST_SKIP() << "needs Xvfb (scripts/install-packages.sh)";
    SessionBus bus;
    IdleDesktop desktop;
    {
        QDBusConnection c = QDBusConnection::connectToBus(bus.address, QStringLiteral("desktop"));
        ASSERT_TRUE(c.registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"), &desktop,
                                     QDBusConnection::ExportScriptableSlots));
        ASSERT_TRUE(c.registerService(QStringLiteral("org.freedesktop.ScreenSaver")));
    }
    PrivateDisplay x11;
    AwayWorld world;
    ASSERT_TRUE(world.sim->ready());
    Child quorvex;
    startQuorvex(quorvex, world, bus.environment(),
                 {{"DISPLAY", x11.name}, {"QT_QPA_PLATFORM", QStringLiteral("xcb")}});
    QByteArray said;
    ASSERT_TRUE(says(quorvex, said, "(org.freedesktop.ScreenSaver)")) << said.constData();
    const auto serveFor = [](int ms) { waitUntil([] { return false; }, ms); };
    for (int i = 0; i < 8; ++i) {
        desktop.input();
        serveFor(15 * Second);
    }
    EXPECT_FALSE(world.away()) << "away while the person kept working";
    ASSERT_TRUE(waitUntil([&] { return world.away(); }, 120 * Second));
    desktop.input();
    EXPECT_TRUE(waitUntil([&] { return world.back(); }, 3000)) << "input did not end the away";
    quorvex.stop();
    QDBusConnection::disconnectFromBus(QStringLiteral("desktop"));
}

#include "Wayland_e2e_test.moc"
