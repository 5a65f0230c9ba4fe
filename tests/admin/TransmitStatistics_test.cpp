// The transmit statistics tab over a log holding a known day, as the program's log writes
// the file: the counters, the chart, the reset and the CSV export.
#include "Fakes.h"
#include "Rig.h"
#include "TempDir.h"
#include "TransmissionLog.h"
#include "TransmitChart.h"
#include "TransmitTab.h"
#include "UserStatistics.h"
#include "frmStatic.h"

#include "SharedState.h"

#include <QDateEdit>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTableWidget>

#include <gtest/gtest.h>

using Answer = platform::Prompts::Answer;

class TransmitStatistics : public ::testing::Test {
protected:
    TempDir dir;
    QString log = dir.file(QStringLiteral("sendelog.sqlite"));
    QString ini = dir.file(QStringLiteral("ts.ini"));
    fakes::ManualClock clock;
    fakes::Prompts prompts;

    void SetUp() override {
        clock.now = QDateTime(QDate(2026, 12, 7), QTime(14, 30));
        {
            TransmissionLog made(log, [](const QString&) {});
        } // the program's own schema
        keyed(QDate(2026, 12, 7), {13, 50}, 20 * 60, "DL1ABC", "Haltezeit abgelaufen");
        keyed(QDate(2026, 12, 7), {14, 20}, 5 * 60, "=HYPERLINK(\"x\")", "Watchdog");
        keyed(QDate(2026, 12, 7), {14, 29}, -1, "OE3XYZ", nullptr); // keyed now
        keyed(QDate(2026, 12, 4), {10, 0}, 60, "HB9, \"Z\"", "Haltezeit abgelaufen");
        keyed(QDate(2026, 11, 1), {10, 0}, 120, "DL1ABC", "Gesperrt");
    }
    // One record as the log writes it; seconds < 0: still keyed.
    void keyed(QDate day, QTime at, int seconds, const char* speaker, const char* cause) {
        const QDateTime b(day, at);
        const QDateTime e = b.addSecs(seconds);
        const auto utc = [](const QDateTime& t) { return t.toUTC().toString(Qt::ISODateWithMs); };
        const auto local = [](const QDateTime& t) {
            return t.toOffsetFromUtc(t.offsetFromUtc()).toString(Qt::ISODateWithMs);
        };
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("t"));
        db.setDatabaseName(log);
        ASSERT_TRUE(db.open());
        {
            QSqlQuery q(db);
            q.prepare(QStringLiteral("INSERT INTO sendungen (sprecher, beginn, beginn_lokal, ende, "
                                     "ende_lokal, dauer_ms, grund, zuletzt) "
                                     "VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
            const bool open = seconds < 0;
            for (const QVariant& v :
                 {QVariant(QString::fromUtf8(speaker)), QVariant(utc(b)), QVariant(local(b)),
                  open ? QVariant() : QVariant(utc(e)), open ? QVariant() : QVariant(local(e)),
                  open ? QVariant() : QVariant(seconds * 1000), QVariant(cause), QVariant(utc(b))})
                q.addBindValue(v);
            ASSERT_TRUE(q.exec());
        }
        db.close();
        db = {};
        QSqlDatabase::removeDatabase(QStringLiteral("t"));
    }
};

// Today: 20 + 5 + the running minute; the week adds one minute on the 4th; since the
// (missing) reset also the two minutes of November. The 20 minutes from 13:50 fall half
// into the hour of 13 and half into 14.
TEST_F(TransmitStatistics, CountersAndChartOfAKnownDay) {
    TransmitTab tab(log, ini, clock, prompts);
    tab.resize(600, 420);
    tab.show();
    ASSERT_TRUE(waitUntil([&] { return !tab.reading(); })) << "read on a pool thread";
    EXPECT_EQ(tab.lblHeute->text(), QStringLiteral("3 Sendungen, 0:26:00"));
    EXPECT_EQ(tab.lblWoche->text(), QStringLiteral("4 Sendungen, 0:27:00"));
    EXPECT_EQ(tab.lblSeitReset->text(), QStringLiteral("5 Sendungen, 0:29:00"));
    EXPECT_EQ(tab.lblLaengste->text(), QStringLiteral("0:20:00"));
    EXPECT_EQ(tab.lblWatchdog->text(), QStringLiteral("1"));
    EXPECT_EQ(tab.lblAnteil->text(), QStringLiteral("43 %")) << "26 of the last 60 minutes";

    const auto& m = tab.chart->minutes();
    EXPECT_DOUBLE_EQ(m[23], 16.0);
    EXPECT_DOUBLE_EQ(m[22], 10.0);
    for (int i = 0; i < 22; ++i)
        EXPECT_EQ(m[static_cast<std::size_t>(i)], 0.0) << "hour " << i;
    // Drawn as read: the bar of 14 h red at its foot, taller than the one of 13 h.
    const QImage shot = tab.chart->grab().toImage();
    const QRect now = tab.chart->barArea(23);
    const QRect before = tab.chart->barArea(22);
    EXPECT_GT(now.height(), before.height());
    EXPECT_EQ(shot.pixel(now.center().x(), now.bottom() - 1), qRgb(200, 40, 40));
    EXPECT_EQ(shot.pixel(tab.chart->barArea(0).center().x(), now.bottom() - 1),
              qRgb(255, 255, 255));

    // The keyings themselves, newest first, and those of one speaker.
    ASSERT_EQ(tab.tblSendungen->rowCount(), 5);
    EXPECT_EQ(tab.tblSendungen->item(0, 2)->text(), QStringLiteral("OE3XYZ"));
    EXPECT_EQ(tab.tblSendungen->item(0, 1)->text(), QStringLiteral("sendet"));
    EXPECT_EQ(tab.tblSendungen->item(1, 3)->text(), QStringLiteral("Watchdog"));
    tab.txtFilter->setText(QStringLiteral("dl1"));
    int shown = 0;
    for (int r = 0; r < 5; ++r)
        shown += tab.tblSendungen->isRowHidden(r) ? 0 : 1;
    EXPECT_EQ(shown, 2) << "DL1ABC's two keyings";

    // Reset after Yes only; the log itself stays whole.
    prompts.nextAnswers = {Answer::No, Answer::Yes};
    tab.cmdSendeReset->click();
    ASSERT_TRUE(waitUntil([&] { return !tab.reading(); }));
    EXPECT_EQ(tab.lblSeitReset->text(), QStringLiteral("5 Sendungen, 0:29:00"));
    clock.now = clock.now.addSecs(60);
    tab.cmdSendeReset->click();
    ASSERT_TRUE(waitUntil([&] { return !tab.reading(); }));
    EXPECT_EQ(tab.lblSeitReset->text(), QStringLiteral("0 Sendungen, 0:00:00"));
    EXPECT_EQ(tab.lblSeit->text(), QStringLiteral("seit 07.12.2026 14:31"));
    EXPECT_EQ(tab.lblHeute->text(), QStringLiteral("3 Sendungen, 0:27:00"));
    EXPECT_TRUE(dir.read(QStringLiteral("ts.ini")).contains("[Sendestatistik]"));
}

TEST_F(TransmitStatistics, ExportWritesTheRangeAsCsvWithNamesKeptHarmless) {
    TransmitTab tab(log, ini, clock, prompts);
    const QString csv = dir.file(QStringLiteral("aus.csv"));
    tab.datVon->setDate(QDate(2026, 12, 4));
    tab.datBis->setDate(QDate(2026, 12, 7));
    prompts.nextFiles = {csv};
    tab.cmdExport->click();
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text,
              QStringLiteral("4 Sendungen nach \"%1\" exportiert.").arg(csv));
    const QStringList lines =
        QString::fromUtf8(dir.read(QStringLiteral("aus.csv"))).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 6) << "header, four keyings, the final line break (CRLF)";
    EXPECT_EQ(lines[0],
              QStringLiteral("beginn,ende,beginn_lokal,ende_lokal,dauer_ms,sprecher,grund"));
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral(",60000,\"HB9, \"\"Z\"\"\",Haltezeit abgelaufen")))
        << lines[1].toStdString();
    EXPECT_TRUE(lines[3].contains(QStringLiteral(",\"'=HYPERLINK(\"\"x\"\")\",Watchdog")))
        << "a name is never a formula: " << lines[3].toStdString();
    EXPECT_TRUE(lines[4].contains(QStringLiteral(",,OE3XYZ,"))) << "still keyed: no end yet";

    tab.datVon->setDate(QDate(2026, 12, 8));
    tab.cmdExport->click();
    EXPECT_EQ(prompts.shown.back().text,
              QStringLiteral("Das Datum \"Von\" liegt nach dem Datum \"bis\"."));
    tab.datVon->setDate(QDate(2026, 12, 1));
    prompts.nextFiles = {dir.file(QStringLiteral("fehlt/aus.csv"))};
    tab.cmdExport->click();
    EXPECT_TRUE(
        prompts.shown.back().text.startsWith(QStringLiteral("Export nicht m\u00F6glich. (")));
}

