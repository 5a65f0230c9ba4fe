// The sound layer against a private PulseAudio server with a null sink.
#include "PulseServer.h"
#include "PulseSound.h"
#include "TempDir.h"
#include "ToneCheck.h"

#include <QElapsedTimer>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

QString tone(int n) {
    return QStringLiteral(TONE_FOLDER "/%1.wav").arg(n);
}

} // namespace

class PulseSoundTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server = new PulseServer;
        server->useInThisProcess();
    }
    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(server->ok()) << "pulseaudio did not start"; }

    static PulseServer* server;
};
PulseServer* PulseSoundTest::server = nullptr;

qint64 timed(const std::function<void()>& f) {
    QElapsedTimer t;
    t.start();
    f();
    return t.elapsed();
}

TEST_F(PulseSoundTest, TonesPlayInOrderAndEachCallReturnsAfterItsSound) {
    SinkRecorder recorder(*server);
    platform::PulseSound sound;
    std::vector<qint64> ms;
    for (int n : {1, 5, 5, 11}) {
        bool played = false;
        ms.push_back(timed([&] { played = sound.playWaveSync(tone(n)); }));
        EXPECT_TRUE(played) << sound.lastError().toStdString();
    }
    QThread::msleep(100);
    EXPECT_EQ(heardString(recorder.stop(), SinkRecorder::Rate), "155#");
    // A tone file holds 160 ms of sound; the call may not return before it has drained.
    for (qint64 m : ms) {
        std::printf("tone call: %lld ms\n", static_cast<long long>(m));
        EXPECT_GE(m, 150);
        EXPECT_LT(m, 160 + 250);
    }
}

TEST_F(PulseSoundTest, TimersRunDuringTheWaitButASecondSoundFailsAtOnce) {
    platform::PulseSound sound;
    int ticks = 0;
    QTimer keyerLike;
    keyerLike.setTimerType(Qt::PreciseTimer);
    QObject::connect(&keyerLike, &QTimer::timeout, [&] { ++ticks; });
    keyerLike.start(10);
    bool nestedSync = true, nestedAsync = true;
    qint64 nestedMs = -1;
    QTimer::singleShot(40, [&] {
        nestedMs = timed([&] {
            nestedSync = sound.playWaveSync(tone(2));
            nestedAsync = sound.playAsync(tone(3));
        });
        EXPECT_TRUE(sound.playing());
    });
    EXPECT_TRUE(sound.playWaveSync(tone(1)));
    keyerLike.stop();
    std::printf("10 ms timer ticks during a 160 ms tone: %d; nested calls: %lld ms\n", ticks,
                static_cast<long long>(nestedMs));
    EXPECT_GE(ticks, 8);
    EXPECT_FALSE(nestedSync);
    EXPECT_FALSE(nestedAsync);
    EXPECT_GE(nestedMs, 0);
    EXPECT_LT(nestedMs, 20);
    EXPECT_FALSE(sound.playing());
}

TEST_F(PulseSoundTest, AsynchronousSoundReturnsAtOnceAndBlocksSynchronousOnes) {
    platform::PulseSound sound;
    bool started = false;
    EXPECT_LT(timed([&] { started = sound.playAsync(tone(9)); }), 20);
    EXPECT_TRUE(started);
    EXPECT_TRUE(sound.playing());
    EXPECT_FALSE(sound.playWaveSync(tone(1)));
    QElapsedTimer t;
    t.start();
    while (sound.playing() && t.elapsed() < 2000)
        QThread::msleep(5);
    EXPECT_FALSE(sound.playing());
    EXPECT_TRUE(sound.playWaveSync(tone(1)));
}

TEST_F(PulseSoundTest, FilesThatCannotBePlayedFailWithoutSound) {
    TempDir dir;
    dir.write(QStringLiteral("text.wav"), "RIFF but not really a wave file");
    dir.write(QStringLiteral("empty.wav"), "");
    platform::PulseSound sound;
    for (const QString& f :
         {dir.file(QStringLiteral("missing.wav")), dir.file(QStringLiteral("text.wav")),
          dir.file(QStringLiteral("empty.wav")), dir.path()}) {
        EXPECT_FALSE(sound.playWaveSync(f)) << f.toStdString();
        EXPECT_FALSE(sound.lastError().isEmpty());
    }
    EXPECT_FALSE(sound.playing());
}

TEST_F(PulseSoundTest, AFrozenOrMissingServerFailsWithinASecond) {
    platform::PulseSound sound;
    server->freeze();
    bool played = true;
    const qint64 frozenMs = timed([&] { played = sound.playWaveSync(tone(1)); });
    server->thaw();
    std::printf("frozen server: failed after %lld ms\n", static_cast<long long>(frozenMs));
    EXPECT_FALSE(played);
    EXPECT_LT(frozenMs, 1500);

    TempDir nowhere;
    qputenv("PULSE_SERVER", ("unix:" + nowhere.file(QStringLiteral("native"))).toUtf8());
    const qint64 missingMs = timed([&] { played = sound.playWaveSync(tone(1)); });
    server->useInThisProcess();
    EXPECT_FALSE(played);
    EXPECT_LT(missingMs, 100);
    // The thawed server serves again.
    EXPECT_TRUE(sound.playWaveSync(tone(1))) << sound.lastError().toStdString();
}

// The recording of a tone holds the whole tone: its first milliseconds, the fade-in
// included, and its full length.
TEST_F(PulseSoundTest, ATonePlaysFromItsFirstSample) {
    SinkRecorder recorder(*server);
    platform::PulseSound sound;
    for (int n : {1, 5}) {
        ASSERT_TRUE(sound.playWaveSync(tone(n)));
        QThread::msleep(150);
    }
    const std::vector<std::int16_t> heard = recorder.stop();
    // Each tone's span above a small share of its peak, and its rise to 90 % of it.
    int peak = 0;
    for (const std::int16_t x : heard)
        peak = std::max(peak, std::abs(int(x)));
    ASSERT_GT(peak, 1000) << "nothing was heard";
    const std::size_t window = SinkRecorder::Rate / 1000; // 1 ms
    const auto envelope = [&](std::size_t at) {
        int m = 0;
        for (std::size_t i = at; i < std::min(at + window, heard.size()); ++i)
            m = std::max(m, std::abs(int(heard[i])));
        return m;
    };
    std::vector<std::pair<double, double>> tones; // length and rise, in ms
    for (std::size_t at = 0; at + window < heard.size();) {
        if (envelope(at) < peak / 20) {
            at += window;
            continue;
        }
        const std::size_t start = at;
        std::size_t risen = at;
        while (risen < heard.size() && envelope(risen) < peak * 9 / 10)
            risen += window / 4;
        while (at < heard.size() && envelope(at) >= peak / 20)
            at += window;
        tones.push_back({double(at - start) * 1000 / SinkRecorder::Rate,
                         double(risen - start) * 1000 / SinkRecorder::Rate});
    }
    ASSERT_EQ(tones.size(), 2u);
    for (const auto& [length, rise] : tones) {
        std::printf("measured: tone of %.1f ms, rising in %.1f ms (file: 100 ms, 5 ms fade)\n",
                    length, rise);
        EXPECT_GE(length, 98.0) << "the tone lost its head";
        EXPECT_GE(rise, 2.5) << "it starts abruptly: the fade-in was lost";
    }
}
