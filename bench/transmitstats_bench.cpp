// How long the statistics tab "Sendungen" takes to open over a long transmission log:
// a year of 200 keyings a day by default, the file written with the log's own schema.
//   transmitstats_bench [--days N] [--opens N]
#include "Clock.h"
#include "Percentiles.h"
#include "Prompts.h"
#include "TransmissionLog.h"
#include "TransmitTab.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

namespace {

// Prompts the tab never uses while it only shows.
class NoPrompts final : public platform::Prompts {
public:
    Answer message(const QString&, Icon, Buttons, Answer a) override { return a; }
    Answer messageTitled(const QString&, const QString&, Icon, Buttons, Answer a) override {
        return a;
    }
    std::optional<QString> inputBox(const QString&, const QString&, const QString&) override {
        return std::nullopt;
    }
    QString openFileName(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFileName(const QString&, const QString&, const QString&, QString*) override {
        return {};
    }
    QString folderName(const QString&) override { return {}; }
    QString openProgramName(const QString&, const QString&) override { return {}; }
    void warnLater(const QString&) override {}
};

void fill(const QString& file, int days) {
    {
        TransmissionLog made(file, [](const QString&) {});
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fill"));
    db.setDatabaseName(file);
    db.open();
    db.transaction();
    {
        QSqlQuery q(db);
        q.prepare(QStringLiteral("INSERT INTO sendungen (sprecher, beginn, beginn_lokal, ende, "
                                 "ende_lokal, dauer_ms, grund, zuletzt) VALUES (?,?,?,?,?,?,?,?)"));
        const QDateTime now = QDateTime::currentDateTime();
        QRandomGenerator random(7);
        for (int i = 0; i < days * 200; ++i) {
            const QDateTime b = now.addSecs(-static_cast<qint64>(days) * 86400 + i * 432);
            const int ms = 2000 + static_cast<int>(random.bounded(60000));
            const QDateTime e = b.addMSecs(ms);
            const QString bu = b.toUTC().toString(Qt::ISODateWithMs);
            for (const QVariant& v :
                 {QVariant(QStringLiteral("DL%1ABC").arg(i % 50)), QVariant(bu),
                  QVariant(b.toString(Qt::ISODateWithMs)),
                  QVariant(e.toUTC().toString(Qt::ISODateWithMs)),
                  QVariant(e.toString(Qt::ISODateWithMs)), QVariant(ms),
                  QVariant(i % 97 == 0 ? QStringLiteral("Watchdog")
                                       : QStringLiteral("Haltezeit abgelaufen")),
                  QVariant(bu)})
                q.addBindValue(v);
            q.exec();
        }
    }
    db.commit();
    db.close();
    db = {};
    QSqlDatabase::removeDatabase(QStringLiteral("fill"));
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int days = 365;
    int opens = 20;
    for (int i = 1; i + 1 < argc; ++i) {
        if (QByteArray(argv[i]) == "--days")
            days = std::max(1, QByteArray(argv[i + 1]).toInt());
        if (QByteArray(argv[i]) == "--opens")
            opens = std::max(1, QByteArray(argv[i + 1]).toInt());
    }
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("sendelog.sqlite"));
    fill(file, days);
    platform::SystemClock clock;
    NoPrompts prompts;
    std::vector<double> ms, shownMs;
    for (int i = 0; i < opens; ++i) {
        QElapsedTimer t;
        t.start();
        TransmitTab tab(file, dir.filePath(QStringLiteral("ts.ini")), clock, prompts);
        tab.show(); // reads the log on a pool thread
        QElapsedTimer blocked;
        blocked.start();
        QCoreApplication::processEvents();
        shownMs.push_back(blocked.nsecsElapsed() / 1e6);
        while (tab.reading())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        ms.push_back(t.nsecsElapsed() / 1e6);
        if (tab.lblSeitReset->text().startsWith(QLatin1String("0 "))) {
            std::fprintf(stderr, "the tab read no keyings\n");
            return 1;
        }
    }
    std::printf("statistics tab over %d days of 200 keyings (%d records), goal < 200 ms\n", days,
                days * 200);
    std::printf("%-40s %8s %8s %8s\n", "", "p50", "p95", "max");
    reportPercentiles("open the tab, figures shown (ms)", ms, 0.95);
    reportPercentiles("of which the window's thread (ms)", shownMs, 0.95);
    return 0;
}
