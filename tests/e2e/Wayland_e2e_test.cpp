// Auto-away on GNOME's compositor: the real mutter, headless with XWayland, on a private
// session bus and runtime folder; input made through its remote-desktop interface from a
// session this test holds open (it ends with the connection). Quorvex runs on XWayland
// and on Qt's Wayland platform, on a second of 50 ms (its idle minute lasts 3 s).
#include "AwayWorld.h"
#include "SessionBus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDir>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

constexpr int Second = 50;

class Mutter {
public:
    Mutter() {
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
    SessionBus bus;
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

} // namespace

class WaylandE2E : public ::testing::TestWithParam<const char*> {};

TEST_P(WaylandE2E, InputAnywhereKeepsTheOperatorHereAndAMinuteWithoutMakesAway) {
    if (QStandardPaths::findExecutable(QStringLiteral("mutter")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("Xwayland")).isEmpty())
        GTEST_SKIP() << "needs mutter and xwayland (scripts/install-packages.sh)";
    Mutter gnome;
    ASSERT_FALSE(gnome.display.isEmpty()) << "mutter did not start";
    ASSERT_TRUE(gnome.startInput()) << "no remote-desktop session";

    AwayWorld world;
    ASSERT_TRUE(world.sim->ready());
    QProcessEnvironment env = gnome.environment();
    for (const auto& [key, value] : {std::pair{"WAYLAND_DISPLAY", QStringLiteral("wayland-0")},
                                     {"DISPLAY", gnome.display},
                                     {"XAUTHORITY", gnome.xauthority},
                                     {"XDG_SESSION_TYPE", QStringLiteral("wayland")},
                                     {"XDG_CURRENT_DESKTOP", QStringLiteral("GNOME")},
                                     {"QT_QPA_PLATFORM", QString::fromLatin1(GetParam())},
                                     {"QUORVEX_HOME", world.dir.path()},
                                     {"TSREMOTE_SOCKET", world.socket},
                                     {"QUORVEX_TEST_SECOND_MS", QString::number(Second)}})
        env.insert(QLatin1String(key), value);
    Child quorvex;
    quorvex.setProcessChannelMode(QProcess::SeparateChannels);
    quorvex.setProcessEnvironment(env);
    quorvex.start(QStringLiteral(QUORVEX_PATH), {});
    QByteArray said;
    ASSERT_TRUE(waitUntil(
        [&] {
            said += quorvex.readAllStandardError();
            return said.contains("org.gnome.Mutter.IdleMonitor");
        },
        15000))
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
