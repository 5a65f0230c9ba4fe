// The transmission log of the real program: what the keying line did, as sqlite3 reads
// it back from sendelog.sqlite beside ts.ini.
#include "IdentSettings.h"
#include "KeyerRig.h"
#include "PulseServer.h"

#include <QDateTime>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

// The records as sqlite3 prints them, one list of columns per record.
QList<QStringList> records(const TempDir& dir) {
    QByteArray out;
    runTool(QStringLiteral("sqlite3"),
            {QStringLiteral("-separator"), QStringLiteral("|"),
             dir.file(QStringLiteral("sendelog.sqlite")),
             QStringLiteral("SELECT sprecher, beginn, ende, dauer_ms, grund FROM sendungen "
                            "ORDER BY beginn")},
            &out);
    QList<QStringList> rows;
    for (const QByteArray& line : out.split('\n')) {
        if (!line.isEmpty())
            rows << QString::fromUtf8(line).split(QLatin1Char('|'));
    }
    return rows;
}

qint64 msBetween(const QString& from, const QString& to) {
    return QDateTime::fromString(from, Qt::ISODateWithMs)
        .msecsTo(QDateTime::fromString(to, Qt::ISODateWithMs));
}

} // namespace

TEST(TransmissionLogE2E, EachKeyingIsARecordAndACrashedOneIsClosedAtTheNextStart) {
    if (QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty())
        GTEST_SKIP() << "needs sqlite3 (scripts/install-packages.sh)";
    constexpr int hangMs = 200;
    KeyerRig rig;
    rig.morePlayers = "player 8 2 OE3XYZ\nplayer 9 2 HB9\xC3\x84Z\n";
    ASSERT_TRUE(rig.start(hangMs));
    const QStringList names{QStringLiteral("DL1ABC"), QStringLiteral("OE3XYZ"),
                            QStringLiteral("HB9\u00C4Z")};
    for (const char* id : {"7", "8", "9"}) {
        const std::size_t before = rig.keying().size();
        rig.speak(true, id);
        ASSERT_TRUE(waitUntil([&] { return rig.keying().size() == before + 1; }, 3000));
        QThread::msleep(600);
        rig.speak(false, id);
        ASSERT_TRUE(waitUntil([&] { return rig.keying().size() == before + 2; }, 3000));
    }
    QList<QStringList> rows;
    ASSERT_TRUE(waitUntil(
        [&] {
            rows = records(rig.dir);
            return rows.size() == 3 && !rows[2][2].isEmpty();
        },
        3000))
        << rows.size();
    const auto k = rig.keying();
    for (int i = 0; i < 3; ++i) {
        const QStringList& r = rows[i];
        EXPECT_EQ(r[0], names[i]);
        EXPECT_EQ(r[4], QStringLiteral("Haltezeit abgelaufen"));
        EXPECT_TRUE(r[1].endsWith(QLatin1Char('Z'))) << "UTC: " << r[1].toStdString();
        // The record's length is the line's, within a tick.
        const auto lineMs =
            (k[static_cast<std::size_t>(2 * i + 1)].ns - k[static_cast<std::size_t>(2 * i)].ns) /
            1'000'000;
        EXPECT_NEAR(r[3].toLongLong(), lineMs, 100) << r.join(QLatin1Char(' ')).toStdString();
        EXPECT_NEAR(msBetween(r[1], r[2]), lineMs, 100);
        if (i > 0) {
            const auto pauseMs = (k[static_cast<std::size_t>(2 * i)].ns -
                                  k[static_cast<std::size_t>(2 * i - 1)].ns) /
                                 1'000'000;
            EXPECT_NEAR(msBetween(rows[i - 1][2], r[1]), pauseMs, 100);
        }
    }

    // Killed while keyed: the file stays readable, the open record is closed at the next
    // start at the last second the log knew of.
    rig.speak(true, "8");
    ASSERT_TRUE(waitUntil([&] { return rig.keying().back().rts; }, 3000));
    QThread::msleep(2500);
    rig.quorvex.kill();
    rig.quorvex.waitForFinished(3000);
    rows = records(rig.dir);
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows[3][0], QStringLiteral("OE3XYZ"));
    EXPECT_TRUE(rows[3][2].isEmpty()) << "still open";
    rig.speak(false, "8");
    ASSERT_TRUE(rig.launch());
    ASSERT_TRUE(waitUntil(
        [&] {
            rows = records(rig.dir);
            return rows.size() == 4 && !rows[3][2].isEmpty();
        },
        5000));
    EXPECT_EQ(rows[3][4], QStringLiteral("Programm beendet"));
    EXPECT_GE(rows[3][3].toLongLong(), 1000) << "ended at its last known second, not at once";
    EXPECT_LE(rows[3][3].toLongLong(), 2600);
}

// The identification after traffic on a second of 50 ms (a minute of 3 s): once the
// speaker's transmission has ended, the beacon's wave goes out on a keyed line of its own,
// logged as "Kennung"; without traffic nothing follows.
TEST(TransmissionLogE2E, TheIdentificationFollowsTrafficOnItsOwnKeying) {
    if (QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("pulseaudio")).isEmpty())
        GTEST_SKIP() << "needs sqlite3 and pulseaudio (scripts/install-packages.sh)";
    PulseServer sound;
    ASSERT_TRUE(sound.ok());
    KeyerRig rig;
    rig.moreSettings = [](const QString& ini) {
        const auto bake = [&ini](const char* key, const QString& value) {
            INIfile::INIWrite(ini, QStringLiteral("Bake"), QLatin1String(key), value);
        };
        bake("EinAus", QStringLiteral("0"));
        bake("Datei", QStringLiteral(TONE_FOLDER "/5.wav"));
        bake("Wann", QStringLiteral("30"));
        bake("Startzeit", QStringLiteral("00"));
        writeIdentSettings(ini, {true, 1});
    };
    QProcessEnvironment env = sound.environment();
    env.insert(QStringLiteral("QUORVEX_TEST_SECOND_MS"), QStringLiteral("50"));
    ASSERT_TRUE(rig.start(200, {}, env));
    rig.speak(true);
    ASSERT_TRUE(waitUntil([&] { return rig.keying().size() == 1; }, 3000));
    QThread::msleep(600);
    rig.speak(false);
    ASSERT_TRUE(waitUntil([&] { return rig.keying().size() == 4; }, 5000))
        << "no keying for the identification";
    const auto k = rig.keying();
    const auto gapMs = (k[2].ns - k[1].ns) / 1'000'000;
    std::printf("measured: identification keyed %lld ms after the speaker's line dropped "
                "(3 s of 50 ms after it), for %lld ms\n",
                static_cast<long long>(gapMs),
                static_cast<long long>((k[3].ns - k[2].ns) / 1'000'000));
    EXPECT_GE(gapMs, 150);
    EXPECT_LE(gapMs, 150 + 800) << "a tick or two late at most, on a loaded machine";
    QList<QStringList> rows;
    ASSERT_TRUE(waitUntil(
        [&] {
            rows = records(rig.dir);
            return rows.size() == 2 && !rows[1][2].isEmpty();
        },
        3000));
    EXPECT_EQ(rows[0][0], QStringLiteral("DL1ABC"));
    EXPECT_EQ(rows[1][0], QStringLiteral("Kennung"));
    EXPECT_EQ(rows[1][4], QStringLiteral("Kennung"));
    QThread::msleep(3200); // more than a minute of 3 s without traffic
    EXPECT_EQ(rig.keying().size(), 4u) << "nothing without traffic";
}