// No cell starts a formula, whatever stands before its first sign; "f\u00FCr Excel" writes
// semicolons after a byte-order mark.
TEST_F(TransmitStatistics, ExportedNamesNeverStartAFormulaInEitherStyle) {
    const char* names[] = {"\t=1+1", "\r=1+1", "  =1+1", " \t-5", "@SUM(A1)", "+49 89"};
    for (const char* name : names)
        keyed(QDate(2026, 12, 5), {9, 0}, 10, name, "Haltezeit abgelaufen");
    TransmitTab tab(log, ini, clock, prompts);
    tab.datVon->setDate(QDate(2026, 12, 5));
    tab.datBis->setDate(QDate(2026, 12, 5));
    for (const bool excel : {false, true}) {
        prompts.nextFiles = {dir.file(QStringLiteral("aus.csv"))};
        prompts.nextFilters = {excel ? QStringLiteral("CSV f\u00FCr Excel (Semikolon) (*.csv)")
                                     : QStringLiteral("CSV, Komma (*.csv)")};
        tab.cmdExport->click();
        QByteArray bytes = dir.read(QStringLiteral("aus.csv"));
        EXPECT_EQ(bytes.startsWith("\xEF\xBB\xBF"), excel);
        if (excel)
            bytes.remove(0, 3);
        const QStringList lines = QString::fromUtf8(bytes).split(QStringLiteral("\r\n"));
        ASSERT_EQ(lines.size(), 2 + static_cast<qsizetype>(std::size(names)));
        const QChar separator = excel ? QLatin1Char(';') : QLatin1Char(',');
        EXPECT_EQ(lines[0].count(separator), 6) << lines[0].toStdString();
        for (qsizetype i = 1; i + 1 < lines.size(); ++i) {
            const QString cell = lines[i].section(separator, 5, 5);
            EXPECT_TRUE(cell.startsWith(QStringLiteral("'")) ||
                        cell.startsWith(QStringLiteral("\"'")))
                << "a formula could start: " << lines[i].toStdString();
        }
    }
}

