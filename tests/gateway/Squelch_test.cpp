// The squelch input: its gate's rules on a 10 ms clock, then the microphone it switches
// through the client, against a fake line and clock.
#include "SquelchGate.h"
#include "SquelchInput.h"

#include "FakeSerialLine.h"
#include "Fakes.h"
#include "ScriptedLibrary.h"
#include "SharedState.h"
#include "TSRemote.h"
#include "TempDir.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

// Each character one 10 ms step: o open, c closed, k open while we key, m unreadable;
// the expectation '1' where the gate is open. Open delay 20 ms, hang 30 ms, limit 100 ms.
TEST(SquelchGate, OpensAfterTheDelayHangsAndClosesWhenItMustNot) {
    const struct {
        const char *input, *open, *what;
    } cases[] = {
        {"oooocccc", "00111100", "open after 20 ms, held 30 ms after it closes"},
        {"ococococ", "00000000", "bursts shorter than the delay"},
        {"ooooocoooc", "0011111111", "a short dip within the hang time"},
        {"oocooo", "000001", "a dip before opening starts the delay again"},
        {"ooookkooo", "001100001", "keying closes at once; afterwards the full delay"},
        {"oooommooo", "001100001", "an unreadable input counts as closed"},
        {"oooooooooooooooocoo", "0011111111110000000", "past the limit: stuck until it closes"},
        {"oooooooooooooockooo", "0011111111110000001", "stuck survives keying, not a close"},
    };
    for (const auto& c : cases) {
        SquelchGate gate({20, 30, 100});
        std::string got;
        for (std::size_t i = 0; c.input[i]; ++i) {
            const char in = c.input[i];
            gate.step(static_cast<std::int64_t>(i) * 10,
                      in == 'm' ? std::nullopt : std::optional(in != 'c'), in == 'k');
            got += gate.open() ? '1' : '0';
        }
        EXPECT_EQ(got, c.open) << c.what << " (" << c.input << ")";
    }
}

class Squelch : public ::testing::Test {
protected:
    app::SharedState state;
    fakes::ManualClock clock;
    FakeSerialLine line{clock};
    fakes::Prompts prompts;
    ScriptedLibrary lib;
    clientlink::TSRemote ts{lib};
    // A minute lasts 60 ms; the test samples the line itself.
    SquelchInput squelch{{state, ts, line, clock, prompts, 1, false}};

    void SetUp() override {
        state.FuncGateway = true;
        ASSERT_EQ(line.open(QStringLiteral("/dev/ttyUSB0")), platform::SerialLine::Result::Ok);
        SquelchSettings s;
        s.source = SquelchSettings::Source::Dcd;
        s.openDelayMs = 20;
        s.hangMs = 50;
        s.timeoutMinutes = 2;
        squelch.setSettings(s);
    }
    // The monitor's tick and the line's sampling, both every 10 ms here.
    void run(int ms) {
        for (int t = 0; t < ms; t += SquelchInput::StepMs) {
            squelch.tick();
            squelch.pollLine();
            clock.advance(SquelchInput::StepMs);
        }
    }
    // The microphone as the last flag write left it; nullopt: never written.
    std::optional<bool> microphone() const {
        for (auto c = lib.calls.rbegin(); c != lib.calls.rend(); ++c) {
            if (c->rfind("setPlayerFlags ", 0) == 0)
                return (std::stoi(c->substr(15)) & 16) == 0;
        }
        return std::nullopt;
    }
};

TEST_F(Squelch, TheMicrophoneFollowsTheLineThroughDelayAndHangTime) {
    run(30);
    EXPECT_EQ(microphone(), false) << "a closed squelch turns the microphone off at once";
    line.inputs = platform::SerialLine::Dcd;
    run(10);
    EXPECT_EQ(microphone(), false);
    run(20);
    EXPECT_EQ(microphone(), true);
    line.inputs = platform::SerialLine::Cts; // another line does not count
    run(40);
    EXPECT_EQ(microphone(), true) << "within the hang time";
    run(20);
    EXPECT_EQ(microphone(), false);

    SquelchSettings low = squelch.settings();
    low.activeHigh = false;
    squelch.setSettings(low);
    run(40);
    EXPECT_EQ(microphone(), true) << "active low: DCD down is open";
    EXPECT_EQ(squelch.lamp()->first, 0x00FF00u);
}

