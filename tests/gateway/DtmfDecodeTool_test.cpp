// dtmfdecode, the receiver as a command: the keypad's tone files, raw input, and
// synthesized speech in several voices that must give no digit at all (talk-off).
#include "TempDir.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

QString run(const QStringList& arguments, const QByteArray& input = {}) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QStringLiteral(DTMFDECODE_PATH), arguments);
    if (!input.isEmpty())
        p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return QStringLiteral("<failed>");
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString digits(const QString& output) {
    QString d;
    for (const QString& line : output.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        d += line.section(QLatin1Char(' '), 1, 1);
    return d;
}

} // namespace

TEST(DtmfDecodeTool, ReadsEachToneFileOfTheKeypad) {
    const char* symbols = "0123456789*#";
    for (int n = 0; n < 12; ++n) {
        const QString out = run({QStringLiteral(TONE_FOLDER "/%1.wav").arg(n)});
        EXPECT_EQ(digits(out), QString(QLatin1Char(symbols[n]))) << n;
        // One line: the start in ms, a blank, the digit.
        EXPECT_TRUE(out.contains(QRegularExpression(QStringLiteral("^[0-9]+ .\\n$")))) << n;
    }
}

TEST(DtmfDecodeTool, RawInputAtAnyRateAndBadInput) {
    // The tone files' samples (16 kHz) as raw input, twice in a row: two digits.
    QFile f(QStringLiteral(TONE_FOLDER "/4.wav"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray pcm = f.readAll().mid(44);
    const QString out =
        run({QStringLiteral("--rate"), QStringLiteral("16000"), QStringLiteral("-")}, pcm + pcm);
    EXPECT_EQ(digits(out), QStringLiteral("44"));
    EXPECT_EQ(run({QStringLiteral("/nonexistent.wav")}), QStringLiteral("<failed>"));
    EXPECT_EQ(run({}), QStringLiteral("<failed>"));
    for (const char* rate : {"8000x", "1", "2147483647", ""})
        EXPECT_EQ(run({QStringLiteral("--rate"), QLatin1String(rate), QStringLiteral("-")}, pcm),
                  QStringLiteral("<failed>"))
            << rate;

    // A file that declares an absurd rate is refused at once, not resampled for minutes.
    TempDir dir;
    f.seek(0);
    QByteArray wav = f.readAll();
    for (const quint32 rate : {1883757600u, 1u, 1000000000u, 2147483647u}) {
        for (int i = 0; i < 4; ++i) {
            wav[24 + i] = static_cast<char>((rate >> (8 * i)) & 0xff);
            wav[28 + i] = static_cast<char>(((rate * 2) >> (8 * i)) & 0xff);
        }
        dir.write(QStringLiteral("odd.wav"), wav);
        QElapsedTimer t;
        t.start();
        EXPECT_EQ(run({dir.file(QStringLiteral("odd.wav"))}), QStringLiteral("<failed>")) << rate;
        EXPECT_LT(t.elapsed(), 5000) << rate;
    }
}

TEST(DtmfDecodeTool, SpeechInManyVoicesGivesNoDigit) {
    if (QStandardPaths::findExecutable(QStringLiteral("espeak-ng")).isEmpty())
        GTEST_SKIP() << "needs espeak-ng (scripts/install-packages.sh installs it)";
    const QString german = QStringLiteral(
        "Hier spricht die Relaisstation auf zwei Meter. Die Verbindung in den TeamSpeak "
        "Kanal steht, bitte kommen. Eins, zwei, drei, vier, fünf, sechs, sieben, acht, neun, "
        "null. Stern sieben drei Raute. Wer hört mich, bitte melden. Das Wetter ist heute "
        "sonnig, der Wind kommt aus Südwest mit zwanzig Kilometern pro Stunde. Achtung, "
        "Achtung, die Bake sendet um halb. Aaaaah, ooooh, iiiih, uuuuh, hmmmm. ");
    const QString english = QStringLiteral(
        "This is the repeater gateway. Testing one two three, four five six, seven eight "
        "nine, zero, star, pound. Please stand by while we check the audio levels. Mississippi. "
        "Weeeeee, ooooooo, aaaaaah, yes yes yes, no no no. Whiskey Tango Foxtrot, over and out. ");
    struct Voice {
        const char* name;
        const char* speed;
        const char* pitch;
        const QString* text;
    };
    const Voice voices[] = {{"de", "160", "50", &german},        {"de+m3", "200", "30", &german},
                            {"de+f2", "140", "80", &german},     {"en", "175", "50", &english},
                            {"en-us+f3", "220", "90", &english}, {"en+m7", "130", "20", &english}};
    TempDir dir;
    double seconds = 0;
    for (const Voice& v : voices) {
        const QString wav = dir.file(QString::fromLatin1(v.name) + QStringLiteral(".wav"));
        QProcess speak;
        speak.start(QStringLiteral("espeak-ng"),
                    {QStringLiteral("-v"), QString::fromLatin1(v.name), QStringLiteral("-s"),
                     QString::fromLatin1(v.speed), QStringLiteral("-p"),
                     QString::fromLatin1(v.pitch), QStringLiteral("-w"), wav,
                     *v.text + *v.text + *v.text});
        ASSERT_TRUE(speak.waitForFinished(60000));
        ASSERT_EQ(speak.exitCode(), 0) << v.name;
        seconds += static_cast<double>(QFileInfo(wav).size() - 44) / (22050 * 2);
        EXPECT_EQ(run({wav}), QString()) << "a digit heard in the voice " << v.name;
    }
    std::printf("talk-off: %.0f s of synthesized speech in %zu voices\n", seconds,
                std::size(voices));
    EXPECT_GT(seconds, 120);
}