// German first, the technical reason apart in parentheses; a link is not followed.
TEST_F(TransmitStatistics, AnUnreadableLogIsSaidInTheTab) {
    const std::pair<std::function<void()>, QString> cases[] = {
        {[this] { dir.write(QStringLiteral("sendelog.sqlite"), QByteArray(4096, 'x')); },
         QStringLiteral("(SQLite: file is not a database)")},
        {[this] {
             dir.write(QStringLiteral("anderes.sqlite"), QByteArray());
             QFile::link(dir.file(QStringLiteral("anderes.sqlite")), log);
         },
         QStringLiteral("ist ein symbolischer Verweis; ihm wird nicht gefolgt)")},
    };
    for (const auto& [spoil, reason] : cases) {
        QFile::remove(log);
        spoil();
        TransmitTab tab(log, ini, clock, prompts);
        tab.show();
        ASSERT_TRUE(waitUntil([&] { return !tab.reading(); }));
        EXPECT_FALSE(tab.lblFehler->isHidden());
        const QString text = tab.lblFehler->text();
        EXPECT_TRUE(
            text.startsWith(QStringLiteral("Das Sendeprotokoll kann nicht gelesen werden. (")))
            << text.toStdString();
        EXPECT_TRUE(text.endsWith(reason)) << text.toStdString();
        EXPECT_TRUE(prompts.shown.empty()) << "no box: the window stays usable";
    }
}

// The window keeps its size whatever its tabs show: switching tabs, the figures read, an
// export done.
TEST_F(TransmitStatistics, TheWindowKeepsItsSizeThroughTabsAndAnExport) {
    app::SharedState state;
    state.Dateiname = ini;
    UserStatistics users(state, clock);
    auto* tab = new TransmitTab(log, ini, clock, prompts);
    frmStatic window(state, users, prompts, {}, tab);
    window.show();
    const QSize first = window.size();
    std::vector<std::pair<const char*, QSize>> seen;
    window.tabs->setCurrentIndex(1);
    ASSERT_TRUE(waitUntil([&] { return !tab->reading(); }));
    QCoreApplication::processEvents();
    seen.emplace_back("the transmissions tab", window.size());
    prompts.nextFiles = {dir.file(QStringLiteral("aus.csv"))};
    tab->cmdExport->click();
    QCoreApplication::processEvents();
    seen.emplace_back("after an export", window.size());
    window.tabs->setCurrentIndex(0);
    QCoreApplication::processEvents();
    seen.emplace_back("back on the users tab", window.size());
    for (const auto& [when, size] : seen)
        EXPECT_EQ(size, first) << when;
}

// The chart scales to the busiest hour shown: one minute of traffic is a bar a reader sees
// (10 pixels and more in the tab's smallest chart), and a busy hour still fits.
TEST(TransmitChartScale, AMinuteOfTrafficStandsOutAndABusyHourFits) {
    const std::pair<double, int> cases[] = {{1.0, 10}, {50.0, 50}};
    for (const auto& [minutes, atLeast] : cases) {
        TransmitChart chart;
        std::array<double, 24> hours{};
        hours[5] = minutes;
        chart.setHours(hours, QDateTime(QDate(2026, 12, 7), QTime(0, 0)));
        chart.resize(chart.minimumSize());
        const QImage shot = chart.grab().toImage();
        const QRect bar = chart.barArea(5);
        int red = 0;
        for (int y = 0; y < shot.height(); ++y)
            red += shot.pixel(bar.center().x(), y) == qRgb(200, 40, 40);
        std::printf("measured: %.0f minute(s) drawn %d pixels high\n", minutes, red);
        EXPECT_GE(red, atLeast) << minutes;
        EXPECT_LE(bar.top(), chart.rect().bottom()) << "inside the chart";
        EXPECT_GE(bar.top(), 0);
    }
}