// While we key, the squelch is not heard and the microphone is off; a click on the
// microphone button holds until the squelch changes, but never through keying.
TEST_F(Squelch, KeyingAndClosedGatewayWinOverSquelchAndHand) {
    line.inputs = platform::SerialLine::Dcd;
    run(40);
    ASSERT_EQ(microphone(), true);
    state.frmCOM.RTSLit = true;
    run(10);
    EXPECT_EQ(microphone(), false);
    EXPECT_EQ(squelch.indicator(), SquelchGate::State::Inhibited);
    state.frmCOM.RTSLit = false;
    run(40);
    EXPECT_EQ(microphone(), true);

    state.FlagMicMute = false;
    ts.TSSetMicMute(true); // the person's click, as the main window makes it
    squelch.manualMicrophone();
    run(100);
    EXPECT_EQ(microphone(), false) << "the click holds while the squelch stays open";
    EXPECT_EQ(squelch.lamp()->first, 0xFFC800u);
    line.inputs = 0;
    run(60);
    EXPECT_FALSE(squelch.overridden()) << "the squelch closed: it decides again";

    ts.TSSetMicMute(false);
    squelch.manualMicrophone();
    state.frmCOM.COMPortsperren = true; // the gateway closed by its code
    run(10);
    EXPECT_EQ(microphone(), false);
    EXPECT_FALSE(squelch.overridden());
}

TEST_F(Squelch, StuckOrUnreadableIsToldOnceAndTheMicrophoneStaysOff) {
    line.inputs = platform::SerialLine::Dcd;
    run(400);
    EXPECT_EQ(microphone(), false) << "open longer than the limit of 120 ms";
    EXPECT_EQ(squelch.indicator(), SquelchGate::State::Stuck);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text,
              QStringLiteral("Die Squelch ist l\u00E4nger als 2 Minuten offen: das Mikrofon "
                             "bleibt aus, bis sie schlie\u00DFt."));
    line.inputs = 0;
    run(10);
    line.inputs = platform::SerialLine::Dcd;
    run(40);
    EXPECT_EQ(microphone(), true) << "closed once, it may open again";

    line.present = false; // the adapter is pulled
    run(10);
    EXPECT_EQ(microphone(), false);
    run(3000);
    ASSERT_EQ(prompts.shown.size(), 2u) << "one message, after two seconds";
    EXPECT_EQ(prompts.shown[1].text,
              QStringLiteral("Der Squelch-Eingang ist nicht verf\u00FCgbar (Adapter getrennt): "
                             "das Mikrofon bleibt aus, bis er wieder da ist."));
    line.present = true;
    run(40);
    EXPECT_EQ(microphone(), true) << "back with the adapter";

    state.FuncGateway = false;
    run(10);
    EXPECT_FALSE(squelch.lamp()) << "no gateway, no squelch input";
}

// Settings applied while another thread samples (as the sound input's thread does):
// the first opening under the new settings must not be dropped as a stale sample, or
// the microphone stays off for the whole over.
TEST_F(Squelch, SettingsChangedWhileSamplingLoseNoOpening) {
    SquelchSettings s = squelch.settings();
    s.openDelayMs = 0; // the first sample under the new settings opens
    line.inputs = platform::SerialLine::Dcd;
    std::atomic<bool> done{false};
    std::thread sampler([&] {
        while (!done)
            squelch.pollLine();
    });
    constexpr int Changes = 300;
    int change = 0;
    for (; change < Changes; ++change) {
        squelch.setSettings(s);
        squelch.tick();
        QDeadlineTimer deadline(500);
        while (squelch.indicator() != SquelchGate::State::Open && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (squelch.indicator() != SquelchGate::State::Open)
            break;
    }
    done = true;
    sampler.join();
    EXPECT_EQ(change, Changes) << "the opening after this change was lost";
}

TEST(SquelchSettingsFile, UnusableValuesAreTheDefaultsAndWhatIsWrittenReadsBack) {
    TempDir dir;
    const QString ini = dir.file(QStringLiteral("ts.ini"));
    EXPECT_EQ(readSquelchSettings(ini), SquelchSettings{}) << "no file: off";
    dir.write(QStringLiteral("ts.ini"), "[Squelch]\nQuelle=cts\nAktiv=tief\nOeffnen=-5\n"
                                        "Haltezeit=abc\nZeitlimit=999\nSchwelle=3\n");
    SquelchSettings expected;
    expected.source = SquelchSettings::Source::Cts;
    expected.activeHigh = false;
    EXPECT_EQ(readSquelchSettings(ini), expected);
    expected.source = SquelchSettings::Source::Audio;
    expected.thresholdDb = -48;
    expected.soundSource = QStringLiteral("alsa_input.usb-Funk.mono");
    ASSERT_TRUE(writeSquelchSettings(ini, expected));
    EXPECT_EQ(readSquelchSettings(ini), expected);
    EXPECT_TRUE(dir.read(QStringLiteral("ts.ini")).contains("Quelle=Audio\nAktiv=Tief\n"));
}
