// The transmission log on files it cannot use: one German message, nothing touched,
// no crash; the program keys on (its calls simply do nothing).
#include "TransmissionLog.h"

#include "Rig.h"
#include "SqliteLock.h"
#include "TempDir.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

// What the log says about a file, once the given keyings are handed over.
QStringList problemsWith(const QString& path, int keyings = 2) {
    QStringList said;
    {
        TransmissionLog log(path, [&said](const QString& text) { said << text; });
        for (int i = 0; i < keyings; ++i) {
            log.begin(QStringLiteral("DL1ABC"));
            log.end(QStringLiteral("Haltezeit abgelaufen"));
        }
        log.flush();
    }
    return said;
}

QByteArray sqlite(const QString& db, const QString& sql) {
    QByteArray out;
    runTool(QStringLiteral("sqlite3"), {db, sql}, &out);
    return out.trimmed();
}

} // namespace

TEST(TransmissionLog, UnusableFilesAreToldOnceAndLeftAsTheyAre) {
    TempDir dir;
    EXPECT_TRUE(problemsWith(dir.file(QStringLiteral("sendelog.sqlite"))).isEmpty());
    // Speakers and times are the user's alone, the companions SQLite makes included.
    for (const char* name : {"sendelog.sqlite", "sendelog.sqlite-wal", "sendelog.sqlite-shm"}) {
        const QFileInfo made(dir.file(QLatin1String(name)));
        if (made.exists()) {
            EXPECT_EQ(made.permissions() & 0x0077, 0) << name << " is open to others";
        }
    }
    // A symbolic link is not followed: neither to another database nor to a file it
    // would create.
    const QString other = dir.file(QStringLiteral("anderes.sqlite"));
    dir.write(QStringLiteral("anderes.sqlite"), QByteArray());
    for (const QString& target : {other, dir.file(QStringLiteral("nirgends.sqlite"))}) {
        const QString link = dir.file(QStringLiteral("verweis.sqlite"));
        QFile::remove(link);
        QFile::link(target, link);
        const QStringList told = problemsWith(link);
        ASSERT_EQ(told.size(), 1);
        EXPECT_TRUE(told[0].endsWith(
            QStringLiteral(
                "Quorvex tastet weiter, ohne Protokoll. (\"%1\" ist ein symbolischer Verweis; ihm "
                "wird nicht gefolgt)")
                .arg(link)))
            << told[0].toStdString();
    }
    EXPECT_TRUE(dir.read(QStringLiteral("anderes.sqlite")).isEmpty()) << "written through the link";
    EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("nirgends.sqlite"))));

    const QString damaged = dir.file(QStringLiteral("kaputt.sqlite"));
    dir.write(QStringLiteral("kaputt.sqlite"), QByteArray(8192, '\x5a'));
    const QStringList said = problemsWith(damaged);
    ASSERT_EQ(said.size(), 1);
    EXPECT_TRUE(said[0].startsWith(QStringLiteral("Das Sendeprotokoll \"") + damaged))
        << said[0].toStdString();
    EXPECT_TRUE(said[0].endsWith(QStringLiteral(". (SQLite: file is not a database)")))
        << "German first, the reason apart: " << said[0].toStdString();
    EXPECT_EQ(dir.read(QStringLiteral("kaputt.sqlite")), QByteArray(8192, '\x5a'));

    EXPECT_EQ(problemsWith(dir.file(QStringLiteral("fehlt/sendelog.sqlite"))).size(), 1);

    if (QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty())
        GTEST_SKIP() << "needs sqlite3 for a file of a newer version";
    const QString newer = dir.file(QStringLiteral("neuer.sqlite"));
    sqlite(newer, QStringLiteral("CREATE TABLE sendungen (x); PRAGMA user_version=7;"));
    const QByteArray before = dir.read(QStringLiteral("neuer.sqlite"));
    const QStringList told = problemsWith(newer);
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].contains(QStringLiteral("neueren Version")));
    EXPECT_EQ(dir.read(QStringLiteral("neuer.sqlite")), before) << "left untouched";
}

TEST(TransmissionLog, AKeyingIsOneRecordHoweverOftenItIsReported) {
    if (QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty())
        GTEST_SKIP() << "needs sqlite3";
    TempDir dir;
    const QString db = dir.file(QStringLiteral("sendelog.sqlite"));
    {
        TransmissionLog log(db, {});
        log.begin(QStringLiteral("DL1ABC"));
        log.begin(QStringLiteral("OE3XYZ")); // keyed already: no new record
        log.end(QStringLiteral("Watchdog"));
        log.end(QStringLiteral("Gesperrt")); // nothing open: nothing to end
        log.begin(QStringLiteral("DL \"0'GW\"; DROP TABLE sendungen; --"));
    } // ends the open one
    EXPECT_EQ(sqlite(db, QStringLiteral("SELECT sprecher || '|' || grund FROM sendungen")),
              "DL1ABC|Watchdog\nDL \"0'GW\"; DROP TABLE sendungen; --|Programm beendet");
    EXPECT_EQ(sqlite(db, QStringLiteral("PRAGMA journal_mode")), "wal");
}

// A lock of another program is waited out: the keyings made meanwhile wait in memory and
// all reach the file once it is free. Past the bound of what waits, whole keyings are
// dropped with one message; the end of the program waits for a lock a little, not for ever.
TEST(TransmissionLog, KeyingsWaitOutALockAndABoundedNumberWaits) {
    if (QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty())
        GTEST_SKIP() << "needs sqlite3";
    TempDir dir;
    const QString db = dir.file(QStringLiteral("sendelog.sqlite"));
    QStringList said;
    auto log = std::make_unique<TransmissionLog>(db, [&said](const QString& t) { said << t; });
    const auto keyings = [&log](std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) {
            log->begin(QStringLiteral("DL1ABC"));
            log->end(QStringLiteral("Haltezeit abgelaufen"));
        }
    };
    keyings(1);
    log->flush();
    {
        LockedBy other(db);
        ASSERT_TRUE(other.locked);
        keyings(4);
        EXPECT_FALSE(log->flushFor(2500)) << "written through another's exclusive lock";
    }
    ASSERT_TRUE(log->flushFor(5000)) << "the lock is gone, the keyings still wait";
    EXPECT_EQ(sqlite(db, QStringLiteral("SELECT count(*) FROM sendungen")), "5");
    EXPECT_EQ(sqlite(db, QStringLiteral("SELECT text FROM ereignisse ORDER BY id")),
              "Sendeprotokoll gesperrt, Eintr\xC3\xA4ge warten\nSendeprotokoll wieder frei");
    EXPECT_TRUE(said.isEmpty()) << said.join(QLatin1Char('\n')).toStdString();

    LockedBy other(db);
    ASSERT_TRUE(other.locked);
    keyings(TransmissionLog::MaxWaiting / 2 + 5);
    QElapsedTimer ending;
    ending.start();
    log.reset();
    EXPECT_LT(ending.elapsed(), TransmissionLog::FinalWaitMs + 3000);
    ASSERT_EQ(said.size(), 1) << said.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(said[0].contains(QStringLiteral("weitere Sendungen werden nicht protokolliert")));
}
