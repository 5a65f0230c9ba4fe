// The transmission log on files it cannot use: one German message, nothing touched,
// no crash; the program keys on (its calls simply do nothing).
#include "TransmissionLog.h"

#include "Rig.h"
#include "TempDir.h"

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

    const QString damaged = dir.file(QStringLiteral("kaputt.sqlite"));
    dir.write(QStringLiteral("kaputt.sqlite"), QByteArray(8192, '\x5a'));
    const QStringList said = problemsWith(damaged);
    ASSERT_EQ(said.size(), 1);
    EXPECT_TRUE(said[0].startsWith(QStringLiteral("Das Sendeprotokoll \"") + damaged))
        << said[0].toStdString();
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
