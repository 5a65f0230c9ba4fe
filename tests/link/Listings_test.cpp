#include "BitTexts.h"
#include "ScriptedLibrary.h"
#include "TSRemote.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using namespace clientlink;

// The texts' edge cases: no bit, every bit, a value beyond the table.
TEST(BitTexts, NoneAllAndUnknown) {
    EXPECT_EQ(bittexts::playerFlags(0), QStringLiteral("none"));
    EXPECT_EQ(bittexts::playerFlags(127),
              QStringLiteral("ChannelCommander,WantVoice,NoWhisper,Away,"
                             "InputMuted,OutputMuted,Recording"));
    EXPECT_EQ(bittexts::privileges(0), QStringLiteral("Unregistered"));
    EXPECT_EQ(bittexts::codec(13), QStringLiteral("Unknown codec 13"));
    EXPECT_EQ(bittexts::codec(-1), QStringLiteral("Unknown codec -1"));
    EXPECT_EQ(bittexts::serverType(3), QStringLiteral(" Clan server Public Server"));
    EXPECT_EQ(bittexts::supportedCodecs(0), QString());
}

TEST(Listings, ServerEntryKeepsTheNulPaddingAtFullWidth) {
    ScriptedLibrary lib;
    TSRemote ts(lib);
    std::strcpy(lib.server.ServerName, "Funk");
    std::memset(lib.server.ServerHost, 'h', sizeof lib.server.ServerHost); // no NUL at all
    lib.server.PlayerCount = 4;
    lib.server.ChannelCount = 2;
    lib.server.ServerType = 5;
    const ServerEntry e = ts.TSGetServerInfo();
    EXPECT_EQ(e.ServerName.size(), 30);
    EXPECT_EQ(cutAtNul(e.ServerName), QStringLiteral("Funk"));
    EXPECT_EQ(e.WelcomeMessage.size(), 256);
    EXPECT_EQ(e.ServerHost, QString(100, QLatin1Char('h')));
    EXPECT_EQ(+e.PlayerCount, 4);
    EXPECT_EQ(+e.ChannelCount, 2);
    EXPECT_EQ(e.ServerType, QStringLiteral("Freeware Clan server"));
    EXPECT_EQ(e.Version, QStringLiteral("0.0.0.0"));
}

TEST(Listings, PlayerInfoConvertsEvenAfterAFailure) {
    ScriptedLibrary lib;
    TSRemote ts(lib);
    lib.players = {playerRecord(5, 2, "J\xFCrgen", 1, 8, 9)};
    const PlayerEntry p = ts.TSGetPlayerInfo(5);
    EXPECT_EQ(cutAtNul(p.NickName), QStringLiteral("J\u00FCrgen"));
    EXPECT_EQ(p.NickName.size(), 30);
    EXPECT_EQ(p.ChannelPrivileges, QStringLiteral("Admin"));
    EXPECT_EQ(p.Privileges, QStringLiteral("Registered"));
    EXPECT_EQ(p.PlayerFlags, QStringLiteral("ChannelCommander,Away"));

    const PlayerEntry missing = ts.TSGetPlayerInfo(6);
    EXPECT_EQ(+missing.PlayerID, 0);
    EXPECT_EQ(cutAtNul(missing.NickName), QString());
    EXPECT_EQ(ts.LastTSError, QStringLiteral("Fehler"));
}

TEST(Listings, PlayersAndChannelsReplaceTheListOnlyOnSuccess) {
    ScriptedLibrary lib;
    TSRemote ts(lib);
    lib.players = {playerRecord(1, 1, "a"), playerRecord(2, 1, "b"), playerRecord(3, 2, "c")};
    ASSERT_TRUE(ts.TSGetPlayers());
    ASSERT_EQ(ts.PlayerList.size(), 3u);
    EXPECT_EQ(cutAtNul(ts.PlayerList[2].NickName), QStringLiteral("c"));
    EXPECT_EQ(lib.calls.back(), "getPlayers 1024");

    lib.result = 2;
    EXPECT_FALSE(ts.TSGetPlayers());
    EXPECT_EQ(ts.PlayerList.size(), 3u) << "a failed listing leaves the old list";
    EXPECT_EQ(ts.LastTSError, QStringLiteral("Fehler"));

    lib.result = 0;
    ChannelInfoRecord c{};
    c.ChannelID = 3;
    c.PlayerCountInChannel = 2;
    c.ChannelFlags = 9;
    c.Codec = 5;
    std::memcpy(c.Name, "========> ABWESEND <========", 28);
    lib.channels = {c};
    ASSERT_TRUE(ts.TSGetChannels());
    ASSERT_EQ(ts.ChannelList.size(), 1u);
    EXPECT_EQ(cutAtNul(ts.ChannelList[0].Name), QStringLiteral("========> ABWESEND <========"));
    EXPECT_EQ(ts.ChannelList[0].Codec, QStringLiteral("Speex 3.4 Kbit"));
    EXPECT_EQ(ts.ChannelList[0].ChannelFlags, QStringLiteral("Registered,Password"));
}

