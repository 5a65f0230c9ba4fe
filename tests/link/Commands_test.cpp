#include "ScriptedLibrary.h"
#include "TSRemote.h"

#include <gtest/gtest.h>

using clientlink::TSRemote;

TEST(ConnectUrl, CarriesEveryKeyAndInsertsValuesUnchanged) {
    EXPECT_EQ(TSRemote::connectUrl(QStringLiteral("localhost:8767"), QStringLiteral("Gate"), {}, {},
                                   {}, {}),
              QStringLiteral("teamspeak://localhost:8767?nickname=Gate?loginname=?password="
                             "?channel=?channelpassword="));
    EXPECT_EQ(TSRemote::connectUrl(QStringLiteral("a:1"), QStringLiteral("Wer? Ich"),
                                   QStringLiteral("l"), QStringLiteral("p&w"),
                                   QStringLiteral("Funk raum"), QStringLiteral("x")),
              QStringLiteral("teamspeak://a:1?nickname=Wer? Ich?loginname=l?password=p&w"
                             "?channel=Funk raum?channelpassword=x"));
}

TEST(Commands, ConnectSendsTheUrlInTheSingleByteCodePage) {
    ScriptedLibrary lib;
    TSRemote ts(lib);
    ts.TSConnect(QStringLiteral("h:1"), QStringLiteral("J\u00FCrgen"), {}, {}, {}, {});
    EXPECT_EQ(lib.lastText, "teamspeak://h:1?nickname=J\xFCrgen?loginname=?password=?channel="
                            "?channelpassword=");
    EXPECT_TRUE(ts.LastTSError.isEmpty());
}

TEST(Commands, AFailureFetchesTheErrorTextAndNothingElseHappens) {
    ScriptedLibrary lib;
    TSRemote ts(lib);
    lib.result = 7;
    lib.error = "Kan\xE4l fehlt";
    ts.TSSwitchChannel(12, QStringLiteral("pw"));
    EXPECT_EQ(lib.calls, (std::vector<std::string>{"switchChannelID 12", "getLastError"}));
    EXPECT_EQ(ts.LastTSError, QStringLiteral("Kan\u00E4l fehlt"));

    lib.error = "neu";
    ts.TSKickFromServer(5, QStringLiteral("weg"));
    EXPECT_EQ(ts.LastTSError, QStringLiteral("neu")) << "each failure replaces the text";
    EXPECT_EQ(lib.lastText, "weg");

    lib.result = 0;
    lib.calls.clear();
    ts.TSDisconnect();
    ts.TSSendChannelMessage(3, QString());
    EXPECT_EQ(lib.calls, (std::vector<std::string>{"disconnect", "sendText 3"}));
    EXPECT_EQ(ts.LastTSError, QStringLiteral("neu")) << "success leaves the text";
}

TEST(Commands, AnErrorTextFillingTheWholeBufferIsKeptWhole) {
    ScriptedLibrary lib;
    TSRemote ts(lib);
    lib.error = std::string(2000, 'e');
    lib.result = 1;
    ts.TSQuit();
    EXPECT_EQ(ts.LastTSError.size(), 1024);
}

TEST(OwnFlagWrite, ChangesOnlyItsOwnBit) {
    ScriptedLibrary lib;
    TSRemote ts(lib);
    lib.own.PlayerFlags = 1 | 8 | 64;
    ts.TSSetAway(false);
    EXPECT_EQ(lib.setFlags, 1 | 64);
    ts.TSSetAway(true);
    EXPECT_EQ(lib.setFlags, 1 | 8 | 64) << "already set: the same set again";
    ts.TSSetMicMute(true);
    EXPECT_EQ(lib.setFlags, 1 | 8 | 16 | 64);
    ts.TSSetSoundMute(true);
    EXPECT_EQ(lib.setFlags, 1 | 8 | 32 | 64);
    ts.TSSetNoWhisper(true);
    EXPECT_EQ(lib.setFlags, 1 | 4 | 8 | 64);
    ts.TSSetChannelCommander(false);
    EXPECT_EQ(lib.setFlags, 8 | 64);
    EXPECT_TRUE(ts.LastTSError.isEmpty());
}

TEST(OwnFlagWrite, AFailedReadStillWritesFromAnEmptyRecord) {
    ScriptedLibrary lib;
    TSRemote ts(lib);
    lib.own.PlayerFlags = 1 | 4;
    lib.userInfoResult = 2;
    ts.TSSetAway(true);
    EXPECT_EQ(lib.setFlags, 8);
    EXPECT_EQ(ts.LastTSError, QStringLiteral("Fehler"));
    ts.TSSetChannelCommander(false);
    EXPECT_EQ(lib.setFlags, 0);
}

TEST(OwnSnapshot, EveryVariableIsWrittenFromItsBit) {
    ScriptedLibrary lib;
    TSRemote ts(lib);
    lib.own = playerRecord(77, 2, "Gate", 1 | 4, 2 | 16, 9);
    ts.TSReadOwnID();
    EXPECT_EQ(ts.OwnPlayerID, 77);
    const auto f = ts.TSReadOwnFlags();
    EXPECT_TRUE(f.FlagChannelCommander && f.FlagAway && f.FlagUnregistered);
    EXPECT_FALSE(f.FlagNoWhisper || f.FlagMicMute || f.FlagSoundMute);
    const auto p = ts.TSReadOwnPrivileges();
    EXPECT_TRUE(p.FlagServerAdmin && p.FlagChannelAdmin && p.FlagAutoOperator);
    EXPECT_FALSE(p.FlagSuperServerAdmin || p.FlagOperator);

    lib.own.PlayerPrivileges = 8;
    EXPECT_FALSE(ts.TSReadOwnFlags().FlagUnregistered) << "registered is bit 8, not 16";
}

TEST(OwnSnapshot, FailedReadsClearEverythingAndOnlyTheIdReadRecordsTheError) {
    ScriptedLibrary lib;
    TSRemote ts(lib);
    lib.own = playerRecord(77, 2, "Gate", 7, 31, 63);
    ts.TSReadOwnID();
    lib.userInfoResult = 2;
    lib.calls.clear();
    const auto f = ts.TSReadOwnFlags();
    const auto p = ts.TSReadOwnPrivileges();
    EXPECT_EQ(lib.calls, (std::vector<std::string>{"getUserInfo", "getUserInfo"}));
    EXPECT_FALSE(f.FlagAway || f.FlagNoWhisper || f.FlagMicMute || f.FlagSoundMute ||
                 f.FlagChannelCommander || f.FlagUnregistered);
    EXPECT_FALSE(p.FlagServerAdmin || p.FlagSuperServerAdmin || p.FlagChannelAdmin ||
                 p.FlagOperator || p.FlagAutoOperator);
    ts.TSReadOwnID();
    EXPECT_EQ(ts.OwnPlayerID, 0);
    EXPECT_EQ(lib.calls.back(), "getLastError");
}
