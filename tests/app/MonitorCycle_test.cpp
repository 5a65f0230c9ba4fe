#include "MonitorCycle.h"

#include "Fakes.h"
#include "ScriptedLibrary.h"
#include "SharedState.h"
#include "TSRemote.h"

#include <gtest/gtest.h>

using namespace app;

// The cycle against a scripted client; seams write into the client's call log so
// the order of everything a tick does can be read in one list.
class MonitorCycleTest : public ::testing::Test {
protected:
    SharedState state;
    ScriptedLibrary lib;
    clientlink::TSRemote ts{lib};
    fakes::ManualClock clock;
    bool minimized = false;
    std::vector<bool> topmost;
    int autoAwayMinutes = 1;
    std::unique_ptr<MonitorCycle> cycle;

    void SetUp() override {
        state.Programmname = QStringLiteral("Quorvex v0.2.6 alpha 4");
        MonitorHost host{[this] { return minimized; }, [this](bool top) { topmost.push_back(top); },
                         [this] { return autoAwayMinutes; }};
        MonitorSeams seams;
        const auto mark = [this](const char* name) {
            return [this, name] { lib.calls.push_back(name); };
        };
        seams.CheckMouseActivity = mark("mouse");
        seams.CheckKeyboardActivity = mark("keyboard");
        seams.recordUserMaximum = mark("maximum");
        seams.FindAwayChannel = mark("awayChannel");
        seams.awayChannelRule = [this](const QString& c) {
            lib.calls.push_back("awayRule " + c.toStdString());
        };
        seams.DriveKeyer = mark("DriveKeyer");
        seams.Bake = mark("Bake");
        seams.dtmfText = [this]() -> std::optional<QString> {
            lib.calls.push_back("dtmf");
            return QStringLiteral("12#");
        };
        seams.EnterAutoAway = mark("EnterAutoAway");
        seams.speakerWindowText = [this](const QString& t) { speakerWindow = t; };
        cycle = std::make_unique<MonitorCycle>(state, ts, clock, host, seams);
    }

    void connectedWorld() {
        lib.own = playerRecord(100, 2, "DL0GW");
        lib.players = {lib.own, playerRecord(7, 2, "DL1ABC"), playerRecord(8, 1, "OE3XYZ")};
        ChannelInfoRecord a{}, b{};
        a.ChannelID = 1;
        b.ChannelID = 2;
        b.PlayerCountInChannel = 2;
        std::strcpy(a.Name, "Eingangshalle");
        std::strcpy(b.Name, "Funkraum");
        lib.channels = {a, b};
        lib.server.ChannelCount = 2;
        lib.server.PlayerCount = 3;
    }

    QString speakerWindow;
};

TEST_F(MonitorCycleTest, ATickRunsEveryStepInItsOrder) {
    connectedWorld();
    lib.speaking = {7};
    cycle->onTick100ms();
    const std::vector<std::string> expected = {"mouse",
                                               "keyboard",
                                               "getSpeakers 1024", // connection status
                                               "getUserInfo",      // own id
                                               "getServerInfo",
                                               "maximum", // user count
                                               "getSpeakers 1024",
                                               "getPlayerInfoByID 7",   // speaker
                                               "getUserInfo",           // own id again
                                               "getPlayerInfoByID 100", // own nickname
                                               "getChannels 1024",
                                               "getServerInfo",
                                               "getPlayerInfoByID 100", // own channel
                                               "getUserInfo",           // privileges
                                               "awayRule Funkraum",
                                               "awayChannel",
                                               "DriveKeyer",
                                               "getUserInfo", // own flags
                                               "Bake",
                                               "dtmf"};
    EXPECT_EQ(lib.calls, expected);
    EXPECT_EQ(cycle->view.lblDTMF, QStringLiteral("12#"));
}

TEST_F(MonitorCycleTest, WithoutAClientEveryStepStillRunsAndShowsNothing) {
    lib.result = TSR_NOT_RUNNING;
    lib.userInfoResult = TSR_NOT_RUNNING;
    lib.speakersResult = TSR_NOT_RUNNING;
    state.AktuellerChannel = QStringLiteral("alt");
    state.ChannelUsers = 4;
    cycle->onTick100ms();
    const MainView& v = cycle->view;
    EXPECT_EQ(v.lblVerbindung, QStringLiteral("!!! TS NICHT GESTARTET !!!"));
    EXPECT_EQ(v.lblVerbindungColor, 0x0000FFu);
    EXPECT_TRUE(v.cmdTSStartenVisible);
    EXPECT_FALSE(v.cmdTSverbindenVisible);
    EXPECT_FALSE(v.cmdTStrennenEnabled || v.flagButtonsEnabled);
    EXPECT_TRUE(state.TSNotStarted);
    EXPECT_TRUE(v.lblOwnNickname.isEmpty() && v.lblOwnChannel.isEmpty() && v.lblSprecher.isEmpty());
    EXPECT_EQ(v.lblChannelUsers, QStringLiteral("0"));
    EXPECT_EQ(state.EigeneID, 0);
    EXPECT_FALSE(state.COMSenden);
    for (const char* seam :
         {"mouse", "keyboard", "maximum", "awayChannel", "DriveKeyer", "Bake", "dtmf"})
        EXPECT_NE(std::find(lib.calls.begin(), lib.calls.end(), seam), lib.calls.end()) << seam;
}

