#include "frmCOM.h"

#include "FakeSerialLine.h"
#include "Fakes.h"
#include "GatewayCodes.h"
#include "GatewaySwitching.h"
#include "LineGuard.h"
#include "ScriptedLibrary.h"
#include "SharedState.h"
#include "TSRemote.h"
#include "TempDir.h"

#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

// The keyer and its drive against a fake line and a fake clock. Time moves only
// through tick(): the 10 ms Delay ticks, the 1 s Watchdog ticks and the 100 ms
// monitor ticks run as their timers would.
class Keyer : public ::testing::Test {
protected:
    app::SharedState state;
    fakes::ManualClock clock;
    FakeSerialLine line{clock};
    fakes::Prompts prompts;
    ScriptedLibrary lib;
    clientlink::TSRemote ts{lib};
    int hangMs = 0;
    int watchdogMinutes = 1;
    int portResets = 0;
    QString defaultChannelId;
    QStringList keyings; // what the transmission log is told; outlives the keyer
    QStringList events;  // what the event list is told
    std::unique_ptr<frmCOM> keyer;
    std::unique_ptr<GatewaySwitching> drive;
    std::int64_t sinceWatchdog = 0;
    int secondMs = 1000;

    void SetUp() override {
        state.FuncGateway = true;
        state.WatchdogEIN = true;
        state.frmOptions.COMPortAuswahl = 1;
        makeKeyer();
    }
    void makeKeyer() {
        drive.reset();
        keyer.reset();
        keyer = std::make_unique<frmCOM>(
            state, line, clock, prompts,
            KeyerSettings{[this] { return hangMs; }, [this] { return watchdogMinutes; },
                          [](int n) { return QStringLiteral("/dev/ttyUSB%1").arg(n - 1); },
                          [this] { ++portResets; },
                          [this](bool keyed, const QString& cause) {
                              keyings << (keyed ? QStringLiteral("up")
                                                : QStringLiteral("down ") + cause);
                          },
                          secondMs, [this](const QString& what) { events << what; }});
        drive = std::make_unique<GatewaySwitching>(
            state, *keyer, ts,
            GatewaySwitching::DefaultChannel{[this] { return defaultChannelId; },
                                             [] { return QStringLiteral("pw"); }});
    }

    // Runs the program for ms milliseconds with the speaker decision fixed.
    void run(int ms, bool foreignSpeaker) {
        state.COMSenden = foreignSpeaker;
        for (int t = 0; t < ms; t += 10) {
            clock.advance(10);
            if (keyer->Delay->isActive())
                keyer->Delay_Timer();
            if (keyer->Watchdog->isActive() && (sinceWatchdog += 10) >= 1000) {
                sinceWatchdog = 0;
                keyer->Watchdog_Timer();
            }
            if (clock.ms % 100 == 0)
                drive->DriveKeyer();
        }
    }
    // Time from now until RTS falls, in ms; -1 if it stays up for limit ms.
    int msUntilRtsFalls(int limit) {
        for (int t = 0; t < limit; t += 10) {
            run(10, false);
            if (!line.rts)
                return t + 10;
        }
        return -1;
    }
};

TEST_F(Keyer, OpensWithBothLinesDownAndKeysTheChosenLineWhileAForeignPlayerSpeaks) {
    run(100, false);
    EXPECT_TRUE(state.frmCOM.COMPortOffen);
    EXPECT_EQ(line.openedDevice, QStringLiteral("/dev/ttyUSB0"));
    EXPECT_FALSE(line.rts || line.dtr);
    EXPECT_TRUE(line.changes.empty()) << "opening raises nothing";

    run(500, true);
    EXPECT_TRUE(line.rts);
    EXPECT_FALSE(line.dtr);
    EXPECT_TRUE(state.frmCOM.RTSLit);
    EXPECT_FALSE(state.frmCOM.DTRLit);
    EXPECT_TRUE(keyer->Watchdog->isActive());
    EXPECT_EQ(line.upCount("RTS"), 1) << "repeated requests do not toggle the line";

    const int fell = msUntilRtsFalls(1000);
    EXPECT_GT(fell, 0);
    EXPECT_LE(fell, 100) << "hang time 0: the first release request drops the line";
    EXPECT_FALSE(state.frmCOM.RTSLit);
    EXPECT_FALSE(keyer->Delay->isActive() || keyer->Watchdog->isActive());
    EXPECT_EQ(line.upCount("DTR"), 0);
}

