#include "AutoAway.h"

#include "Fakes.h"
#include "InputActivity.h"
#include "MonitorCycle.h"
#include "OwnWindowsInput.h"
#include "ScriptedLibrary.h"
#include "SharedState.h"
#include "TSRemote.h"

#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <cstring>

using namespace app;

class FakeInput final : public platform::InputActivity {
public:
    QPoint position{10, 10};
    bool pressed = false;
    std::optional<QPoint> cursorPosition() override { return position; }
    bool keyPressedSinceLastCall() override { return std::exchange(pressed, false); }
};

ChannelInfoRecord channel(std::int32_t id, const char* name) {
    ChannelInfoRecord c{};
    c.ChannelID = id;
    std::strncpy(c.Name, name, sizeof c.Name);
    return c;
}

constexpr const char* AwayName = "========> ABWESEND <========";

// The idle rule through the real cycle: its 1 s tick counts, the 100 ms tick watches.
class IdleRule : public ::testing::Test {
protected:
    SharedState state;
    ScriptedLibrary lib;
    clientlink::TSRemote ts{lib};
    fakes::ManualClock clock;
    FakeInput input;
    AutoAway away{state, ts, input};
    std::unique_ptr<MonitorCycle> cycle;

    void SetUp() override {
        MonitorHost host{[] { return false; }, [](bool) {}, [] { return 5; }};
        MonitorSeams seams;
        seams.CheckMouseActivity = [this] { away.CheckMouseActivity(); };
        seams.CheckKeyboardActivity = [this] { away.CheckKeyboardActivity(); };
        seams.EnterAutoAway = [this] { away.EnterAutoAway(); };
        cycle = std::make_unique<MonitorCycle>(state, ts, clock, host, seams);
        state.FuncAutoAway = true;
        away.CheckMouseActivity(); // the first position is taken as it is
        lib.calls.clear();
    }
    int awaySets() const {
        return static_cast<int>(std::count(lib.calls.begin(), lib.calls.end(), "setPlayerFlags 8"));
    }
};

TEST_F(IdleRule, AwayOnTheSecondTheCountReachesTheMinutesAndBackOnTheFirstMove) {
    for (int s = 1; s < 300; ++s)
        cycle->onTick1s();
    EXPECT_EQ(awaySets(), 0) << "not before 5 minutes";
    cycle->onTick1s();
    EXPECT_EQ(awaySets(), 1);
    EXPECT_TRUE(cycle->view.imgIsAway);
    cycle->onTick1s();
    EXPECT_EQ(awaySets(), 1) << "set once";

    lib.own.PlayerFlags = 8;
    input.position = {11, 10};
    cycle->onTick100ms();
    EXPECT_EQ(lib.setFlags, 0) << "cleared";
    EXPECT_FALSE(cycle->view.imgIsAway);
    EXPECT_EQ(state.IdleSeconds, 0);
}

TEST_F(IdleRule, AKeyBetweenTwoTicksCountsAndAHandSetFlagStays) {
    for (int s = 1; s < 299; ++s)
        cycle->onTick1s();
    input.pressed = true; // pressed and released since the last tick
    cycle->onTick100ms();
    cycle->onTick1s();
    EXPECT_EQ(awaySets(), 0) << "the count started again";

    lib.own.PlayerFlags = 8; // away by hand in the client
    input.position = {50, 50};
    cycle->onTick100ms();
    EXPECT_EQ(awaySets(), 0);
    EXPECT_EQ(std::count(lib.calls.begin(), lib.calls.end(), "setPlayerFlags 0"), 0)
        << "activity clears only what the idle rule set";
}

TEST_F(IdleRule, AGatewayIsNeitherMadeAwayNorWatchedForTheMouse) {
    state.FuncGateway = true;
    away.EnterAutoAway();
    EXPECT_FALSE(state.AutoAwayActive);
    input.position = {99, 99};
    state.IdleSeconds = 7;
    away.CheckMouseActivity();
    EXPECT_EQ(state.IdleSeconds, 7);
    input.pressed = true;
    away.CheckKeyboardActivity();
    EXPECT_EQ(state.IdleSeconds, 0) << "keys are watched in gateway mode too";
    EXPECT_TRUE(lib.calls.empty());
}

