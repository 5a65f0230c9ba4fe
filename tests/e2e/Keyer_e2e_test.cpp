// The quorvex program keying a line of a real serial code path: Qt Serial Port on a
// pseudo-terminal whose modem lines the test interposer plays and logs.
#include "SimProcess.h"
#include "TempDir.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

std::int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct LineEvent {
    std::int64_t ns;
    QByteArray what;
    bool rts, dtr;
};

} // namespace

class KeyerE2E : public ::testing::Test {
protected:
    TempDir dir;
    int master = -1;
    QString pts;
    QString log = dir.file(QStringLiteral("lines.log"));
    std::unique_ptr<SimProcess> sim;
    QProcess quorvex;

    void SetUp() override {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(master, 0);
        ASSERT_EQ(::grantpt(master), 0);
        ASSERT_EQ(::unlockpt(master), 0);
        pts = QString::fromLocal8Bit(::ptsname(master));
    }
    void TearDown() override {
        if (quorvex.state() != QProcess::NotRunning) {
            quorvex.kill();
            quorvex.waitForFinished(3000);
        }
        sim.reset();
        ::close(master);
    }

    void start(int hangMs) {
        const QString socket = dir.file(QStringLiteral("client.sock"));
        dir.write(QStringLiteral("ts.ini"),
                  QStringLiteral(
                      "[Anmeldung]\nServerAdresse=2\n[Optionen]\nGateway=1\nVordergrund=0\n"
                      "AutoAWAY=1\nVerz\u00F6gerung=1\nCOMPort=1\nSysTray=0\nCOMKeyerRTS=True\n"
                      "COMKeyerDTR=False\nGatewayDelay=%1\nWatchdog=5\nWatchdogEIN=1\n"
                      "Autostart=0\nVoiceAnfrage=0\nRecordingControl=0\n[Bake]\nEinAus=0\n"
                      "[Schnittstellen]\nCOM1=%2\n")
                      .arg(hangMs)
                      .arg(pts)
                      .toLatin1());
        TempDir scripts;
        scripts.write(
            QStringLiteral("world.txt"),
            "player 7 2 DL1ABC\nconnect teamspeak://localhost:8767?nickname=DL0GW?loginname="
            "?password=?channel=Funkraum?channelpassword=\n");
        sim = std::make_unique<SimProcess>(socket, scripts.file(QStringLiteral("world.txt")));
        ASSERT_TRUE(sim->ready());

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("QUORVEX_HOME"), dir.path());
        env.insert(QStringLiteral("TSREMOTE_SOCKET"), socket);
        env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(INTERPOSER_PATH));
        env.insert(QStringLiteral("MODEM_INTERPOSE_PATH"), pts);
        env.insert(QStringLiteral("MODEM_INTERPOSE_LOG"), log);
        quorvex.setProcessEnvironment(env);
        quorvex.start(QStringLiteral(QUORVEX_PATH), {});
        ASSERT_TRUE(quorvex.waitForStarted(5000));
        ASSERT_TRUE(waitFor([&] { return events().size() >= 2; }, 5000))
            << "the port was not opened";
        QThread::msleep(300); // the gateway settles: flags, first release requests
    }

    template <typename F> static bool waitFor(F condition, int ms) {
        QElapsedTimer t;
        t.start();
        while (!condition()) {
            if (t.elapsed() > ms)
                return false;
            QThread::msleep(10);
        }
        return true;
    }

    std::vector<LineEvent> events() const {
        QFile f(log);
        std::vector<LineEvent> out;
        if (!f.open(QIODevice::ReadOnly))
            return out;
        for (const QByteArray& line : f.readAll().split('\n')) {
            const QList<QByteArray> p = line.split(' ');
            if (p.size() == 4)
                out.push_back({p[0].toLongLong(), p[1], p[2] == "RTS=1", p[3] == "DTR=1"});
        }
        return out;
    }
    // The changes after the program lowered both lines right after opening.
    std::vector<LineEvent> keying() const {
        auto all = events();
        std::size_t i = 0;
        while (i < all.size() && (all[i].rts || all[i].dtr))
            ++i;
        return {all.begin() + static_cast<std::ptrdiff_t>(std::min(i + 1, all.size())), all.end()};
    }
    void speak(bool on, const char* who = "7") {
        sim->command(QByteArray("speak ") + who + (on ? " on" : " off"));
    }
};

TEST_F(KeyerE2E, ForeignSpeechKeysOnceThroughAShortPauseAndDropsAfterTheHangTime) {
    start(500);
    // The driver raises both lines on open (the interposer plays that part);
    // the program lowers them at once.
    const auto opened = events();
    ASSERT_EQ(opened[0].what, "open");
    const auto down = std::find_if(opened.begin(), opened.end(),
                                   [](const LineEvent& e) { return !e.rts && !e.dtr; });
    ASSERT_NE(down, opened.end());
    EXPECT_LT(down->ns - opened[0].ns, 50'000'000) << "both lines down within 50 ms of the open";
    EXPECT_TRUE(keying().empty()) << "nothing keyed at start";

    const std::int64_t t0 = nowNs();
    speak(true);
    QThread::msleep(2000);
    speak(false);
    QThread::msleep(300);
    speak(true);
    QThread::msleep(1000);
    speak(false);
    const std::int64_t end = nowNs();
    ASSERT_TRUE(waitFor([&] { return keying().size() >= 2; }, 3000));
    QThread::msleep(300);

    const auto k = keying();
    ASSERT_EQ(k.size(), 2u) << "one rise and one fall";
    EXPECT_TRUE(k[0].rts);
    EXPECT_FALSE(k[1].rts);
    EXPECT_FALSE(k[0].dtr || k[1].dtr) << "the other line never moves";
    EXPECT_LT((k[0].ns - t0) / 1'000'000, 400) << "up within a few polls of the speech";
    const auto dropMs = (k[1].ns - end) / 1'000'000;
    EXPECT_GE(dropMs, 500) << "never before the hang time";
    EXPECT_LE(dropMs, 1000);
}

TEST_F(KeyerE2E, TheOwnVoiceNeverKeysAndSigtermLeavesTheLineDown) {
    start(0);
    speak(true, "own");
    QThread::msleep(800);
    speak(false, "own");
    QThread::msleep(200);
    EXPECT_TRUE(keying().empty());

    speak(true);
    ASSERT_TRUE(waitFor([&] { return !keying().empty() && keying().back().rts; }, 3000));
    ::kill(static_cast<pid_t>(quorvex.processId()), SIGTERM);
    ASSERT_TRUE(quorvex.waitForFinished(5000));
    EXPECT_EQ(quorvex.exitStatus(), QProcess::NormalExit);
    const auto k = keying();
    ASSERT_FALSE(k.empty());
    EXPECT_FALSE(k.back().rts || k.back().dtr) << "down when the program ended";
}
