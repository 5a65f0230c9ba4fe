// The program keying the other interfaces through its keying process: a CAT command to
// the real rigctld (Hamlib's dummy rig, PTT by CAT, reached as model 2 on loopback), and a
// CM108 sound card's GPIO, its hidraw device played by a pseudo-terminal whose other end
// reads the exact reports.
#include "Accessibility.h"
#include "KeyerRig.h"
#include "MicrophoneLog.h"
#include "PrivateDisplay.h"
#include "SenderSettings.h"
#include "SquelchSettings.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <optional>
#include <poll.h>
#include <termios.h>
#include <tuple>

namespace {

// The rig's PTT as rigctld reads it back ("t"): "1", "0", or empty when it does not answer.
QByteArray pttOf(quint16 port) {
    QTcpSocket s;
    s.connectToHost(QStringLiteral("127.0.0.1"), port);
    if (!s.waitForConnected(1000))
        return {};
    s.write("t\n");
    return s.waitForReadyRead(1000) ? s.readLine().trimmed() : QByteArray();
}

quint16 freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

// Hamlib's dummy rig behind the real rigctld, PTT by CAT, on a free loopback port; with
// a trace file, each command it is given is written there ("cmd=...").
struct Rigctld {
    explicit Rigctld(const QString& trace = {}) {
        QStringList arguments{QStringLiteral("-m"), QStringLiteral("1"),
                              QStringLiteral("-P"), QStringLiteral("RIG"),
                              QStringLiteral("-T"), QStringLiteral("127.0.0.1"),
                              QStringLiteral("-t"), QString::number(port)};
        if (!trace.isEmpty()) {
            arguments << QStringLiteral("-vvvv");
            process.setProcessChannelMode(QProcess::SeparateChannels);
            process.setStandardErrorFile(trace);
        }
        process.start(QStringLiteral("rigctld"), arguments);
        ok = waitUntil([&] { return pttOf(port) == "0"; }, 5000);
    }
    static bool available() {
        return !QStandardPaths::findExecutable(QStringLiteral("rigctld")).isEmpty();
    }
    QString device() const { return QStringLiteral("127.0.0.1:%1").arg(port); }
    quint16 port = freePort();
    Child process;
    bool ok = false;
};

// Settings that key a CAT radio at host:port, as the Sender window writes them.
std::function<void(const QString&)> hamlibAt(const QString& device) {
    return [device](const QString& ini) {
        platform::KeyingInterface hamlib;
        hamlib.way = platform::KeyingInterface::Way::Hamlib;
        hamlib.device = device;
        writeSenderSettings(ini, hamlib);
    };
}

// The program frozen, then killed, while keyed: the keying process drops the line by itself,
// within 2.5 s (no heartbeat) and 200 ms (the end of its pipe).
void expectTheLineToDropWithoutTheProgram(KeyerRig& rig, const std::function<bool()>& keyed) {
    rig.speak(true);
    for (const auto& [sig, boundMs] : {std::pair{SIGSTOP, 2500}, std::pair{SIGKILL, 200}}) {
        ASSERT_TRUE(waitUntil(keyed, 5000)) << "not keyed before " << strsignal(sig);
        QElapsedTimer t;
        t.start();
        rig.quorvex.signal(sig);
        const bool dropped = waitUntil([&] { return !keyed(); }, boundMs + 2000, 1);
        const qint64 ms = t.elapsed();
        rig.quorvex.signal(SIGCONT);
        ASSERT_TRUE(dropped) << strsignal(sig) << ": the line stayed keyed";
        std::printf("measured: program %s while keyed, line down after %lld ms (bound %d ms)\n",
                    strsignal(sig), static_cast<long long>(ms), boundMs);
        EXPECT_LE(ms, boundMs) << strsignal(sig);
    }
}

} // namespace