TEST(Listings, ReportedCountsAreHeldToTheListsRoom) {
    ScriptedLibrary lib;
    TSRemote ts(lib);
    lib.players = {playerRecord(1, 1, "a")};
    lib.reportedCount = 5000;
    ASSERT_TRUE(ts.TSGetPlayers());
    EXPECT_EQ(ts.PlayerList.size(), 1024u);
    lib.reportedCount = -3;
    ASSERT_TRUE(ts.TSGetChannels());
    EXPECT_TRUE(ts.ChannelList.empty());
    lib.reportedCount = 0;
    ASSERT_TRUE(ts.TSGetPlayers());
    EXPECT_TRUE(ts.PlayerList.empty());

    // What a failed call wrote past its count never shows in a later listing that
    // reports more records than it wrote.
    lib.players = {playerRecord(1, 1, "a"), playerRecord(2, 1, "b"), playerRecord(3, 1, "c")};
    lib.writeOnFailure = true;
    lib.result = -1;
    EXPECT_FALSE(ts.TSGetPlayers());
    lib.result = 0;
    lib.players = {playerRecord(1, 1, "a")};
    lib.reportedCount = 3;
    ASSERT_TRUE(ts.TSGetPlayers());
    ASSERT_EQ(ts.PlayerList.size(), 3u);
    EXPECT_EQ(ts.PlayerList[2].PlayerID, 0) << "a zeroed record, not the failed call's";
}

TEST(Listings, SpeakerStatusFollowsTheClientsAnswer) {
    ScriptedLibrary lib;
    TSRemote ts(lib);
    lib.speaking = {7, 9};
    EXPECT_EQ(ts.TSGetSpeakers(), Connected);
    EXPECT_EQ(ts.SpeakerList, (std::vector<std::int32_t>{7, 9}));
    EXPECT_EQ(lib.calls.back(), "getSpeakers 1024");

    lib.speaking.clear();
    EXPECT_EQ(ts.TSGetSpeakers(), Connected);
    EXPECT_EQ(ts.SpeakerList, std::vector<std::int32_t>(1024, 0)) << "none speaking: 1024 zeros";

    lib.speakersResult = TSR_NOT_RUNNING;
    EXPECT_EQ(ts.TSGetSpeakers(), NotRunning);
    EXPECT_EQ(ts.SpeakerList.size(), 1024u);
    lib.speakersResult = TSR_NOT_CONNECTED;
    EXPECT_EQ(ts.TSGetSpeakers(), NotConnected);
    EXPECT_TRUE(ts.LastTSError.isEmpty()) << "-1000 and -1 are no errors";
    lib.speakersResult = 99;
    EXPECT_EQ(ts.TSGetSpeakers(), ListingFailed);
    EXPECT_EQ(ts.LastTSError, QStringLiteral("Fehler"));
    EXPECT_EQ(ts.SpeakerList.size(), 1024u);
}

// The room is reused between ticks; each call must still find all of it zero.
class ScribblingLibrary final : public ScriptedLibrary {
public:
    int written = 0;
    bool failing = false;
    std::vector<bool> roomWasZero;
    int32_t getPlayers(PlayerInfoRecord* r, int32_t* count) override {
        const auto* bytes = reinterpret_cast<const unsigned char*>(r);
        roomWasZero.push_back(
            std::all_of(bytes, bytes + *count * sizeof *r, [](unsigned char b) { return b == 0; }));
        for (int i = 0; i < written; ++i) {
            r[i].PlayerID = 100 + i;
            std::memcpy(r[i].NickName, "Spieler", 7);
        }
        *count = written;
        return failing ? -5 : 0;
    }
};

TEST(Listings, EveryCallIsOfferedAZeroedRoom) {
    ScribblingLibrary lib;
    TSRemote ts(lib);
    for (int n : {5, 2, 0, 7, 1000, 3}) {
        lib.written = n;
        lib.failing = n == 7;
        EXPECT_EQ(ts.TSGetPlayers(), !lib.failing);
        if (!lib.failing) {
            ASSERT_EQ(ts.PlayerList.size(), static_cast<std::size_t>(n));
            if (n > 0) {
                EXPECT_EQ(ts.PlayerList.back().PlayerID, 100 + n - 1);
            }
        }
    }
    EXPECT_EQ(lib.roomWasZero, std::vector<bool>(6, true));
}
