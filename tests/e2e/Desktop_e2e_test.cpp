// The real quorvex program on a private X display, driven with the mouse and keyboard as
// a person would: settings page 1's links and autostart.
#include "INIfile.h"
#include "KeyerRig.h"
#include "MainWindowSpots.h"
#include "PrivateDisplay.h"
#include "Rig.h"
#include "SavedSettings.h"
#include "SqliteLock.h"
#include "TempDir.h"
#include "TransmissionLog.h"

#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QThread>

#include <functional>
#include <memory>

#include <gtest/gtest.h>

class DesktopE2E : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"Xvfb", "xdotool"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                GTEST_SKIP() << "needs Xvfb and xdotool (scripts/install-packages.sh)";
        }
        display = std::make_unique<PrivateDisplay>();
        ASSERT_FALSE(display->name.isEmpty());
        QDir().mkpath(dir.file(QStringLiteral("home/Desktop")));
        QDir().mkpath(dir.file(QStringLiteral("config")));
        env.insert(QStringLiteral("HOME"), dir.file(QStringLiteral("home")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.file(QStringLiteral("config")));
    }
    void TearDown() override {
        if (quorvex.state() != QProcess::NotRunning) {
        }
    }
    QByteArray start() {
        if (!startQuorvex(quorvex, dir.path(), dir.file(QStringLiteral("none.sock")), display->name,
                          env))
            return {};
        return display->window(QStringLiteral("^Quorvex "), 20000);
    }
    // Page 1 of the program, checked to measure as the page built here does.
    QByteArray openPageOne(const QByteArray& main) {
        const QByteArray page =
            display->clickUntil(main, SettingsGear, QStringLiteral("^Einstellungen$"));
        if (!page.isEmpty() && display->geometry(page).size() != pageOneSize) {
            ADD_FAILURE() << "page 1 measures " << display->geometry(page).width() << "x"
                          << display->geometry(page).height() << ", built here "
                          << pageOneSize.width() << "x" << pageOneSize.height();
            return {};
        }
        return page;
    }

    TempDir dir;
    QString ini = dir.file(QStringLiteral("ts.ini"));
    QProcessEnvironment env;
    std::unique_ptr<PrivateDisplay> display;
    Child quorvex;
};