TEST(RadioE2E, HamlibKeysByCatHoldsTheHangTimeAndTheWatchdogCuts) {
    if (!Rigctld::available())
        GTEST_SKIP() << "needs rigctld (Debian package libhamlib-utils)";
    const Rigctld rigctld;
    ASSERT_TRUE(rigctld.ok) << "rigctld did not start";
    const quint16 port = rigctld.port;
    KeyerRig rig;
    rig.serialKeying = false;
    rig.morePage = [](frmOptions& page) { page.sldWatchdog->setValue(1); };
    rig.moreSettings = hamlibAt(rigctld.device());
    QProcessEnvironment env;
    env.insert(QStringLiteral("QUORVEX_TEST_SECOND_MS"), QStringLiteral("40")); // 2.4 s minute
    ASSERT_TRUE(rig.start(300, {}, env));

    QElapsedTimer t;
    rig.sim->command("speak 7 on\nwait 800\nspeak 7 off");
    t.start();
    ASSERT_TRUE(waitUntil([&] { return pttOf(port) == "1"; }, 3000)) << "not keyed by CAT";
    ASSERT_TRUE(waitUntil([&] { return pttOf(port) == "0"; }, 3000)) << "not released";
    std::printf("measured: keyed by CAT for %lld ms (speech 800 ms, hang time 300 ms)\n",
                static_cast<long long>(t.elapsed()));
    EXPECT_GE(t.elapsed(), 800 + 300 - 100);

    // Speech without end: the watchdog's minute (2.4 s here) cuts and blocks.
    rig.speak(true);
    ASSERT_TRUE(waitUntil([&] { return pttOf(port) == "1"; }, 3000));
    t.start();
    ASSERT_TRUE(waitUntil([&] { return pttOf(port) == "0"; }, 6000)) << "the watchdog never cut";
    std::printf("measured: the watchdog cut the CAT keying after %lld ms (a minute of 2400 ms)\n",
                static_cast<long long>(t.elapsed()));
    QThread::msleep(500);
    EXPECT_EQ(pttOf(port), "0") << "keyed again while blocked";

    rig.quorvex.stop(); // a new start lifts the block
    ASSERT_TRUE(rig.launch());
    expectTheLineToDropWithoutTheProgram(rig, [&] { return pttOf(port) == "1"; });
}

namespace { // beside Rigctld

// The keying process run directly on Hamlib's dummy rig behind rigctld (which writes the
// commands it is given to a trace file); requests go out as they are given.
class HamlibKeyer : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Rigctld::available())
            GTEST_SKIP() << "needs rigctld (Debian package libhamlib-utils)";
        rigctld.emplace(dir.file(QStringLiteral("rigctld.log")));
        ASSERT_TRUE(rigctld->ok) << "rigctld did not start";
        keyer.start(QStringLiteral(KEYER_PATH),
                    {QStringLiteral("--art"), QStringLiteral("Hamlib"), QStringLiteral("--geraet"),
                     rigctld->device(), QStringLiteral("--heartbeat-ms"), QStringLiteral("60000")});
    }
    void send(const QString& requests) {
        keyer.write(requests.toLatin1());
        keyer.waitForBytesWritten(100); // at once, not when the test next waits
    }
    // Its answers (after its first word), once it was told to end and has ended.
    QByteArrayList answers() {
        send(QStringLiteral("999 Q\n"));
        EXPECT_TRUE(keyer.waitForFinished(30000));
        QByteArrayList lines = keyer.readAllStandardOutput().trimmed().split('\n');
        lines.removeFirst();
        return lines;
    }
    TempDir dir;
    std::optional<Rigctld> rigctld;
    QProcess keyer;
};

// The squelch's wait and the keying reach the radio from two threads of the keying
// process; Hamlib's rig takes one call at a time (crossed, its answers are protocol
// errors, which the program reads as a radio gone).
TEST_F(HamlibKeyer, AsksTheRadioOneThingAtATime) {
    QString requests;            // all at once, so that they cross in the keying process
    for (int i = 0; i < 40; ++i) // wait for the squelch, key or unkey, check the radio
        requests += QStringLiteral("%1 W 0\n%2 R %3\n%4 C\n")
                        .arg(3 * i + 1)
                        .arg(3 * i + 2)
                        .arg(i % 2)
                        .arg(3 * i + 3);
    send(requests);
    QByteArrayList failed;
    for (const QByteArray& answer : answers()) {
        const QByteArrayList words = answer.split(' ');
        if (words.value(0).toInt() % 3 != 1 && words.value(1) != "0") // a wait may be refused
            failed << answer;
    }
    EXPECT_TRUE(failed.isEmpty()) << failed.size() << " failed, first "
                                  << failed.value(0).constData();
}