TEST(ActivityKeys, EnterTabEscapeAndBackspaceAloneAreNoActivity) {
    for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Tab, Qt::Key_Escape, Qt::Key_Backspace,
                    Qt::Key_Pause, Qt::Key_CapsLock})
        EXPECT_FALSE(platform::keyCountsAsActivity(key)) << std::hex << key;
    for (int key : {Qt::Key_A, Qt::Key_5, Qt::Key_Space, Qt::Key_Comma, Qt::Key_Left, Qt::Key_F1,
                    Qt::Key_Shift, Qt::Key_Control, Qt::Key_Alt, Qt::Key_Delete, Qt::Key_Home})
        EXPECT_TRUE(platform::keyCountsAsActivity(key)) << std::hex << key;
}

TEST(ActivityKeys, InputToOwnWindowsIsSeen) {
    platform::OwnWindowsInput input;
    QLineEdit box;
    box.show();
    QTest::keyClick(&box, Qt::Key_Return);
    EXPECT_FALSE(input.keyPressedSinceLastCall());
    QTest::keyClick(&box, Qt::Key_X);
    EXPECT_TRUE(input.keyPressedSinceLastCall());
    EXPECT_FALSE(input.keyPressedSinceLastCall()) << "once per press";
    const auto before = input.cursorPosition();
    QTest::mouseMove(&box, QPoint(5, 5));
    QMouseEvent move(QEvent::MouseMove, QPointF(7, 7), box.mapToGlobal(QPointF(7, 7)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&box, &move);
    EXPECT_NE(input.cursorPosition(), before);
}

class AwayChannel : public ::testing::Test {
protected:
    SharedState state;
    ScriptedLibrary lib;
    clientlink::TSRemote ts{lib};
    FakeInput input;
    AutoAway away{state, ts, input};
    const QString awayName = QString::fromLatin1(AwayName);
};

TEST_F(AwayChannel, JoiningWhileAwayByHandKeepsTheFlagAndLeavingClearsIt) {
    state.FlagAway = true;
    away.awayChannelRule(awayName);
    EXPECT_TRUE(lib.calls.empty()) << "already away";
    EXPECT_TRUE(state.InAwayChannel);
    away.awayChannelRule(awayName);
    EXPECT_TRUE(lib.calls.empty());
    away.awayChannelRule(QStringLiteral("Funkraum"));
    EXPECT_EQ(lib.setFlags, 0);
    EXPECT_FALSE(state.InAwayChannel);
}

TEST_F(AwayChannel, BothRulesKeepTheirOwnMarksAndTheFirstToEndClears) {
    state.FuncAutoAway = true;
    away.EnterAutoAway();
    lib.own.PlayerFlags = 8;
    state.FlagAway = true;
    away.awayChannelRule(awayName);
    EXPECT_TRUE(state.InAwayChannel && state.AutoAwayActive);
    away.awayChannelRule(QString()); // the connection is lost: the caption empties
    EXPECT_EQ(lib.setFlags, 0);
    EXPECT_TRUE(state.AutoAwayActive) << "the idle rule's mark stays";
}

TEST_F(AwayChannel, TheLaterOfTwoAwayChannelsWinsAndNoneKeepsTheLastKnown) {
    lib.channels = {channel(3, AwayName), channel(5, "Funkraum"), channel(9, AwayName)};
    lib.server.ChannelCount = 3;
    away.FindAwayChannel();
    EXPECT_EQ(state.CurrentAWAYChannelID, QStringLiteral("9"));
    lib.channels = {channel(5, "Funkraum")};
    lib.server.ChannelCount = 1;
    away.FindAwayChannel();
    EXPECT_EQ(state.CurrentAWAYChannelID, QStringLiteral("9"));
    lib.channels = {channel(4, "========> abwesend <========")};
    away.FindAwayChannel();
    EXPECT_EQ(state.CurrentAWAYChannelID, QStringLiteral("9")) << "the name is compared exactly";
}