TEST_F(DesktopE2E, PageOneWritesTheDesktopLinkAndTheAutostartPairAndRemovesThePair) {
    saveWithSettingsPage(ini, [](frmOptions& page) {
        page.cmbServerAdresse->setCurrentIndex(2);
        page.txtNickname->setText(QStringLiteral("DL0GW"));
        page.txtPassword->setText(QStringLiteral("geheim"));
    });
    const QPoint desktopLink = onPageOne(ini, [](frmOptions& p) { return p.cmdMakeLink[0]; });
    const QPoint autostartBox = onPageOne(ini, [](frmOptions& p) { return p.chkAutoStart; });
    const QPoint ok = onPageOne(ini, [](frmOptions& p) { return p.cmdOK; });

    const QByteArray main = start();
    ASSERT_FALSE(main.isEmpty()) << "the main window did not show";
    QByteArray page = openPageOne(main);
    ASSERT_FALSE(page.isEmpty()) << "the settings gear did not open page 1";

    // The desktop link under the proposed name, then the success box.
    const QByteArray ask =
        display->clickUntil(page, desktopLink, QStringLiteral("^Desktop-Link erzeugen$"));
    ASSERT_FALSE(ask.isEmpty()) << "the desktop link button did nothing";
    ASSERT_TRUE(display->key(ask, QStringLiteral("Return")));
    const QByteArray done = display->window(QStringLiteral("^Quorvex$"));
    ASSERT_FALSE(done.isEmpty()) << "no success message";
    ASSERT_TRUE(display->key(done, QStringLiteral("Return")));
    const QString link = dir.file(QStringLiteral("home/Desktop/Orvanta Login.desktop"));
    ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(link); }));
    QFile linkFile(link);
    ASSERT_TRUE(linkFile.open(QIODevice::ReadOnly));
    EXPECT_TRUE(linkFile.readAll().contains(
        "Exec=xdg-open \"teamspeak://localhost:8767?nickname=DL0GW?loginname=?password=geheim"
        "?channel=?channelpassword=\"\n"));

    // Autostart on, OK: both autostart entries.
    const QString autostart = dir.file(QStringLiteral("config/autostart/"));
    ASSERT_TRUE(display->click(page, autostartBox));
    ASSERT_TRUE(display->click(page, ok));
    ASSERT_TRUE(waitUntil([&] {
        return QFileInfo::exists(autostart + QStringLiteral("Quorvex.desktop")) &&
               QFileInfo::exists(autostart + QStringLiteral("TS starten.desktop"));
    })) << "no autostart entries after OK";
    QFile clientEntry(autostart + QStringLiteral("TS starten.desktop"));
    ASSERT_TRUE(clientEntry.open(QIODevice::ReadOnly));
    EXPECT_TRUE(clientEntry.readAll().contains(
        "Exec=xdg-open \"teamspeak://localhost?nickname=DL0GW?loginname="));
    // The save writes the keys after the links: under the sanitizers that was seen later.
    EXPECT_TRUE(waitUntil([&] {
        return INIfile::INIRead(ini, QStringLiteral("Optionen"), QStringLiteral("Autostart")) ==
               QStringLiteral("1");
    })) << "the box's state was not saved";

    // Autostart off again: both entries go.
    page = openPageOne(main);
    ASSERT_FALSE(page.isEmpty());
    ASSERT_TRUE(display->click(page, autostartBox));
    ASSERT_TRUE(display->click(page, ok));
    EXPECT_TRUE(waitUntil([&] {
        return !QFileInfo::exists(autostart + QStringLiteral("Quorvex.desktop")) &&
               !QFileInfo::exists(autostart + QStringLiteral("TS starten.desktop"));
    })) << "the autostart entries stayed after the box was cleared";
    EXPECT_TRUE(QFileInfo::exists(link)) << "the desktop link is no autostart entry";
}

// A settings folder the program cannot write is reported at start-up, and a stop from
// the system ends the program at once although that message waits for its OK.
TEST_F(DesktopE2E, AnUnwritableSettingsFolderIsToldAndSigtermEndsThroughTheMessage) {
    ASSERT_TRUE(startQuorvex(quorvex, dir.file(QStringLiteral("verschwunden")),
                             dir.file(QStringLiteral("none.sock")), display->name, env));
    ASSERT_FALSE(display->window(QStringLiteral("^Quorvex$"), 20000).isEmpty())
        << "no message about the settings folder; the program "
        << (quorvex.state() == QProcess::Running ? "runs" : "has ended");
    QElapsedTimer t;
    t.start();
    quorvex.terminate();
    ASSERT_TRUE(quorvex.waitForFinished(3000)) << "still running with the message open";
    std::printf("measured: ended %lld ms after SIGTERM with a message box open\n",
                static_cast<long long>(t.elapsed()));
    EXPECT_LT(t.elapsed(), 1000);
    EXPECT_EQ(quorvex.exitStatus(), QProcess::NormalExit);
}

