// The keypad of the real quorvex program on a private Xvfb, playing to a private
// PulseAudio server whose sink the test records and decodes; and the keyer's line
// while a tone string plays.
#include "KeyerRig.h"
#include "PrivateDisplay.h"
#include "PulseServer.h"
#include "PulseSound.h"
#include "Rig.h"
#include "ToneCheck.h"

#include <QComboBox>
#include <QLineEdit>
#include <QStandardPaths>

#include <memory>

#include <gtest/gtest.h>

namespace {

bool haveTools() {
    for (const char* tool : {"Xvfb", "xdotool", "pulseaudio", "parec"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            return false;
    }
    return true;
}

// From the main window to the keypad by its button, as a person would.
QByteArray openKeypad(const PrivateDisplay& display) {
    const QByteArray main = display.window(QStringLiteral("^Quorvex "), 20000);
    if (main.isEmpty())
        return {};
    // cmdDTMF: 300 twips square at (120, 2355), 15 twips to the pixel.
    const QByteArray keypad = display.clickUntil(main, {18, 167}, QStringLiteral("^DTMF$"));
    if (!keypad.isEmpty()) {
        display.xdotool({QStringLiteral("windowfocus"), QString::fromLatin1(keypad)});
        QThread::msleep(300);
    }
    return keypad;
}

bool type(const PrivateDisplay& display, const QString& keys) {
    return display.xdotool(
        {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("250"), keys});
}

bool press(const PrivateDisplay& display, const QString& key) {
    return display.xdotool({QStringLiteral("key"), key});
}

} // namespace

// A private sound server and X display, one for the suite: each test starts its own
// quorvex, which ends with the test.
class SoundE2E : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!haveTools())
            return;
        server = std::make_unique<PulseServer>();
        display = std::make_unique<PrivateDisplay>();
    }
    static void TearDownTestSuite() {
        display.reset();
        server.reset();
    }
    void SetUp() override {
        if (!haveTools())
            GTEST_SKIP() << "needs Xvfb, xdotool, pulseaudio, parec (scripts/install-packages.sh)";
        ASSERT_TRUE(server->ok());
        ASSERT_FALSE(display->name.isEmpty());
    }
    static std::unique_ptr<PulseServer> server;
    static std::unique_ptr<PrivateDisplay> display;
};
std::unique_ptr<PulseServer> SoundE2E::server;
std::unique_ptr<PrivateDisplay> SoundE2E::display;

TEST_F(SoundE2E, TheKeypadPlaysWhatIsTypedAndTheStringInOrder) {
    TempDir dir;
    saveWithSettingsPage(dir.file(QStringLiteral("ts.ini")),
                         [](frmOptions& page) { page.cmbServerAdresse->setCurrentIndex(2); });
    Child quorvex;
    ASSERT_TRUE(startQuorvex(quorvex, dir.path(), dir.file(QStringLiteral("none.sock")),
                             display->name, server->environment()));
    ASSERT_FALSE(openKeypad(*display).isEmpty()) << "the keypad did not open";

    SinkRecorder recorder(*server);
    // Each key plays its tone, then Enter plays the collected string.
    ASSERT_TRUE(type(*display, QStringLiteral("1*#5")));
    ASSERT_TRUE(press(*display, QStringLiteral("Return")));
    QThread::msleep(1500);
    ASSERT_TRUE(type(*display, QStringLiteral("55")));
    ASSERT_TRUE(press(*display, QStringLiteral("Return")));
    QThread::msleep(1200);
    const std::string heard = heardString(recorder.stop(), SinkRecorder::Rate);
    EXPECT_EQ(heard, "1*#51*#555"
                     "55")
        << "keys, string, keys, string";
    EXPECT_EQ(quorvex.state(), QProcess::Running);
}

