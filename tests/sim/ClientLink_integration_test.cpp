// The client link through the real libTSRemote.so against the real ts2sim process.
#include "Rig.h"
#include "TSRemote.h"
#include "TSRemoteLibrary.h"
#include "TempDir.h"

#include <QThread>

#include <gtest/gtest.h>

#include <chrono>

using namespace clientlink;

namespace {

std::int64_t elapsedMs(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 since)
        .count();
}

// Asks again until the simulated client has taken a command from its input.
template <typename F> bool eventually(F condition) {
    for (int i = 0; i < 100; ++i) {
        if (condition())
            return true;
        QThread::msleep(20);
    }
    return false;
}

} // namespace

class ClientLinkIntegration : public ::testing::Test {
protected:
    TempDir dir;
    QString socket = dir.file(QStringLiteral("client.sock"));
    platform::TSRemoteLibrary library{{QStringLiteral(LIBTSREMOTE_PATH)}};
    TSRemote ts{library};

    void SetUp() override {
        ASSERT_TRUE(library.isLoaded()) << library.loadError().toStdString();
        qputenv("TSREMOTE_SOCKET", QFile::encodeName(socket));
    }

    void connectAs(const QString& nick, const QString& login = {}, const QString& channel = {},
                   const QString& channelPassword = {}) {
        ts.TSConnect(QStringLiteral("localhost:8767"), nick, login, QStringLiteral("pw"), channel,
                     channelPassword);
    }
};

TEST_F(ClientLinkIntegration, NoClientLooksNotRunning) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ts.TSGetSpeakers(), NotRunning);
    ts.TSReadOwnID();
    EXPECT_EQ(ts.OwnPlayerID, 0);
    EXPECT_EQ(ts.LastTSError, QStringLiteral("TeamSpeak 2 l\u00E4uft nicht"));
    EXPECT_LT(elapsedMs(start), 50);
}