// A stop from the system while a modal box waits (the desktop link's name) ends the
// program at once, but only once the transmission log has what it was handed: keyings
// made while another program held the file reach it when the file comes free.
TEST_F(DesktopE2E, SigtermDuringAModalBoxKeepsTheTransmissionLogsTail) {
    if (QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty())
        GTEST_SKIP() << "needs sqlite3 (scripts/install-packages.sh)";
    KeyerRig rig;
    ASSERT_TRUE(rig.start(0, display->name, env));
    const QString db = rig.dir.file(QStringLiteral("sendelog.sqlite"));
    ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(db); }));
    LockedBy lock(db);
    ASSERT_TRUE(lock.locked);
    constexpr int Keyings = 3;
    for (int i = 0; i < Keyings; ++i) {
        for (const bool on : {true, false}) {
            rig.speak(on);
            ASSERT_TRUE(waitUntil(
                [&] { return !rig.keying().empty() && rig.keying().back().rts == on; }, 3000));
        }
    }
    const QPoint desktopLink = onPageOne(rig.dir.file(QStringLiteral("ts.ini")),
                                         [](frmOptions& p) { return p.cmdMakeLink[0]; });
    const QByteArray main = display->window(QStringLiteral("^Quorvex "), 20000);
    const QByteArray page =
        display->clickUntil(main, SettingsGear, QStringLiteral("^Einstellungen$"));
    ASSERT_FALSE(page.isEmpty());
    ASSERT_FALSE(display->clickUntil(page, desktopLink, QStringLiteral("^Desktop-Link erzeugen$"))
                     .isEmpty());
    lock.release();
    QElapsedTimer t;
    t.start();
    rig.quorvex.terminate();
    ASSERT_TRUE(rig.quorvex.waitForFinished(5000));
    std::printf("measured: ended %lld ms after SIGTERM with a modal box open\n",
                static_cast<long long>(t.elapsed()));
    EXPECT_LT(t.elapsed(), 2500) << "the log's wait is bounded";
    QByteArray count;
    runTool(QStringLiteral("sqlite3"), {db, QStringLiteral("SELECT count(*) FROM sendungen")},
            &count);
    EXPECT_EQ(count.trimmed(), QByteArray::number(Keyings));
}

// With a window manager that places windows: the main window comes back exactly where it
// was, and the speaker window opens on the screen beside it, its title bar reachable.
TEST_F(DesktopE2E, WindowsKeepTheirPlacesUnderAWindowManager) {
    if (QStandardPaths::findExecutable(QStringLiteral("openbox")).isEmpty())
        GTEST_SKIP() << "needs openbox (scripts/install-packages.sh)";
    ASSERT_TRUE(display->startWindowManager());
    saveWithSettingsPage(ini, [](frmOptions& page) { page.cmbServerAdresse->setCurrentIndex(2); });
    const QPoint cancel = onPageOne(ini, [](frmOptions& p) { return p.cmdCancel; });
    const QPoint secondPage = onPageOne(ini, [](frmOptions& p) { return p.cmdSeite2; });
    const QByteArray main = start();
    ASSERT_FALSE(main.isEmpty());
    QThread::msleep(500);
    const QRect first = display->geometry(main);
    ASSERT_FALSE(first.isEmpty());

    const auto back = [&] {
        return waitUntil([&] {
            return !display->window(QStringLiteral("^Quorvex "), 200).isEmpty() &&
                   display->geometry(main) == first;
        });
    };
    for (int round = 0; round < 2; ++round) {
        QByteArray page = openPageOne(main);
        ASSERT_FALSE(page.isEmpty());
        ASSERT_TRUE(display->click(page, cancel));
        EXPECT_TRUE(back()) << "after Abbrechen, round " << round << ": first at " << first.x()
                            << "," << first.y() << ", now at "
                            << display->geometry(main).topLeft().x() << ","
                            << display->geometry(main).topLeft().y();
    }
    QByteArray page = openPageOne(main);
    const QByteArray two =
        display->clickUntil(page, secondPage, QStringLiteral("^Einstellungen 2"));
    ASSERT_FALSE(two.isEmpty()) << "page 2 did not open";
    // Closed through its frame, as the window manager's close does (again, should the
    // keys have come before the window had the focus).
    ASSERT_TRUE(waitUntil([&] {
        display->key(two, QStringLiteral("alt+F4"));
        return display->window(QStringLiteral("^Einstellungen 2"), 500).isEmpty();
    }));
    EXPECT_TRUE(back()) << "after page 2";

    // The speaker window: a double click on the speaker line.
    ASSERT_TRUE(display->xdotool(
        {QStringLiteral("mousemove"), QStringLiteral("--window"), QString::fromLatin1(main),
         QStringLiteral("207"), QStringLiteral("184"), QStringLiteral("click"),
         QStringLiteral("--repeat"), QStringLiteral("2"), QStringLiteral("1")}));
    const QByteArray speaker = display->window(QStringLiteral("^[0-9]+%$"), 5000);
    ASSERT_FALSE(speaker.isEmpty()) << "no speaker window";
    QThread::msleep(300);
    const QRect s = display->geometry(speaker);
    EXPECT_GE(s.top(), 15) << "its title bar is on the screen";
    EXPECT_GE(s.left(), 0);
    EXPECT_LE(s.right(), 1024);
    EXPECT_LE(s.bottom(), 768);
    EXPECT_LE((s.topLeft() - first.topLeft()).manhattanLength(), 40)
        << "where the main window stood";
}