// The squelch asks for the radio's DCD every 10 ms; the radio itself is asked at most every
// 50 ms, so a CAT bus (often shared with other programs through rigctld) is not kept busy.
TEST_F(HamlibKeyer, AsksTheRadioForItsSquelchAtMostEvery50Ms) {
    int asked = 0;
    QElapsedTimer t;
    for (t.start(); t.elapsed() < 1000; QThread::msleep(10))
        send(QStringLiteral("%1 G\n").arg(++asked));
    const QByteArrayList all = answers();
    const auto answered = std::count_if(
        all.begin(), all.end(), [](const QByteArray& a) { return a.split(' ').value(1) == "0"; });
    const qsizetype reads = dir.read(QStringLiteral("rigctld.log")).count("cmd=get_dcd");
    std::printf("measured: %d questions in 1 s reached the radio %lld times (bound 22)\n", asked,
                static_cast<long long>(reads));
    EXPECT_EQ(answered, asked) << "each answered";
    EXPECT_GE(reads, 2);
    EXPECT_LE(reads, 1000 / 50 + 2);
}

} // namespace

// A CAT radio that takes the connection and never answers (Hamlib waits 20 s for it): the
// window answers all along, as its thread never waits for the keying process's start.
TEST(RadioE2E, ARadioThatDoesNotAnswerNeverHoldsTheWindow) {
    if (!AccessibilityBus::available())
        GTEST_SKIP() << "needs at-spi2-core (scripts/install-packages.sh)";
    QTcpServer silent; // takes connections, answers nothing
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    PrivateDisplay display;
    ASSERT_FALSE(display.name.isEmpty());
    AccessibilityBus a11y;
    ASSERT_FALSE(a11y.address.isEmpty()) << "at-spi-bus-launcher did not start";
    KeyerRig rig;
    rig.serialKeying = false;
    rig.moreSettings = hamlibAt(QStringLiteral("127.0.0.1:%1").arg(silent.serverPort()));
    ASSERT_TRUE(rig.start(0, display.name, a11y.environment()));
    ASSERT_FALSE(display.window(QStringLiteral("^Quorvex "), 20000).isEmpty());
    rig.speak(true); // the keying asks for the line all along
    qint64 longest = 0;
    QElapsedTimer t;
    for (t.start(); t.elapsed() < 8000; QThread::msleep(100))
        longest = std::max(longest, a11y.answerMs());
    std::printf("measured: the window answered within %lld ms at the longest over 8 s (bound "
                "250 ms)\n",
                static_cast<long long>(longest));
    EXPECT_GE(longest, 0) << "the program was not on the accessibility bus";
    EXPECT_LE(longest, 250);
    // A radio that has not answered yet is no failure: nothing is told before Hamlib gives up.
    EXPECT_FALSE(a11y.find(QRegularExpression(QStringLiteral("konnte nicht ge\u00F6ffnet"))));
}