TEST_F(SoundE2E, AKeyedLineDropsOnTimeWhileAToneStringPlays) {
    constexpr int hangMs = 300;
    KeyerRig rig;
    ASSERT_TRUE(rig.start(hangMs, display->name, server->environment()));
    ASSERT_FALSE(openKeypad(*display).isEmpty()) << "the keypad did not open";
    // Twelve tones of 160 ms: a string of about two seconds, each typed key heard too.
    SinkRecorder recorder(*server);
    ASSERT_TRUE(type(*display, QStringLiteral("123456789012")));
    QThread::msleep(1000);

    // The speaker stops 100 ms before the string starts (Enter, then 250 ms).
    const std::int64_t t0 = monotonicNs();
    rig.sim->command("speak 7 on\nwait 1150\nspeak 7 off");
    ASSERT_TRUE(waitUntil([&] { return !rig.keying().empty() && rig.keying().back().rts; }, 1000));
    QThread::msleep(static_cast<unsigned long>(1000 - (monotonicNs() - t0) / 1'000'000));
    const std::int64_t enter = monotonicNs();
    ASSERT_TRUE(press(*display, QStringLiteral("Return")));
    const std::int64_t stop = t0 + 1'150'000'000;
    ASSERT_TRUE(waitUntil([&] { return rig.keying().size() >= 2; }, 4000));
    QThread::msleep(2500); // the rest of the string
    const auto k = rig.keying();
    ASSERT_EQ(k.size(), 2u);
    EXPECT_TRUE(k[0].rts);
    EXPECT_FALSE(k[1].rts);
    const auto dropMs = (k[1].ns - stop) / 1'000'000;
    const auto stringStartMs = (enter - stop) / 1'000'000 + 250;
    std::printf("measured: line dropped %lld ms after the speaker stopped (hang time %d ms); "
                "the string started about %lld ms after the stop and lasts about 1900 ms\n",
                static_cast<long long>(dropMs), hangMs, static_cast<long long>(stringStartMs));
    EXPECT_GE(dropMs, hangMs - 100) << "the hang time runs from the last poll that saw the speech";
    // A tick to see the stop, the hang time, a tick to act: hang + 110 ms, and a little
    // for the client's own timer, which fires late, never early.
    EXPECT_LE(dropMs, hangMs + 110 + 40);
    EXPECT_EQ(heardString(recorder.stop(), SinkRecorder::Rate), "123456789012"
                                                                "123456789012")
        << "the typed keys, then the whole string around the drop";
}

// Started with -dtmf, the program listens when its keypad's box is ticked (reached with
// the keyboard, as a person without a mouse would) and acts on a heard close code.
TEST_F(SoundE2E, AHeardCloseCodeMutesTheOwnMicrophone) {
    TempDir dir;
    const QString socket = dir.file(QStringLiteral("client.sock"));
    saveWithSettingsPage(dir.file(QStringLiteral("ts.ini")), [](frmOptions& page) {
        page.cmbServerAdresse->setCurrentIndex(2);
        page.txtNickname->setText(QStringLiteral("DL0GW"));
    });
    // The option a user sets in the recognizer's window.
    INIfile::INIWrite(dir.file(QStringLiteral("ts.ini")), QStringLiteral("DTMF"),
                      QStringLiteral("CodesAusfuehren"), QStringLiteral("1"));
    dir.write(QStringLiteral("world.txt"),
              "connect teamspeak://localhost:8767?nickname=DL0GW?loginname=?password=?channel="
              "?channelpassword=\n");
    SimProcess sim(socket, dir.file(QStringLiteral("world.txt")));
    ASSERT_TRUE(sim.ready());
    Child quorvex;
    ASSERT_TRUE(startQuorvex(quorvex, dir.path(), socket, display->name, server->environment(),
                             {QStringLiteral("-dtmf")}));
    ASSERT_FALSE(openKeypad(*display).isEmpty());
    // From the first key to "DTMF einschalten": the twelve keys, the tone string and
    // "Senden", three codes, "Übernehmen", "Abbruch", the heard string.
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(press(*display, QStringLiteral("Tab")));
    ASSERT_TRUE(press(*display, QStringLiteral("space")));
    // Listening means a recording stream on the server.
    ASSERT_TRUE(waitUntil([&] { return server->recordingStreams() > 0; }, 10000))
        << "the keypad's box did not start the recognition";
    QThread::msleep(300);

    server->useInThisProcess();
    platform::PulseSound sound;
    // A stray digit first, as a burst of noise would leave one.
    for (int n : {7, 10, 4, 8, 11})
        ASSERT_TRUE(sound.playWaveSync(QStringLiteral(TONE_FOLDER "/%1.wav").arg(n)));
    EXPECT_TRUE(
        waitUntil([&] { return sim.output().contains("tsrSetPlayerFlags flags=16\n"); }, 3000))
        << "the close code *48# mutes the microphone after a stray 7\n"
        << sim.output().toStdString();
}