TEST_F(ClientLinkIntegration, EveryCallMakesItsRoundTrip) {
    TempDir scripts;
    scripts.write(QStringLiteral("world.txt"), "player 7 2 DL1ABC\nplayer 8 1 OE3XYZ # comment\n"
                                               "speak 8 on\nspeak 7 on\n");
    SimProcess sim(socket, scripts.file(QStringLiteral("world.txt")));
    ASSERT_TRUE(sim.ready());

    EXPECT_EQ(ts.TSGetSpeakers(), NotConnected);
    EXPECT_FALSE(ts.TSGetChannels());
    EXPECT_FALSE(ts.LastTSError.isEmpty());

    connectAs(QStringLiteral("Gate? mit Blank"), QString(), QStringLiteral("Technik"),
              QStringLiteral("geheim"));
    EXPECT_EQ(ts.TSGetSpeakers(), Connected);
    EXPECT_EQ(ts.SpeakerList, (std::vector<std::int32_t>{8, 7})) << "in the order they started";

    ts.TSReadOwnID();
    ASSERT_NE(ts.OwnPlayerID, 0);
    const PlayerEntry own = ts.TSGetPlayerInfo(ts.OwnPlayerID);
    EXPECT_EQ(cutAtNul(own.NickName), QStringLiteral("Gate? mit Blank"));
    EXPECT_EQ(+own.ChannelID, 4) << "joined the password channel";
    EXPECT_TRUE(ts.TSReadOwnFlags().FlagUnregistered);

    ASSERT_TRUE(ts.TSGetChannels());
    ASSERT_GE(ts.ChannelList.size(), 4u);
    EXPECT_EQ(cutAtNul(ts.ChannelList[2].Name), QStringLiteral("========> ABWESEND <========"));
    ASSERT_TRUE(ts.TSGetPlayers());
    EXPECT_EQ(ts.PlayerList.size(), 3u);
    const ServerEntry server = ts.TSGetServerInfo();
    EXPECT_EQ(+server.PlayerCount, 3);
    EXPECT_EQ(server.Version, QStringLiteral("2.0.24.1"));

    ts.LastTSError.clear();
    ts.TSSwitchChannel(4, QStringLiteral("falsch"));
    EXPECT_EQ(ts.LastTSError, QStringLiteral("Falsches Channel-Passwort"));
    ts.TSSwitchChannel(2, QString());
    EXPECT_EQ(ts.TSGetPlayerInfo(ts.OwnPlayerID).ChannelID, 2);

    ts.TSSetAway(true);
    ts.TSSetNoWhisper(true);
    EXPECT_EQ(ts.TSGetPlayerInfo(ts.OwnPlayerID).PlayerFlags, QStringLiteral("NoWhisper,Away"));
    ts.TSSendChannelMessage(2, QStringLiteral("Hallo \u00FCber Funk"));

    ts.LastTSError.clear();
    ts.TSKickFromServer(7, QStringLiteral("Spam"));
    EXPECT_EQ(ts.LastTSError, QStringLiteral("Keine Berechtigung zum Kicken"));
    sim.command("own privileges=10");
    ASSERT_TRUE(eventually([&] { return ts.TSReadOwnPrivileges().FlagServerAdmin; }));
    ts.LastTSError.clear();
    ts.TSKickFromServer(7, QStringLiteral("Spam"));
    ts.TSKickFromChannel(8, QStringLiteral("Ruhe"));
    EXPECT_TRUE(ts.LastTSError.isEmpty()) << ts.LastTSError.toStdString();
    ASSERT_TRUE(ts.TSGetPlayers());
    EXPECT_EQ(ts.PlayerList.size(), 2u);

    ts.TSDisconnect();
    EXPECT_EQ(ts.TSGetSpeakers(), NotConnected);
    ts.TSQuit();
    EXPECT_TRUE(sim.process().waitForFinished(3000));

    const QByteArray log = sim.output();
    for (const char* line :
         {"tsrConnect url=\"teamspeak://localhost:8767?nickname=Gate? mit "
          "Blank?loginname=?password=pw"
          "?channel=Technik?channelpassword=geheim\"\n",
          "tsrSwitchChannelID id=2 password=\"\"\n", "tsrSetPlayerFlags flags=8\n",
          "tsrSetPlayerFlags flags=12\n",
          "tsrSendTextMessageToChannel channel=2 text=\"Hallo \xC3\xBC"
          "ber Funk\"\n",
          "tsrKickPlayerFromServer id=7 reason=\"Spam\"\n",
          "tsrKickPlayerFromChannel id=8 reason=\"Ruhe\"\n", "tsrDisconnect\n", "tsrQuit\n"})
        EXPECT_TRUE(log.contains(line)) << line << "\n--- log:\n" << log.toStdString();
}

TEST_F(ClientLinkIntegration, AKilledClientFailsTheNextCallQuickly) {
    SimProcess sim(socket);
    ASSERT_TRUE(sim.ready());
    connectAs(QStringLiteral("Gate"));
    ASSERT_EQ(ts.TSGetSpeakers(), Connected);
    sim.process().kill();
    ASSERT_TRUE(sim.process().waitForFinished(3000));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ts.TSGetSpeakers(), NotRunning);
    ts.TSReadOwnID();
    EXPECT_EQ(ts.OwnPlayerID, 0);
    EXPECT_LT(elapsedMs(start), 250);
}

TEST_F(ClientLinkIntegration, AFrozenClientCostsOneBoundedWaitThenFailsFast) {
    SimProcess sim(socket);
    ASSERT_TRUE(sim.ready());
    connectAs(QStringLiteral("Gate"));
    ASSERT_EQ(ts.TSGetSpeakers(), Connected);
    sim.process().signal(SIGSTOP);

    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ts.TSGetSpeakers(), ListingFailed);
    EXPECT_EQ(ts.LastTSError, QStringLiteral("TeamSpeak 2 antwortet nicht"));
    const auto first = elapsedMs(start);
    EXPECT_GE(first, 150);
    EXPECT_LE(first, 300) << "the deadline is 200 ms; the rest is scheduling slack";

    start = std::chrono::steady_clock::now();
    for (int i = 0; i < 20; ++i)
        ts.TSGetServerInfo();
    EXPECT_LT(elapsedMs(start), 50) << "later calls do not wait again at once";

    sim.process().signal(SIGCONT);
    ASSERT_TRUE(eventually([&] { return ts.TSGetSpeakers() == Connected; }));
}
