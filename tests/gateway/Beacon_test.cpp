#include "Beacon.h"

#include "Fakes.h"
#include "SharedState.h"

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

class BeaconTest : public ::testing::Test {
protected:
    app::SharedState state;
    fakes::ManualClock clock;
    QStringList events;
    bool soundBusy = false;
    Beacon beacon{state, clock,
                  BeaconRoutes{[this] { events << QStringLiteral("internal"); },
                               [this](const QString& f) { events << QStringLiteral("shell ") + f; },
                               [] { return QStringLiteral("/srv/bake.mp3"); },
                               [this] { return soundBusy; }}};

    void SetUp() override {
        state.BakeEINAUS = true;
        state.frmOptions2.BakeWann = 30;
        at(11, 29, 59);
    }
    void at(int h, int m, int s) { clock.now = QDateTime(clock.now.date(), QTime(h, m, s)); }
    // One monitor tick, and what the event loop runs right after it.
    void tick() {
        beacon.Bake();
        QCoreApplication::sendPostedEvents();
    }
};

TEST_F(BeaconTest, FiresOnceInItsMinuteOfEveryHour) {
    tick();
    EXPECT_TRUE(events.isEmpty());
    at(11, 30, 0);
    tick();
    at(11, 30, 30);
    tick();
    at(11, 30, 59);
    tick();
    EXPECT_EQ(events, QStringList{QStringLiteral("internal")});
    at(11, 31, 0);
    tick();
    at(12, 29, 59);
    tick();
    EXPECT_EQ(events.size(), 1);
    at(12, 30, 0);
    tick();
    EXPECT_EQ(events, (QStringList{QStringLiteral("internal"), QStringLiteral("internal")}));
}

TEST_F(BeaconTest, TheInternalSoundPlaysAfterTheTickNotInsideIt) {
    at(11, 30, 0);
    beacon.Bake();
    EXPECT_TRUE(events.isEmpty());
    EXPECT_TRUE(beacon.BeaconFired);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(events, QStringList{QStringLiteral("internal")});
}

// Sent for the identification: the line is keyed first, the wave plays a little later,
// and the line is let go once it has played; the external route is not keyed.
TEST_F(BeaconTest, AnIdentificationKeysTheLineAroundTheWave) {
    const auto keying = [this](bool on) {
        events << (on ? QStringLiteral("key") : QStringLiteral("free"));
    };
    beacon.sendNow(keying);
    EXPECT_EQ(events, QStringList{QStringLiteral("key")});
    QTest::qWait(Beacon::KeyAheadMs / 2);
    EXPECT_EQ(events.size(), 1) << "the transmitter comes up before the wave";
    EXPECT_TRUE(QTest::qWaitFor([this] { return events.size() == 3; }, 2000));
    EXPECT_EQ(events, (QStringList{QStringLiteral("key"), QStringLiteral("internal"),
                                   QStringLiteral("free")}));
    state.frmOptions2.ExtPlayer = true;
    events.clear();
    beacon.sendNow(keying);
    EXPECT_EQ(events, QStringList{QStringLiteral("shell /srv/bake.mp3")});
}

TEST_F(BeaconTest, SwitchedOnWithinTheMinuteFiresOnceOnly) {
    state.BakeEINAUS = false;
    at(11, 30, 10);
    tick();
    EXPECT_TRUE(events.isEmpty());
    state.BakeEINAUS = true; // page 2 applied during the minute
    tick();
    EXPECT_EQ(events.size(), 1);
    state.BakeEINAUS = false;
    tick();
    state.BakeEINAUS = true;
    tick();
    EXPECT_EQ(events.size(), 1) << "off and on again within the minute does not fire again";
}

TEST_F(BeaconTest, OffOrAMinuteOutsideTheHourNeverFires) {
    state.frmOptions2.BakeWann = -1;
    for (int m = 0; m < 60; ++m) {
        at(11, m, 0);
        tick();
    }
    state.frmOptions2.BakeWann = 30;
    state.BakeEINAUS = false;
    at(12, 30, 0);
    tick();
    EXPECT_TRUE(events.isEmpty());
}

// Due while a DTMF string plays: the beacon waits for the string instead of failing as
// busy, and gives up only when its minute is long gone.
TEST_F(BeaconTest, ADueBeaconWaitsForAnotherSoundOfOurs) {
    soundBusy = true;
    at(11, 30, 0);
    tick();
    EXPECT_TRUE(events.isEmpty());
    clock.advance(1000);
    QTest::qWait(Beacon::RetryMs * 2);
    EXPECT_TRUE(events.isEmpty()) << "still busy";
    soundBusy = false;
    EXPECT_TRUE(QTest::qWaitFor([&] { return !events.isEmpty(); }, 2000));
    EXPECT_EQ(events, QStringList{QStringLiteral("internal")});

    events.clear();
    soundBusy = true;
    at(12, 30, 0);
    tick();
    clock.advance(Beacon::WaitLimitMs + 1);
    QTest::qWait(Beacon::RetryMs * 2);
    soundBusy = false;
    QTest::qWait(Beacon::RetryMs * 2);
    EXPECT_TRUE(events.isEmpty()) << "too late for its minute";
}
