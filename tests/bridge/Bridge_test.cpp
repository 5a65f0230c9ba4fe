// tsremote-bridge between our 64-bit libTSRemote.so and a fake client library, run as
// built for the host and, where this host executes it, as built for i386.
#include "BridgeBuilds.h"
#include "Rig.h"
#include "TempDir.h"
#include "TsrWire.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

class BridgeTest : public ::testing::TestWithParam<BridgeBuild> {
protected:
    void SetUp() override {
        if (const QString why = whyBuildCannotRun(GetParam()); !why.isEmpty())
            GTEST_SKIP() << why.toStdString();
    }
    QString bridgePath() const { return QString::fromLatin1(GetParam().bridge); }
    QString fakeLibrary() const { return QString::fromLatin1(GetParam().library); }

    TempDir dir;
    Child bridge;
    QString socket = dir.file(QStringLiteral("client.sock"));

    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TSREMOTE_SOCKET"), socket);
        env.insert(QStringLiteral("HOME"), dir.path());
        env.remove(QStringLiteral("TSREMOTE_CLIENT_LIBRARY"));
        return env;
    }
    bool startBridge(const QProcessEnvironment& extra = {}) {
        QProcessEnvironment env = environment();
        env.insert(extra);
        bridge.setProcessEnvironment(env);
        bridge.start(bridgePath(), {QStringLiteral("--library"), fakeLibrary()});
        return waitUntil([&] { return !bridge.running() || QFileInfo::exists(socket); }) &&
               bridge.running();
    }
    QString run(const char* program, const QStringList& arguments) const {
        QProcess p;
        p.setProcessEnvironment(environment());
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(QString::fromLatin1(program), arguments);
        if (!p.waitForFinished(20000) || p.exitCode() != 0)
            return QStringLiteral("<failed>");
        return QString::fromLatin1(p.readAllStandardOutput());
    }
};

TEST_P(BridgeTest, EveryCallGivesWhatTheLibraryGivesDirectly) {
    ASSERT_TRUE(startBridge());
    const QString direct = run(GetParam().dump, {fakeLibrary()});
    const QString through = run(DUMP_PATH, {QStringLiteral(LIBTSREMOTE_PATH)});
    ASSERT_NE(direct, QStringLiteral("<failed>"));
    EXPECT_TRUE(direct.contains(QStringLiteral("tsrGetServerInfo 0\n")));
    EXPECT_TRUE(direct.contains(QStringLiteral("tsrSwitchChannelID 2 falsch -8\n")));
    EXPECT_EQ(direct.count(QStringLiteral("\n  error")), 8) << direct.toStdString();
    // Results, every record byte and every error text the same.
    EXPECT_EQ(through.toStdString(), direct.toStdString());
}

TEST_P(BridgeTest, AHangingCallIsAnsweredWithinTheBoundAndTheBridgeGoesOn) {
    QProcessEnvironment hang;
    hang.insert(QStringLiteral("FAKE_CLIENT_HANG"), QStringLiteral("tsrKickPlayerFromServer:3000"));
    ASSERT_TRUE(startBridge(hang));
    const QString out = run(DUMP_PATH, {QStringLiteral(LIBTSREMOTE_PATH), QStringLiteral("hang")});
    std::printf("%s", out.toStdString().c_str());
    const QStringList lines = out.split(QLatin1Char('\n'));
    ASSERT_GE(lines.size(), 5) << out.toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("tsrKickPlayerFromServer -2"));
    // "TeamSpeak 2 antwortet nicht"
    EXPECT_TRUE(
        out.contains(QStringLiteral("5465616d537065616b203220616e74776f72746574206e69636874")));
    const int hungMs = lines.filter(QStringLiteral("ms ")).value(0).mid(3).toInt();
    const int nextMs = lines.filter(QStringLiteral("ms ")).value(1).mid(3).toInt();
    EXPECT_LT(hungMs, 200) << "within our library's own deadline";
    EXPECT_TRUE(out.contains(QStringLiteral("tsrGetServerInfo 0\n"))) << "the next call works";
    EXPECT_LT(nextMs, 100);
}