TEST_F(MonitorCycleTest, ConnectionStatesSetTextButtonsAndState) {
    lib.speakersResult = TSR_NOT_CONNECTED;
    state.AktuellerChannel = QStringLiteral("alt");
    cycle->ShowConnectionStatus();
    EXPECT_EQ(cycle->view.lblVerbindung, QStringLiteral("DISCONNECTED"));
    EXPECT_EQ(cycle->view.lblVerbindungColor, 0x00FFFFu);
    EXPECT_TRUE(cycle->view.cmdTSverbindenVisible && cycle->view.cmdTSverbindenEnabled);
    EXPECT_FALSE(cycle->view.cmdTSStartenVisible);
    EXPECT_TRUE(state.AktuellerChannel.isEmpty());
    EXPECT_FALSE(state.TSNotStarted);

    lib.speakersResult = 0;
    cycle->ShowConnectionStatus();
    EXPECT_EQ(cycle->view.lblVerbindung, QStringLiteral("CONNECTED"));
    EXPECT_EQ(cycle->view.lblVerbindungColor, 0x00FF00u);
    EXPECT_TRUE(cycle->view.cmdTStrennenEnabled && cycle->view.flagButtonsEnabled);
    EXPECT_TRUE(cycle->view.cmdTSverbindenVisible) << "left as it was";

    lib.speakersResult = 55; // an unexpected failure: empty text, the rest unchanged
    cycle->ShowConnectionStatus();
    EXPECT_EQ(cycle->view.lblVerbindung, QString());
    EXPECT_EQ(cycle->view.lblVerbindungColor, 0x00FF00u);
    EXPECT_TRUE(cycle->view.flagButtonsEnabled);
}

TEST_F(MonitorCycleTest, TheFirstSpeakerWinsAndOnlyAForeignOneKeys) {
    connectedWorld();
    state.EigeneID = 100;
    state.AllUser = 3;
    lib.speaking = {7, 8};
    cycle->ShowSpeaker();
    EXPECT_EQ(state.FremdeID, 7);
    EXPECT_TRUE(state.COMSenden);
    EXPECT_EQ(cycle->view.lblSprecher, QStringLiteral("DL1ABC"));
    EXPECT_EQ(speakerWindow, QStringLiteral("DL1ABC"));

    lib.speaking = {100};
    cycle->ShowSpeaker();
    EXPECT_EQ(state.FremdeID, 100);
    EXPECT_FALSE(state.COMSenden) << "the own voice never keys";
    EXPECT_EQ(cycle->view.lblSprecher, QStringLiteral("DL0GW"));

    lib.speaking.clear();
    cycle->ShowSpeaker();
    EXPECT_EQ(state.FremdeID, 0);
    EXPECT_FALSE(state.COMSenden);
    EXPECT_TRUE(cycle->view.lblSprecher.isEmpty());
    EXPECT_TRUE(speakerWindow.isEmpty());
}

TEST_F(MonitorCycleTest, TheScanRunsFromZeroToAllUserInclusive) {
    connectedWorld();
    state.AllUser = 0;
    lib.speaking = {8};
    cycle->ShowSpeaker();
    EXPECT_EQ(state.FremdeID, 8) << "index 0 is scanned even with no users counted";

    lib.speaking = {0, 0, 7};
    lib.reportedCount = 3;
    state.AllUser = 1;
    cycle->ShowSpeaker();
    EXPECT_EQ(state.FremdeID, 0) << "index 2 lies past AllUser";
    state.AllUser = 2;
    cycle->ShowSpeaker();
    EXPECT_EQ(state.FremdeID, 7);
}