// A gateway's operator exports the transmission log the program wrote, as a person works
// the window: the statistics button, the tab "Sendungen" (Alt+S), "Exportieren..." (Alt+E)
// and the file dialog.
TEST_F(DesktopE2E, AGatewaysStatisticsExportTheTransmissionLog) {
    saveWithSettingsPage(ini, [](frmOptions& page) {
        page.cmbServerAdresse->setCurrentIndex(2);
        page.chkGateway->setChecked(true);
    });
    {
        TransmissionLog log(dir.file(QStringLiteral("sendelog.sqlite")), [](const QString&) {});
        log.begin(QStringLiteral("DL1ABC"));
        log.end(QStringLiteral("Haltezeit abgelaufen"));
        log.begin(QStringLiteral("OE3XYZ"));
        log.end(QStringLiteral("Watchdog"));
    }
    const QByteArray main = start();
    ASSERT_FALSE(main.isEmpty());
    const QByteArray window =
        display->clickUntil(main, StatisticsButton, QStringLiteral("bersicht Statistik$"));
    ASSERT_FALSE(window.isEmpty()) << "the statistics button did not open its window";
    ASSERT_TRUE(display->key(window, QStringLiteral("alt+s")));
    ASSERT_TRUE(display->key(window, QStringLiteral("alt+e")));
    const QByteArray dialog = display->window(QStringLiteral("^Sendeprotokoll exportieren$"));
    ASSERT_FALSE(dialog.isEmpty()) << "no file dialog for the export";
    // Looking into the log's own folder must not end the locks SQLite holds there: the
    // dialog lists the files without opening them.
    const auto locks = [this] {
        QFile f(QStringLiteral("/proc/locks"));
        const QByteArray pid = " " + QByteArray::number(quorvex.processId()) + " ";
        return f.open(QIODevice::ReadOnly) ? f.readAll().count(pid) : -1;
    };
    ASSERT_TRUE(waitUntil([&] { return locks() > 0; }, 5000)) << "the log holds no lock";
    const qsizetype held = locks();
    ASSERT_TRUE(display->key(dialog, QStringLiteral("ctrl+a")));
    ASSERT_TRUE(display->xdotool({QStringLiteral("type"), dir.path() + QLatin1Char('/')}));
    ASSERT_TRUE(display->key(dialog, QStringLiteral("Return")));
    QThread::msleep(1500); // the dialog's model fills in the background
    EXPECT_EQ(locks(), held) << "the dialog ended the log's locks";
    const QString csv = dir.file(QStringLiteral("export.csv"));
    ASSERT_TRUE(display->key(dialog, QStringLiteral("ctrl+a")));
    ASSERT_TRUE(display->xdotool({QStringLiteral("type"), csv}));
    ASSERT_TRUE(display->key(dialog, QStringLiteral("Return")));
    ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(csv); }, 5000)) << "nothing exported";
    const QList<QByteArray> lines = dir.read(QStringLiteral("export.csv")).split('\n');
    ASSERT_EQ(lines.size(), 4) << "header, two keyings, the final line break";
    EXPECT_TRUE(lines[1].endsWith(",DL1ABC,Haltezeit abgelaufen\r")) << lines[1].constData();
    EXPECT_TRUE(lines[2].endsWith(",OE3XYZ,Watchdog\r")) << lines[2].constData();
    EXPECT_FALSE(display->window(QStringLiteral("^Quorvex$"), 5000).isEmpty())
        << "the export is not confirmed";
}