TEST(RadioE2E, Cm108KeysByExactReportsAndItsVolDownOpensTheSquelch) {
    KeyerRig rig;
    ASSERT_FALSE(rig.pts.isEmpty());
    {
        // The report bytes pass unchanged, as through a hidraw device.
        const int slave = ::open(rig.pts.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
        termios raw{};
        ::tcgetattr(slave, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(slave, TCSANOW, &raw);
        ::close(slave);
    }
    rig.serialKeying = false;
    rig.moreSettings = [&rig](const QString& ini) {
        platform::KeyingInterface cm108;
        cm108.way = platform::KeyingInterface::Way::Cm108;
        cm108.device = rig.pts;
        writeSenderSettings(ini, cm108);
        SquelchSettings squelch; // the receiver's COS on the card's VolDown input
        squelch.source = SquelchSettings::Source::Cm108;
        squelch.cm108Input = 1;
        writeSquelchSettings(ini, squelch);
    };
    ASSERT_TRUE(rig.start(0));
    const QByteArray unkeyed("\x00\x00\x00\x04\x00", 5), keyed("\x00\x00\x04\x04\x00", 5);
    QByteArray reports;
    const auto seen = [&](const QByteArray& report) {
        return waitUntil(
            [&] {
                char buffer[64];
                pollfd p{rig.master(), POLLIN, 0};
                if (::poll(&p, 1, 0) > 0)
                    reports.append(buffer, std::max<ssize_t>(0, ::read(rig.master(), buffer, 64)));
                return reports.contains(report);
            },
            3000);
    };
    ASSERT_TRUE(seen(unkeyed)) << "not unkeyed at the start: " << reports.toHex().constData();
    reports.clear();
    rig.speak(true);
    ASSERT_TRUE(seen(keyed)) << "GPIO 3 keyed is 00 00 04 04 00; seen "
                             << reports.toHex().constData();
    reports.clear();
    rig.speak(false);
    EXPECT_TRUE(seen(unkeyed)) << "seen " << reports.toHex().constData();

    // The squelch opens on the VolDown input's report and closes with it.
    MicrophoneLog mic(*rig.sim);
    ASSERT_GE(mic.waitFor(false, 2000), 0);
    for (const bool open : {true, false}) {
        const char report[4] = {open ? '\x02' : '\x00', 0, 0, 0};
        ASSERT_EQ(::write(rig.master(), report, 4), 4);
        EXPECT_GE(mic.waitFor(open, 2000), 0) << "the microphone did not follow VolDown " << open;
    }
    expectTheLineToDropWithoutTheProgram(rig, [&] {
        seen(QByteArray()); // what came meanwhile
        const qsizetype up = reports.lastIndexOf(keyed), down = reports.lastIndexOf(unkeyed);
        return up >= 0 && up > down;
    });
}

// A GPIO chip for libgpiod, played by the interposer (a container has no gpio-sim): the
// levels the program drives are logged, the inputs' levels read from a file.
struct PlayedChip {
    explicit PlayedChip(const TempDir& dir)
        : log(dir.file(QStringLiteral("gpio.log"))),
          inputs(dir.file(QStringLiteral("gpio-inputs/levels"))) {
        QDir().mkpath(dir.file(QStringLiteral("gpio-inputs")));
        env = environmentWith({{QStringLiteral("LD_PRELOAD"), QStringLiteral(GPIO_INTERPOSER_PATH)},
                               {QStringLiteral("GPIO_INTERPOSE_CHIP"), name},
                               {QStringLiteral("GPIO_INTERPOSE_LOG"), log},
                               {QStringLiteral("GPIO_INTERPOSE_INPUTS"), inputs}},
                              QProcessEnvironment());
    }
    // An output's last physical level.
    std::optional<int> level(int line) const {
        const QList<QByteArray> said = TempDir::readAll(log).trimmed().split('\n');
        for (auto l = said.crbegin(); l != said.crend(); ++l) {
            const QList<QByteArray> w = l->split(' ');
            if (w.size() == 4 && w[2].toInt() == line)
                return w[3].toInt();
        }
        return std::nullopt;
    }
    bool drive(int line, bool high) const {
        QSaveFile f(inputs);
        return f.open(QIODevice::WriteOnly) &&
               f.write(QByteArray::number(line) + '=' + (high ? '1' : '0')) > 0 && f.commit();
    }
    QString log, inputs;
    QString name = QStringLiteral("gpiochip-test"); // what [Sender] Geraet names
    QProcessEnvironment env;                        // for the program
};

// A GPIO line keys, active low as wired; another line of the chip carries the squelch,
// its edges waited for; the line drops without the program.
TEST(GpioE2E, KeysItsLineAndAnotherLineOpensTheSquelch) {
    KeyerRig rig;
    const PlayedChip chip(rig.dir);
    rig.serialKeying = false;
    rig.moreSettings = [&chip](const QString& ini) {
        platform::KeyingInterface gpio;
        gpio.way = platform::KeyingInterface::Way::Gpio;
        gpio.device = chip.name;
        gpio.pin = 17;
        gpio.inverted = true;
        writeSenderSettings(ini, gpio);
        SquelchSettings squelch;
        squelch.source = SquelchSettings::Source::Gpio;
        squelch.gpioInput = 27;
        writeSquelchSettings(ini, squelch);
    };
    ASSERT_TRUE(chip.drive(27, false));
    ASSERT_TRUE(rig.start(0, {}, chip.env));
    const auto keyed = [&] { return chip.level(17) == 0; }; // active low
    const auto levelIs = [&](int level) {
        return waitUntil([&] { return chip.level(17) == level; }, 3000);
    };
    ASSERT_TRUE(levelIs(1)) << "not unkeyed (high, active low) at the start";
    rig.speak(true);
    EXPECT_TRUE(levelIs(0)) << "not keyed";
    rig.speak(false);
    EXPECT_TRUE(levelIs(1)) << "not unkeyed";

    MicrophoneLog mic(*rig.sim);
    ASSERT_GE(mic.waitFor(false, 2000), 0);
    for (const bool open : {true, false}) {
        ASSERT_TRUE(chip.drive(27, open));
        EXPECT_GE(mic.waitFor(open, 2000), 0) << "the microphone did not follow line 27 " << open;
    }
    expectTheLineToDropWithoutTheProgram(rig, keyed);
}

// An interface that cannot be had is refused at the start with a German reason naming it,
// before anything is keyed: no GPIO chip (this host has none), no hidraw device, a rig
// that does not answer, a model Hamlib does not know, a CM108 pin that does not exist. A
// CM108 left to be found is the one beside the sound card (its device named in the
// refusal); among several with no card to go by none is guessed.
TEST(RadioE2E, TheKeyingProcessRefusesWhatItCannotHaveWithTheReason) {
    // Two CM108s on USB devices 1-2 and 1-3 of a played sysfs, the sound card on 1-3.
    TempDir sys;
    const QString devices = sys.file(QStringLiteral("devices/usb1"));
    for (const auto& [usb, hid, raw] : {std::tuple{"1-2", "0003:0D8C:000C.0001", "hidraw97"},
                                        std::tuple{"1-3", "0003:0D8C:0012.0002", "hidraw98"}}) {
        const QString at = QStringLiteral("%1/%2/%2:1.3/%3").arg(devices, usb, hid);
        QDir().mkpath(at + QStringLiteral("/hidraw/") + raw);
        QDir().mkpath(sys.file(QStringLiteral("class/hidraw")));
        QFile::link(QStringLiteral("../.."), at + QStringLiteral("/hidraw/%1/device").arg(raw));
        QFile::link(at + QStringLiteral("/hidraw/") + raw,
                    sys.file(QStringLiteral("class/hidraw/")) + raw);
        QFile uevent(at + QStringLiteral("/uevent"));
        ASSERT_TRUE(uevent.open(QIODevice::WriteOnly));
        uevent.write("HID_ID=" + QByteArray(hid).left(4) + ":00000D8C:0000" +
                     QByteArray(hid).mid(10, 4) + "\n");
    }
    const QString card = devices + QStringLiteral("/1-3/1-3:1.0/sound/card2");
    const std::pair<QStringList, QString> cases[] = {
        {{"--art", "GPIO", "--geraet", "gpiochip97"},
         "0 1 GPIO-Baustein gpiochip97 nicht vorhanden"},
        {{"--art", "CM108", "--geraet", "/dev/hidraw97"}, "0 1 /dev/hidraw97 ist nicht vorhanden"},
        {{"--art", "CM108", "--soundkarte", card}, "0 1 /dev/hidraw98 ist nicht vorhanden"},
        {{"--art", "CM108"},
         "0 1 2 CM108-Schnittstellen gefunden, keine an der Soundkarte: bitte im Fenster "
         "Sender-Schnittstelle eine w\u00E4hlen"},
        {{"--art", "Hamlib", "--geraet", "127.0.0.1:1"},
         "0 1 das Funkger\u00E4t an 127.0.0.1:1 antwortet nicht (Hamlib: IO error)"},
        {{"--art", "Hamlib", "--modell", "99999"}, "0 4 Hamlib kennt das Modell 99999 nicht"},
        {{"--art", "CM108", "--pin", "9", "--geraet", "/dev/null"},
         "0 4 GPIO 9 gibt es nicht (1 bis 8)"},
    };
    for (const auto& [arguments, said] : cases) {
        QProcess keyer;
        keyer.setProcessEnvironment(environmentWith(
            {{QStringLiteral("QUORVEX_SYSFS_HIDRAW"), sys.file(QStringLiteral("class/hidraw"))}}));
        keyer.start(QStringLiteral(KEYER_PATH), arguments);
        ASSERT_TRUE(keyer.waitForFinished(10000)) << said.toStdString();
        EXPECT_EQ(keyer.exitCode(), 1);
        EXPECT_EQ(QString::fromUtf8(keyer.readAllStandardOutput()).trimmed(), said);
    }
}

// The keying process's own time limit, whatever the program tells it and however lively it
// is: keyed 1 s at most here, then cut and held down (and said why) until it is released.
TEST(RadioE2E, TheKeyingProcessCutsAtItsOwnLimitWhateverItIsTold) {
    KeyerRig rig; // its pseudo-terminal and interposer log
    QProcess keyer;
    keyer.setProcessEnvironment(environmentWith(
        {{QStringLiteral("LD_PRELOAD"), QStringLiteral(INTERPOSER_PATH)},
         {QStringLiteral("MODEM_INTERPOSE_PATH"), rig.pts},
         {QStringLiteral("MODEM_INTERPOSE_LOG"), rig.dir.file(QStringLiteral("lines.log"))}}));
    keyer.start(QStringLiteral(KEYER_PATH),
                {QStringLiteral("--art"), QStringLiteral("COM"), QStringLiteral("--geraet"),
                 rig.pts, QStringLiteral("--limit-ms"), QStringLiteral("1000"),
                 QStringLiteral("--heartbeat-ms"), QStringLiteral("60000")});
    QByteArray said;
    const auto hears = [&](const QByteArray& what, int ms) {
        return waitUntil(
            [&] {
                keyer.write("0 H\n"); // lively all along
                said += keyer.readAllStandardOutput();
                return said.contains(what);
            },
            ms, 20);
    };
    ASSERT_TRUE(hears("0 0\n", 5000)) << said.constData();
    const auto rts = [&] { return !rig.events().empty() && rig.events().back().rts; };
    keyer.write("1 R 1\n");
    ASSERT_TRUE(hears("1 0\n", 2000) && rts());
    const std::int64_t up = rig.events().back().ns;
    ASSERT_TRUE(hears("Zeitgrenze des Sendeprozesses", 3000)) << said.constData();
    EXPECT_FALSE(rts());
    const auto heldMs = (rig.events().back().ns - up) / 1'000'000;
    std::printf("measured: cut by the keying process after %lld ms (its limit 1000 ms)\n",
                static_cast<long long>(heldMs));
    EXPECT_GE(heldMs, 1000);
    EXPECT_LT(heldMs, 1500);
    keyer.write("2 R 1\n");
    ASSERT_TRUE(hears("2 0\n", 2000));
    EXPECT_FALSE(rts()) << "keyed again before it was released";
    keyer.write("3 R 0\n4 R 1\n");
    ASSERT_TRUE(hears("4 0\n", 2000));
    EXPECT_TRUE(rts()) << "released once, it keys again";
    keyer.closeWriteChannel();
    EXPECT_TRUE(keyer.waitForFinished(3000));
    EXPECT_FALSE(rts()) << "the end of its input drops the line";
}