TEST_F(MonitorCycleTest, AMinimizedWindowCarriesTheSpeakerAsItsCaption) {
    connectedWorld();
    state.AllUser = 3;
    lib.speaking = {7};
    cycle->ShowSpeaker();
    EXPECT_FALSE(cycle->view.newCaption) << "a shown window keeps its caption";
    minimized = true;
    cycle->ShowSpeaker();
    EXPECT_EQ(cycle->view.newCaption, QStringLiteral("DL1ABC"));
    lib.speaking.clear();
    cycle->ShowSpeaker();
    EXPECT_EQ(cycle->view.newCaption, QStringLiteral("Quorvex v0.2.6 alpha 4"));
}

TEST_F(MonitorCycleTest, OwnChannelIsFoundOrKeptAndUsersShown) {
    connectedWorld();
    std::memcpy(lib.channels[1].Name, "Funkraum\0\0\0Rest", 16);
    state.EigeneID = 100;
    cycle->FindOwnChannel();
    cycle->ShowChannelUsers();
    EXPECT_EQ(state.AktuellerChannel, QStringLiteral("Funkraum")) << "cut at the first NUL";
    EXPECT_EQ(state.ChannelUsers, 2);
    EXPECT_EQ(state.ChannelOwnID, 2);
    EXPECT_EQ(cycle->view.lblOwnChannel, QStringLiteral("Funkraum"));
    EXPECT_EQ(cycle->view.lblChannelUsers, QStringLiteral("2"));

    lib.own.ChannelID = 99; // in no listed channel
    lib.players[0] = lib.own;
    cycle->FindOwnChannel();
    EXPECT_TRUE(cycle->view.lblOwnChannel.isEmpty());
    EXPECT_EQ(state.AktuellerChannel, QStringLiteral("Funkraum")) << "kept";
    EXPECT_EQ(state.ChannelOwnID, 2);

    state.FuncGateway = true;
    lib.calls.clear();
    cycle->ShowChannelUsers();
    EXPECT_TRUE(lib.calls.empty()) << "no away-channel rule for a gateway";
}

TEST_F(MonitorCycleTest, LayoutFollowsGatewayAndRole) {
    struct Role {
        const char* name;
        bool channel, server, super;
        bool message, kick; // the channel message box; kick, statistics and recording box
    };
    const Role roles[] = {{"user", false, false, false, false, false},
                          {"channel admin", true, false, false, true, false},
                          {"server admin", false, true, false, true, true},
                          {"super admin alone", false, false, true, true, true}};
    const MainView& v = cycle->view;
    for (const Role& r : roles) {
        state.FlagChannelAdmin = r.channel;
        state.FlagServerAdmin = r.server;
        state.FlagSuperServerAdmin = r.super;
        state.FuncGateway = false;
        cycle->ArrangeForRole();
        EXPECT_EQ(v.txtChannelMessageVisible, r.message) << r.name;
        EXPECT_EQ(v.lblVerbindungTop, r.message ? 2085 : 2205) << r.name;
        EXPECT_EQ(v.lblSprecherTop, r.message ? 2325 : 2575) << r.name;
        EXPECT_EQ(v.cmdfrmKickPlayerVisible && v.cmdStaticVisible && v.chkControlRecordVisible,
                  r.kick)
            << r.name;
        EXPECT_EQ(v.cmdEinstellungenLeft, r.kick ? 120 : 360) << r.name;
        EXPECT_EQ(v.cmdEndeLeft, r.kick ? 120 : 360) << r.name;
        // In gateway mode every role has the gateway's layout: statistics, no administration;
        // the recording box stays.
        state.FuncGateway = true;
        cycle->ArrangeForRole();
        EXPECT_FALSE(v.txtChannelMessageVisible || v.cmdfrmKickPlayerVisible) << r.name;
        EXPECT_TRUE(v.cmdStaticVisible) << r.name;
        EXPECT_EQ(v.lblVerbindungTop, 2205);
        EXPECT_EQ(v.cmdEinstellungenLeft, 120);
        EXPECT_EQ(v.cmdEndeLeft, 120);
        EXPECT_EQ(v.chkControlRecordVisible, r.kick) << r.name;
    }
}