namespace {

int connectTo(const QString& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    std::memcpy(address.sun_path, name.constData(), static_cast<std::size_t>(name.size()));
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

// Clients that idle, stop in the middle of a frame, or send and never read: none of
// them holds up the program's own calls.
TEST_P(BridgeTest, StuckClientsNeverStarveAnother) {
    ASSERT_TRUE(startBridge());
    const int idle = connectTo(socket);
    const int half = connectTo(socket);
    const int deaf = connectTo(socket);
    ASSERT_TRUE(idle >= 0 && half >= 0 && deaf >= 0);
    const auto request = tsrwire::frame(tsrwire::Op::GetServerInfo, {});
    ASSERT_EQ(::send(half, request.data(), 5, MSG_NOSIGNAL), 5);
    ::fcntl(deaf, F_SETFL, O_NONBLOCK);
    for (int i = 0; i < 4000; ++i) {
        if (::send(deaf, request.data(), request.size(), MSG_NOSIGNAL) < 0)
            break;
    }
    QElapsedTimer t;
    t.start();
    const QString through = run(DUMP_PATH, {QStringLiteral(LIBTSREMOTE_PATH)});
    std::printf("measured: the full call list beside three stuck clients took %lld ms\n",
                static_cast<long long>(t.elapsed()));
    EXPECT_TRUE(through.contains(QStringLiteral("tsrGetServerInfo 0\n"))) << through.toStdString();
    EXPECT_LT(t.elapsed(), 5000);
    for (int fd : {idle, half, deaf})
        ::close(fd);
}

// A count the library reports beyond the room offered never reaches the program.
TEST_P(BridgeTest, ACountBeyondTheRoomIsHeldToIt) {
    QProcessEnvironment over;
    over.insert(QStringLiteral("FAKE_CLIENT_OVERCOUNT"), QStringLiteral("1"));
    ASSERT_TRUE(startBridge(over));
    const QString through = run(DUMP_PATH, {QStringLiteral(LIBTSREMOTE_PATH)});
    EXPECT_TRUE(through.contains(QStringLiteral("tsrGetPlayers 2 0\n  count 2\n")))
        << through.toStdString();
}

// A socket folder that cannot be used is named in the message.
TEST_P(BridgeTest, AnUnusableSocketFolderIsNamed) {
    QProcessEnvironment env;
    env.insert(QStringLiteral("TSREMOTE_SOCKET"), QString());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QStringLiteral("/proc/1"));
    bridge.setProcessEnvironment([&] {
        QProcessEnvironment e = environment();
        e.insert(env);
        return e;
    }());
    bridge.setProcessChannelMode(QProcess::SeparateChannels); // the message is read here
    bridge.start(bridgePath(), {QStringLiteral("--library"), fakeLibrary()});
    ASSERT_TRUE(bridge.waitForFinished(10000));
    EXPECT_NE(bridge.exitCode(), 0);
    EXPECT_TRUE(QString::fromLocal8Bit(bridge.readAllStandardError())
                    .contains(QStringLiteral("/proc/1/tsremote.sock")));
}

TEST_P(BridgeTest, WithoutALibraryItSaysWhereItLookedAndFails) {
    QProcess p;
    p.setProcessEnvironment(environment());
    p.start(bridgePath(), {});
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitCode(), 3) << "the status the user unit does not restart on";
    const QString said = QString::fromLocal8Bit(p.readAllStandardError());
    for (const QString& path :
         {QStringLiteral("/usr/local/lib/teamspeak2/client_sdk/libTSRemote.so.0.4"),
          QStringLiteral("/opt/teamspeak2/client_sdk/libTSRemote.so"),
          dir.file(QStringLiteral("teamspeak2/client_sdk/libTSRemote.so.0.4"))})
        EXPECT_TRUE(said.contains(path)) << said.toStdString();
    EXPECT_FALSE(QFileInfo::exists(socket));

    // A library of the wrong kind (for i386 our own 64-bit one; for the host a file that
    // is no library) is named with the reason.
    dir.write(QStringLiteral("libTSRemote.so"), "kein ELF\n");
    const QString wrong = QString::fromLatin1(GetParam().name) == QStringLiteral("i386")
                              ? QStringLiteral(LIBTSREMOTE_PATH)
                              : dir.file(QStringLiteral("libTSRemote.so"));
    p.start(bridgePath(), {QStringLiteral("--library"), wrong});
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_NE(p.exitCode(), 0);
    EXPECT_TRUE(QString::fromLocal8Bit(p.readAllStandardError()).contains(wrong));
}

INSTANTIATE_TEST_SUITE_P(Builds, BridgeTest, ::testing::ValuesIn(bridgeBuilds()), bridgeBuildName);