TEST_F(Keyer, TheHangTimeHoldsTheLineAndNeverEndsEarly) {
    hangMs = 3000;
    run(100, false);
    run(1000, true);
    const int fell = msUntilRtsFalls(5000);
    EXPECT_GE(fell, 3000);
    EXPECT_LE(fell, 3100);
    EXPECT_GE(keyer->DelayTakt, 300);
    run(200, true);
    keyer->sperren();
    EXPECT_EQ(keyings,
              QStringList({QStringLiteral("up"), QStringLiteral("down Haltezeit abgelaufen"),
                           QStringLiteral("up"), QStringLiteral("down Gesperrt")}));
}

TEST_F(Keyer, SpeechResumingWithinTheHangTimeKeepsTheLineUpAndTheWatchdogCounting) {
    hangMs = 500;
    run(100, false);
    run(2000, true);
    run(300, false);
    EXPECT_TRUE(line.rts);
    run(1000, true);
    EXPECT_EQ(line.upCount("RTS"), 1);
    EXPECT_EQ(keyer->WatchdogSek, 3) << "counted through the pause";
    const int fell = msUntilRtsFalls(2000);
    EXPECT_GE(fell, 500);
    EXPECT_LE(fell, 600);
    EXPECT_EQ(keyings,
              QStringList({QStringLiteral("up"), QStringLiteral("down Haltezeit abgelaufen")}))
        << "one keying through the pause";
}