TEST_F(MonitorCycleTest, AGatewayKeepsItsFlagsAndNeverCountsIdleTime) {
    connectedWorld();
    lib.own.PlayerFlags = 8; // away, set by hand in the client
    state.FuncGateway = true;
    state.IdleSeconds = 40;
    cycle->ShowFlagButtons();
    EXPECT_FALSE(cycle->view.flagButtonsVisible);
    EXPECT_EQ(state.IdleSeconds, 0);
    cycle->ShowOwnFlags();
    EXPECT_TRUE(cycle->view.flagImages[0]);
    cycle->ShowConnectionStatus();
    lib.calls.clear();
    cycle->KeepGatewayFlags();
    EXPECT_EQ(lib.calls,
              (std::vector<std::string>{"getUserInfo", "setPlayerFlags 9", "getUserInfo",
                                        "setPlayerFlags 12", "getUserInfo", "setPlayerFlags 0"}));

    // A client that is not connected has no flags to keep: nothing goes to it, tick by tick.
    lib.speakersResult = TSR_NOT_CONNECTED;
    for (int tick = 0; tick < 3; ++tick)
        cycle->onTick100ms();
    EXPECT_EQ(std::count_if(lib.calls.begin(), lib.calls.end(),
                            [](const std::string& c) { return c.rfind("setPlayerFlags", 0) == 0; }),
              3)
        << "only the three above";

    state.FuncGateway = false;
    lib.calls.clear();
    cycle->KeepGatewayFlags();
    EXPECT_TRUE(lib.calls.empty());
    cycle->ShowFlagButtons();
    EXPECT_TRUE(cycle->view.flagButtonsVisible);
}

TEST_F(MonitorCycleTest, TheBlockImageShowsWhileKeyingIsBlocked) {
    cycle->ShowKeyingBlock();
    EXPECT_FALSE(cycle->view.imgSperren);
    state.frmCOM.COMPortsperren = true;
    cycle->ShowKeyingBlock();
    EXPECT_TRUE(cycle->view.imgSperren);
    state.frmCOM.COMPortsperren = false;
    cycle->ShowKeyingBlock();
    EXPECT_TRUE(cycle->view.imgSperren) << "only a click hides it";
}

TEST_F(MonitorCycleTest, WindowSettingsApplyOnceWhenChanged) {
    state.Vordergrund = true;
    state.FensterÄndern = true;
    cycle->ApplyWindowSettings();
    cycle->ApplyWindowSettings();
    EXPECT_EQ(topmost, std::vector<bool>{true});
    EXPECT_FALSE(state.FensterÄndern);
}

TEST_F(MonitorCycleTest, TheSecondTickCountsIdleTimeAndBlinksTheClock) {
    state.FuncAutoAway = false;
    cycle->onTick1s();
    cycle->onTick1s();
    EXPECT_EQ(state.IdleSeconds, 1) << "held while auto-away is off";
    EXPECT_EQ(cycle->view.lblZeit, QStringLiteral("11:30:00"));
    EXPECT_EQ(cycle->view.lblZeitBackColor, 0xFFC0C0u);
    cycle->onTick1s();
    EXPECT_EQ(cycle->view.lblZeitBackColor, 0xFF8080u);

    state.FuncAutoAway = true;
    state.IdleSeconds = 0;
    int fired = 0;
    for (int second = 1; second <= 60; ++second) {
        lib.calls.clear();
        cycle->onTick1s();
        if (!lib.calls.empty())
            fired = fired == 0 ? second : fired;
    }
    EXPECT_EQ(fired, 60) << "fires on the tick on which the counter reaches the limit";
    EXPECT_EQ(cycle->view.lblDebugTakt, QStringLiteral("0"));
}

// Mumble: its own name when it is not running, counts it does not tell shown as unknown,
// only the microphone and loudspeaker buttons, no flags kept for a gateway.
TEST_F(MonitorCycleTest, WithMumbleUnknownCountsAndLackingButtonsShowAsSuch) {
    lib.kindIs = platform::ClientKind::Mumble;
    lib.speakersResult = TSR_NOT_RUNNING;
    cycle->onTick100ms();
    EXPECT_EQ(cycle->view.lblVerbindung, QStringLiteral("!!! MUMBLE NICHT GESTARTET !!!"));
    EXPECT_EQ(cycle->view.lblAllUser, QStringLiteral("\u2013")) << "unknown, not 0";
    EXPECT_EQ(cycle->view.lblChannelUsers, QStringLiteral("\u2013"));

    connectedWorld();
    lib.speakersResult = 0;
    lib.server.PlayerCount = -1;
    lib.channels[1].PlayerCountInChannel = -1;
    state.EigeneID = 100;
    state.FuncGateway = true;
    lib.own.PlayerFlags = 0;
    cycle->onTick100ms();
    const MainView& v = cycle->view;
    EXPECT_EQ(v.lblAllUser, QStringLiteral("\u2013"));
    EXPECT_EQ(v.lblChannelUsers, QStringLiteral("\u2013"));
    EXPECT_TRUE(v.onlyMicAndSound && v.flagButtonsEnabled);
    EXPECT_FALSE(v.cmdTStrennenEnabled);
    EXPECT_EQ(std::count_if(lib.calls.begin(), lib.calls.end(),
                            [](const std::string& c) { return c.rfind("setPlayerFlags", 0) == 0; }),
              0);
}
