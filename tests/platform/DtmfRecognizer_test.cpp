// The recognizer on a private PulseAudio server: what our own keypad tones play into
// the null sink comes back from its monitor as digits.
#include "DtmfRecognizer.h"

#include "Fakes.h"
#include "PulseServer.h"
#include "PulseSound.h"
#include "TempDir.h"

#include <QElapsedTimer>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QString keypadTone(int n) {
    return QStringLiteral(TONE_FOLDER "/%1.wav").arg(n);
}

} // namespace

TEST(DtmfRecognizer, HearsTheKeypadsTonesFromTheSinkMonitor) {
    PulseServer server;
    ASSERT_TRUE(server.ok());
    server.useInThisProcess();
    fakes::Prompts prompts;
    DtmfRecognizer recognizer(prompts);
    QString heard;
    recognizer.onDigit = [&heard](QChar c) { heard += c; };
    // The server's default source is the sink's monitor.
    ASSERT_TRUE(recognizer.Start_Click(QString()));
    EXPECT_TRUE(recognizer.listening());
    platform::PulseSound sound;
    for (int n : {1, 10, 11, 5, 5})
        ASSERT_TRUE(sound.playWaveSync(keypadTone(n)));
    EXPECT_TRUE(QTest::qWaitFor([&] { return heard.size() >= 5; }, 3000));
    EXPECT_EQ(heard, QStringLiteral("1*#55"));
    EXPECT_EQ(recognizer.lastDigits(), QStringLiteral("1*#55"));
    heard.clear();
    // The level follows the input: a tone lifts it far above the silence around it.
    EXPECT_LT(recognizer.levelDbfs(), -90);
    ASSERT_TRUE(sound.playAsync(keypadTone(8)));
    EXPECT_TRUE(QTest::qWaitFor([&] { return recognizer.levelDbfs() > -20; }, 1000))
        << recognizer.levelDbfs();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !sound.playing(); }, 1000));
    recognizer.Close_Click();
    EXPECT_FALSE(recognizer.listening());
    EXPECT_TRUE(prompts.shown.empty());

    // Only the level, for the settings window: it moves, but no digit comes.
    heard.clear();
    recognizer.listenForLevel(QString());
    EXPECT_TRUE(recognizer.listening());
    EXPECT_FALSE(recognizer.recognizing());
    ASSERT_TRUE(sound.playAsync(keypadTone(3)));
    EXPECT_TRUE(QTest::qWaitFor([&] { return recognizer.levelDbfs() > -20; }, 1000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !sound.playing(); }, 1000));
    QTest::qWait(300);
    EXPECT_EQ(heard, QString());
    recognizer.stopLevel();
    EXPECT_FALSE(recognizer.listening());

    // A named source that is not there: a message, nothing hangs.
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(recognizer.Start_Click(QStringLiteral("no_such_source")));
    EXPECT_LT(t.elapsed(), 1500);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_TRUE(prompts.shown[0].text.startsWith(QStringLiteral("Die DTMF-Erkennung kann nicht")));
}

TEST(DtmfRecognizer, AMissingOrVanishingServerIsReportedNotWaitedFor) {
    fakes::Prompts prompts;
    DtmfRecognizer recognizer(prompts);
    TempDir nowhere;
    qputenv("PULSE_SERVER", ("unix:" + nowhere.file(QStringLiteral("native"))).toUtf8());
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(recognizer.Start_Click(QString()));
    EXPECT_LT(t.elapsed(), 200);
    EXPECT_EQ(prompts.shown.size(), 1u);

    bool lost = false;
    recognizer.onLost = [&lost] { lost = true; };
    {
        PulseServer server;
        ASSERT_TRUE(server.ok());
        server.useInThisProcess();
        ASSERT_TRUE(recognizer.Start_Click(QString()));
    } // the server ends here
    EXPECT_TRUE(QTest::qWaitFor([&lost] { return lost; }, 3000));
    EXPECT_FALSE(recognizer.listening());
    EXPECT_EQ(prompts.shown.size(), 2u) << "one more message: the recognition stopped";
}

TEST(DtmfRecognizer, ItsSettingsFallBackToTheDefaultsWithoutAWord) {
    TempDir dir;
    const QString ini = dir.file(QStringLiteral("ts.ini"));
    RecognizerSettings s = readRecognizerSettings(ini);
    EXPECT_EQ(s.source, QString());
    EXPECT_FALSE(s.runCodes);
    dir.write(QStringLiteral("ts.ini"),
              "[DTMF]\r\nQuelle= alsa_input.usb \r\nCodesAusfuehren=ja\r\n");
    s = readRecognizerSettings(ini);
    EXPECT_EQ(s.source, QStringLiteral("alsa_input.usb"));
    EXPECT_FALSE(s.runCodes) << "a damaged value is off";
    ASSERT_TRUE(writeRecognizerSettings(ini, RecognizerSettings{QStringLiteral("mic"), true}));
    s = readRecognizerSettings(ini);
    EXPECT_EQ(s.source, QStringLiteral("mic"));
    EXPECT_TRUE(s.runCodes);
}