TEST_F(Keyer, TheWatchdogCutsBlocksAndTheClickReleases) {
    run(100, false);
    run(59'900, true);
    EXPECT_TRUE(line.rts) << "59.9 s: still sending";
    EXPECT_EQ(state.frmCOM.WatchdogRestSek, 1) << "the on-air sign's countdown";
    run(200, true);
    EXPECT_FALSE(line.rts);
    EXPECT_TRUE(state.frmCOM.COMPortsperren);
    EXPECT_EQ(state.frmCOM.AbgebrochenNachMin, 1);
    EXPECT_EQ(events,
              QStringList{QStringLiteral("Watchdog: Sendung nach 1 Min. abgebrochen, Senden "
                                         "gesperrt")});
    EXPECT_EQ(line.opens, 2) << "closed by the watchdog, reopened by the next drive";
    EXPECT_TRUE(state.frmCOM.COMPortOffen);
    run(2000, true);
    EXPECT_FALSE(line.rts) << "reopened but not keyed while blocked";
    EXPECT_EQ(line.upCount("RTS"), 1);

    state.frmCOM.COMPortsperren = false; // the click on the block image
    run(100, true);
    EXPECT_TRUE(line.rts);
    EXPECT_EQ(keyer->WatchdogMin, 0);
    EXPECT_EQ(keyings, QStringList({QStringLiteral("up"), QStringLiteral("down Watchdog"),
                                    QStringLiteral("up")}));
}

// The real timers, sped up: requests every few milliseconds must not hold off the
// watchdog's own ticks (a watchdog started again on each request would never fire).
TEST_F(Keyer, TheWatchdogTicksThroughAStreamOfRequests) {
    secondMs = 10; // a minute in 0.6 s
    makeKeyer();
    state.COMSenden = true;
    QTimer requests;
    QObject::connect(&requests, &QTimer::timeout, [this] {
        clock.advance(2);
        drive->DriveKeyer();
    });
    requests.start(2);
    ASSERT_TRUE(QTest::qWaitFor([this] { return line.rts; }, 1000));
    EXPECT_TRUE(QTest::qWaitFor([this] { return state.frmCOM.COMPortsperren; }, 5000))
        << "the watchdog never cut";
    EXPECT_FALSE(line.rts);
}

// A limit lowered below the time already sent cuts at the next second, not when the
// count comes round to it again an hour later.
TEST_F(Keyer, AWatchdogLimitLoweredWhileKeyedCutsAtOnce) {
    watchdogMinutes = 10;
    run(100, false);
    run(5 * 60'000, true);
    ASSERT_TRUE(line.rts);
    watchdogMinutes = 3;
    run(1000, true);
    EXPECT_FALSE(line.rts);
    EXPECT_TRUE(state.frmCOM.COMPortsperren);
}

// Whatever stops keying for good must drop the line on the spot and keep it down while
// the speaker goes on: the gateway switched off (a box of page 1's apply may still be
// open) and the program ending on a signal with ticks still queued.
TEST_F(Keyer, TheLineFollowsTheGatewaySwitchAndTheEndAtOnce) {
    const std::pair<const char*, std::function<void()>> stops[] = {
        {"Gateway aus", [this] { state.FuncGateway = false; }},
        {"Programm beendet", [this] { keyer->endForGood(); }},
    };
    for (const auto& [cause, stop] : stops) {
        makeKeyer();
        keyings.clear();
        state.FuncGateway = true;
        hangMs = 5000;
        run(100, false);
        run(300, true);
        ASSERT_TRUE(line.rts) << cause;
        stop();
        run(100, true);
        EXPECT_FALSE(line.rts) << cause;
        run(2000, true);
        EXPECT_FALSE(line.rts) << cause << ": keyed again";
        EXPECT_EQ(keyings, QStringList({QStringLiteral("up"),
                                        QStringLiteral("down ") + QString::fromLatin1(cause)}));
    }
}

TEST_F(Keyer, AWatchdogSwitchedOffHoldsItsCountersAtZero) {
    state.WatchdogEIN = false;
    run(100, false);
    run(61'000, true);
    EXPECT_TRUE(line.rts);
    EXPECT_EQ(keyer->WatchdogSek, 0);
    state.WatchdogEIN = true;
    run(2000, true);
    EXPECT_EQ(keyer->WatchdogSek, 2) << "counting starts from 0";
}

TEST_F(Keyer, ANewLineChoiceTakesEffectAfterThePortWasClosed) {
    run(100, false);
    run(300, true);
    ASSERT_TRUE(line.rts);
    keyer->COM_schliessen(1); // settings applied
    state.frmCOM.DTR = true;
    EXPECT_FALSE(line.rts) << "the raised line falls with the port";
    EXPECT_FALSE(state.frmCOM.RTSLit);
    run(300, true);
    EXPECT_TRUE(line.dtr);
    EXPECT_FALSE(line.rts);
    EXPECT_TRUE(state.frmCOM.DTRLit);
}

TEST_F(Keyer, AFailedOpenIsReportedOnceAndTheChoiceFallsBackToNone) {
    line.busy = true;
    state.frmOptions.COMPortAuswahl = 2;
    run(1000, true);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text,
              QStringLiteral("COM-Port 2 konnte nicht ge\u00F6ffnet werden !\n\n"
                             "Ger\u00E4t: /dev/ttyUSB1\nDer Port wird schon von einem anderen "
                             "Programm benutzt."));
    EXPECT_EQ(prompts.shown[0].icon, platform::Prompts::Icon::Exclamation);
    EXPECT_EQ(portResets, 1);
    EXPECT_EQ(state.frmOptions.COMPortAuswahl, 0);
    EXPECT_EQ(line.opens, 1) << "no further attempts";
    EXPECT_FALSE(state.frmCOM.RTSLit) << "no lamp for a line that is not driven";
}

TEST_F(Keyer, AFailedOpenSaysWhyAndForPermissionsWhatToDo) {
    const std::pair<platform::SerialLine::Result, const char*> cases[] = {
        {platform::SerialLine::Result::NotFound, "nicht vorhanden"},
        {platform::SerialLine::Result::PermissionDenied, "Gruppe \"dialout\""},
        {platform::SerialLine::Result::Unsupported, "RTS und DTR nicht schalten"},
    };
    for (const auto& [why, words] : cases) {
        prompts.shown.clear();
        line.refusal = why;
        state.frmOptions.COMPortAuswahl = 1;
        run(100, true);
        ASSERT_EQ(prompts.shown.size(), 1u) << words;
        EXPECT_TRUE(prompts.shown[0].text.contains(QStringLiteral("/dev/ttyUSB0")));
        EXPECT_TRUE(prompts.shown[0].text.contains(QString::fromUtf8(words))) << words;
    }
}

TEST_F(Keyer, NoNewAttemptWhileTheMessageIsShowing) {
    line.present = false;
    // The timers go on while the box waits for its OK: the drive runs inside it.
    prompts.onMessage = [this] { drive->DriveKeyer(); };
    drive->DriveKeyer();
    EXPECT_EQ(line.opens, 1);
    EXPECT_EQ(prompts.shown.size(), 1u);
}

TEST_F(Keyer, AVanishedAdapterDropsEverythingWarnsOnceAndComesBack) {
    run(100, false);
    run(300, true);
    ASSERT_TRUE(line.rts);
    line.present = false; // unplugged
    run(100, false);
    EXPECT_FALSE(state.frmCOM.COMPortOffen);
    EXPECT_FALSE(state.frmCOM.RTSLit || state.frmCOM.DelayEIN);
    EXPECT_FALSE(keyer->Watchdog->isActive() || keyer->Delay->isActive());
    run(3000, true);
    EXPECT_FALSE(state.frmCOM.RTSLit) << "no lamp for a line that is not there";
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_TRUE(prompts.shown[0].text.contains(QStringLiteral("COM-Port 1")));
    EXPECT_EQ(state.frmOptions.COMPortAuswahl, 1) << "the choice stays for when it comes back";
    EXPECT_LE(line.opens, 1 + 3) << "quiet retries at most once a second";

    line.present = true;
    run(1100, true);
    EXPECT_TRUE(state.frmCOM.COMPortOffen);
    EXPECT_TRUE(line.rts);
    EXPECT_EQ(prompts.shown.size(), 1u);
    keyer.reset(); // the program ends while keyed
    EXPECT_EQ(keyings,
              QStringList({QStringLiteral("up"), QStringLiteral("down Adapter getrennt"),
                           QStringLiteral("up"), QStringLiteral("down Programm beendet")}));
}

// A radio that stops answering may still be sending: its watchdog counts on through the
// loss, so it is cut and blocked on time and stays down when it answers again. A pulled
// adapter takes its line with it, and its count starts afresh with the next keying.
TEST_F(Keyer, ARadioThatStopsAnsweringKeepsItsWatchdogCounting) {
    for (const bool drops : {false, true}) {
        makeKeyer();
        line.drops = drops;
        line.present = true;
        state.frmCOM.COMPortsperren = false;
        run(100, false);
        run(30'000, true);
        ASSERT_TRUE(line.rts);
        line.present = false;
        run(40'000, true); // 70 s of speech, 40 s of it without an answer
        line.present = true;
        run(2000, true);
        EXPECT_TRUE(state.frmCOM.COMPortOffen) << "back, drops=" << drops;
        EXPECT_EQ(state.frmCOM.COMPortsperren, !drops) << "drops=" << drops;
        EXPECT_EQ(line.rts, drops) << "drops=" << drops;
    }
}

// The guard that drops the lines from a signal handler lets go of the descriptor before
// the port closes it: a signal in between must not reach a closed or reused descriptor.
TEST_F(Keyer, TheGuardLetsGoOfThePortBeforeItCloses) {
    std::vector<int> guarded;
    line.handle = 42;
    line.closing = [&] { guarded.push_back(platform::LineGuard::watched()); };
    run(100, true);
    ASSERT_EQ(platform::LineGuard::watched(), 42);
    line.present = false; // the adapter lost
    run(100, false);
    line.present = true;
    run(1100, true);
    ASSERT_EQ(platform::LineGuard::watched(), 42);
    keyer.reset(); // the program ends
    EXPECT_EQ(guarded, std::vector<int>({-1, -1}));
}

TEST_F(Keyer, AnIdlePortThatVanishesIsFoundByTheNextTick) {
    run(200, false);
    line.present = false;
    run(100, false);
    EXPECT_FALSE(state.frmCOM.COMPortOffen);
    EXPECT_EQ(prompts.shown.size(), 1u);
}

TEST_F(Keyer, TheDriveStaysQuietWithoutGatewayOrPortAndNeverKeysTheOwnVoice) {
    state.FuncGateway = false;
    run(500, true);
    EXPECT_EQ(line.opens, 0);
    state.FuncGateway = true;
    state.frmOptions.COMPortAuswahl = 0;
    run(500, true);
    EXPECT_EQ(line.opens, 0);
    EXPECT_TRUE(prompts.shown.empty());
    state.frmOptions.COMPortAuswahl = 1;
    run(500, false); // the own player speaking leaves COMSenden False
    EXPECT_EQ(line.upCount("RTS"), 0);
}

TEST_F(Keyer, TheHangCounterIsBounded) {
    hangMs = 3000;
    run(100, false);
    run(200, true);
    state.FuncGateway = true;
    keyer->Delay->start();
    clock.advance(3'600'000);
    keyer->Delay_Timer();
    EXPECT_EQ(keyer->DelayTakt, 3276);
    EXPECT_TRUE(state.frmCOM.DelayEIN);
}

TEST_F(Keyer, SwitchenMovesToTheDefaultChannelOnceAndStops) {
    drive->armSwitchen();
    EXPECT_TRUE(drive->Switchen->isActive());
    EXPECT_EQ(drive->Switchen->interval(), 5000);
    defaultChannelId = QStringLiteral("12");
    drive->Switchen_Timer();
    EXPECT_EQ(lib.calls, std::vector<std::string>{"switchChannelID 12"});
    EXPECT_EQ(lib.lastText, "pw");
    EXPECT_FALSE(drive->Switchen->isActive());

    drive->armSwitchen();
    defaultChannelId = QStringLiteral("kein");
    drive->Switchen_Timer();
    EXPECT_EQ(lib.calls.size(), 1u) << "no number: no switch, and the timer stops all the same";
    EXPECT_FALSE(drive->Switchen->isActive());
}

TEST(PortMap, DefaultsAndTheSchnittstellenSection) {
    TempDir dir;
    const QString ini = dir.file(QStringLiteral("ts.ini"));
    auto map = readPortMap(ini);
    EXPECT_EQ(map[0], QStringLiteral("/dev/ttyS0"));
    EXPECT_EQ(map[3], QStringLiteral("/dev/ttyS3"));
    dir.write(QStringLiteral("ts.ini"),
              "[Optionen]\nGateway=1\n[Schnittstellen]\nCOM2=/dev/ttyUSB0\n");
    map = readPortMap(ini);
    EXPECT_EQ(map[1], QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(map[0], QStringLiteral("/dev/ttyS0"));
}

// The gateway codes heard on the radio, acting through the real keyer.
TEST_F(Keyer, HeardCodesCloseAndOpenTheGatewayOnlyWhenSwitchedOn) {
    int identifications = 0;
    GatewayCodes codes(state, *keyer, ts, [&identifications] { ++identifications; });
    hangMs = 3000;
    run(100, false);
    run(300, true);
    ASSERT_TRUE(line.rts);

    EXPECT_EQ(codes.act(QStringLiteral("*48#")), std::nullopt) << "off by default";
    EXPECT_TRUE(line.rts);

    codes.enabled = true;
    EXPECT_EQ(codes.act(QStringLiteral("*48")), std::nullopt);
    lib.calls.clear();
    EXPECT_EQ(codes.act(QStringLiteral("7*48#")), QStringLiteral("Gateway geschlossen"))
        << "a stray digit before the code changes nothing";
    EXPECT_FALSE(line.rts) << "the line drops at once, hang time or not";
    EXPECT_TRUE(state.frmCOM.COMPortsperren);
    EXPECT_NE(std::find(lib.calls.begin(), lib.calls.end(), "setPlayerFlags 16"), lib.calls.end())
        << "the own microphone is muted";
    run(500, true);
    EXPECT_FALSE(line.rts) << "no keying while closed";

    lib.calls.clear();
    EXPECT_EQ(codes.act(QStringLiteral("*47#")), QStringLiteral("Gateway offen"));
    EXPECT_FALSE(state.frmCOM.COMPortsperren);
    EXPECT_NE(std::find(lib.calls.begin(), lib.calls.end(), "setPlayerFlags 0"), lib.calls.end());
    run(300, true);
    EXPECT_TRUE(line.rts) << "keys again";

    // The codes applied last on the keypad count, not the defaults.
    state.frmDTMF.id = QStringLiteral("*99#");
    EXPECT_EQ(codes.act(QStringLiteral("*73#")), std::nullopt);
    EXPECT_EQ(codes.act(QStringLiteral("*99#")), QStringLiteral("Kennung gesendet"));
    EXPECT_EQ(identifications, 1);
}
