#include "frmMain.h"

#include "ClickLabel.h"
#include "Fakes.h"
#include "ScriptedLibrary.h"
#include "SharedState.h"
#include "TSRemote.h"
#include "TempDir.h"
#include "TraySymbol.h"
#include "frmOptions.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

using Answer = platform::Prompts::Answer;

// The main window with fakes around it; every seam and exit is recorded in order.
class MainWindowTest : public ::testing::Test {
protected:
    TempDir dir;
    app::SharedState state;
    ScriptedLibrary library;
    clientlink::TSRemote ts{library};
    fakes::Prompts prompts;
    fakes::ManualClock clock;
    fakes::Shell shell;
    fakes::SchemeHandler urlHandler;
    frmOptions options{state, ts, prompts};
    QStringList events;
    QStringList told; // the event list
    bool trayAvailable = true;
    std::optional<std::pair<std::uint32_t, QString>> squelchLamp;
    std::unique_ptr<app::frmMain> window;

    void make(QStringList arguments = {}) {
        app::MainWindowParts parts{state,
                                   ts,
                                   prompts,
                                   clock,
                                   shell,
                                   urlHandler,
                                   options,
                                   dir.path(),
                                   dir.path(),
                                   QStringLiteral(QUORVEX_TEST_EXECUTABLE),
                                   std::move(arguments),
                                   [this] { events << QStringLiteral("end"); },
                                   [this] { return trayAvailable; }};
        app::MainWindowSeams seams;
        seams.WerteEinlesen = [this] {
            events << QStringLiteral("WerteEinlesen COM=%1 RTS=%2")
                          .arg(options.cmbCOMPort->currentIndex())
                          .arg(options.optRTSDTR[0]->isChecked());
        };
        seams.DriveKeyer = [this] {
            events << QStringLiteral("DriveKeyer FensterAendern=%1").arg(state.FensterÄndern);
        };
        seams.enableDtmfRecognition = [this] { events << QStringLiteral("dtmf"); };
        seams.COM_schliessen = [this](std::int16_t port) {
            events << QStringLiteral("COM_schliessen %1").arg(port);
        };
        seams.armSwitchen = [this] { events << QStringLiteral("Switchen 5000"); };
        seams.showKickDialog = [this] {
            events << QStringLiteral("kick dialog, main %1").arg(window->isVisible());
        };
        seams.showStatistics = [this] {
            events << QStringLiteral("statistics, main %1").arg(window->isVisible());
        };
        seams.showDtmfKeypad = [this] {
            events << QStringLiteral("keypad, main %1").arg(window->isVisible());
        };
        seams.clientProblem = [] { return QStringLiteral("Bibliothek fehlt"); };
        seams.squelchLamp = [this] { return squelchLamp; };
        seams.microphoneClicked = [this] { events << QStringLiteral("microphone clicked"); };
        seams.event = [this](const QString& text) { told << text; };
        window = std::make_unique<app::frmMain>(std::move(parts), std::move(seams));
    }

    void provideToneFiles(int upTo) {
        QDir(dir.path()).mkpath(QStringLiteral("sounds"));
        for (int i = 0; i < upTo; ++i)
            dir.write(QStringLiteral("sounds/%1.wav").arg(i), "RIFF");
    }
};

TEST_F(MainWindowTest, LoadRunsTheStartUpStepsInOrder) {
    make();
    window->Form_Load();
    EXPECT_EQ(events, QStringList({QStringLiteral("WerteEinlesen COM=0 RTS=1"),
                                   QStringLiteral("DriveKeyer FensterAendern=1")}));
    EXPECT_EQ(state.Programmname, QStringLiteral("Quorvex v0.2.6 alpha 4"));
    EXPECT_EQ(window->windowTitle(), state.Programmname);
    EXPECT_EQ(state.Dateiname, dir.file(QStringLiteral("ts.ini")));
    EXPECT_FALSE(state.DTMFSwitchGiven);
    ASSERT_EQ(options.cmbServerAdresse->count(), 3);
    EXPECT_EQ(options.cmbServerAdresse->currentIndex(), -1);

    const QDateTime built = QFileInfo(QStringLiteral(QUORVEX_TEST_EXECUTABLE)).lastModified();
    EXPECT_EQ(options.lblRelease->text(),
              QStringLiteral("Release: ") + built.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")));
    EXPECT_TRUE(prompts.shown.empty()) << "no DTMF check without the switch";
    EXPECT_EQ(window->frameGeometry().size(), QSize(342, 227));
    window->setWindowTitle(QStringLiteral("anders"));
    window->resize(400, 300);
    window->show();
    QCoreApplication::processEvents();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Quorvex v0.2.6 alpha 4"));
}

// "-dtmf" alone, exactly so written, switches the keypad's recognition on and checks
// the tone files, naming only the first that is missing.
TEST_F(MainWindowTest, TheDtmfSwitchChecksTheToneFiles) {
    struct Case {
        QStringList arguments;
        int toneFiles;
        bool switchGiven;
        QString message;
    };
    const Case cases[] = {
        {{QStringLiteral("-dtmf")},
         7,
         true,
         QStringLiteral("DTMF Funktion nicht m\u00F6glich !\r     Datei 7.wav fehlt !")},
        {{QStringLiteral("-dtmf")}, 12, true, {}},
        {{QStringLiteral("-DTMF")}, 0, false, {}},
        {{QStringLiteral("-dtmf"), QStringLiteral("1")}, 0, false, {}},
    };
    for (const Case& c : cases) {
        events.clear();
        prompts.shown.clear();
        state.DTMFSwitchGiven = false;
        QDir(dir.file(QStringLiteral("sounds"))).removeRecursively();
        provideToneFiles(c.toneFiles);
        make(c.arguments);
        window->Form_Load();
        const QString what = c.arguments.join(QLatin1Char(' '));
        EXPECT_EQ(state.DTMFSwitchGiven, c.switchGiven) << what.toStdString();
        EXPECT_EQ(events.first() == QStringLiteral("dtmf"), c.switchGiven) << what.toStdString();
        ASSERT_EQ(prompts.shown.size(), c.message.isEmpty() ? 0u : 1u) << what.toStdString();
        if (!c.message.isEmpty()) {
            EXPECT_EQ(prompts.shown[0].text, c.message);
            EXPECT_EQ(prompts.shown[0].icon, platform::Prompts::Icon::Exclamation);
        }
    }
}

// "Teamspeak 2 Software auch beenden ?": Yes ends the client too (a failed quit is
// recorded, the program ends all the same), No only the program, Cancel nothing; an
// open port is closed on the way out.
TEST_F(MainWindowTest, TheExitQuestion) {
    struct Case {
        Answer answer;
        bool portOpen;
        std::int32_t quitResult;
        QStringList events;
        std::vector<std::string> calls;
    };
    const QString end = QStringLiteral("end");
    const Case cases[] = {
        {Answer::Yes, true, 0, {QStringLiteral("COM_schliessen 2"), end}, {"quit"}},
        {Answer::Yes, false, -1, {end}, {"quit", "getLastError"}},
        {Answer::No, false, 0, {end}, {}},
        {Answer::Cancel, true, 0, {}, {}},
    };
    library.error = "TS l\xE4uft nicht";
    for (const Case& c : cases) {
        events.clear();
        library.calls.clear();
        prompts.shown.clear();
        library.result = c.quitResult;
        make();
        state.frmCOM.COMPortOffen = c.portOpen;
        state.frmOptions.COMPortAuswahl = 2;
        prompts.nextAnswers = {c.answer};
        window->cmdEnde_Click();
        ASSERT_EQ(prompts.shown.size(), 1u);
        EXPECT_EQ(prompts.shown[0].text, QStringLiteral("Teamspeak 2 Software auch beenden ?"));
        EXPECT_EQ(prompts.shown[0].buttons, platform::Prompts::Buttons::YesNoCancel);
        EXPECT_EQ(prompts.shown[0].defaultAnswer, Answer::Cancel);
        EXPECT_EQ(events, c.events);
        EXPECT_EQ(library.calls, c.calls);
    }
    EXPECT_EQ(ts.LastTSError, QStringLiteral("TS l\u00E4uft nicht"));
}

TEST_F(MainWindowTest, ClosingTheShownWindowParksItInTheTray) {
    make();
    window->Form_Load();
    window->lblOwnNickname->setText(QString(80, QLatin1Char('N')));
    window->show();
    window->close();
    EXPECT_TRUE(window->isHidden());
    EXPECT_TRUE(window->tray().isShown());
    EXPECT_FALSE(events.contains(QStringLiteral("end")));
    const QString tip = window->tray().tip();
    EXPECT_EQ(tip.size(), 63);
    EXPECT_TRUE(tip.startsWith(QStringLiteral("Quorvex v0.2.6 alpha 4 // NNN")));

    window->tray_DblClick();
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->tray().isShown());
}

// Without a tray, closing minimizes; closing the minimized window ends the program.
TEST_F(MainWindowTest, WithoutATrayClosingMinimizesThenEnds) {
    trayAvailable = false;
    make();
    state.frmCOM.COMPortOffen = true;
    state.frmOptions.COMPortAuswahl = 1;
    window->show();
    window->close();
    EXPECT_TRUE(window->isMinimized());
    EXPECT_FALSE(window->tray().isShown());
    EXPECT_TRUE(events.isEmpty());
    window->close();
    EXPECT_EQ(events, QStringList({QStringLiteral("COM_schliessen 1"), QStringLiteral("end")}));
}

TEST_F(MainWindowTest, TrayMenuAndStatusDoubleClickEndAtOnceWithoutClosingThePort) {
    make();
    state.frmCOM.COMPortOffen = true;
    window->show();
    window->close();
    ASSERT_TRUE(window->tray().isShown());
    EXPECT_EQ(window->tray().menu_ende()->text(), QStringLiteral("Beenden"));
    EXPECT_EQ(window->tray().menu()->defaultAction(), window->tray().menu_ende());
    window->tray().menu_ende()->trigger();
    EXPECT_EQ(events, QStringList({QStringLiteral("end")}));
    EXPECT_FALSE(window->tray().isShown());

    events.clear();
    QTest::mouseDClick(window->lblVerbindung, Qt::LeftButton);
    EXPECT_EQ(events, QStringList({QStringLiteral("end")}));
}

TEST_F(MainWindowTest, FeedbackLinkAndShellFile) {
    make();
    QTest::mouseClick(window->lblCopyright, Qt::LeftButton);
    ASSERT_EQ(shell.opened.size(), 1);
    EXPECT_EQ(shell.opened[0],
              QStringLiteral(
                  "mailto:feedback@quorvex.example?subject=Feedback%20Quorvexv0.2.6%20alpha%204"));
}

TEST_F(MainWindowTest, SetTopKeepsPositionAndSize) {
    make();
    window->show();
    window->setGeometry(50, 60, 342, 200);
    const QRect before = window->geometry();
    for (bool top : {true, false}) {
        window->SetTop(window.get(), top);
        EXPECT_EQ(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint), top);
        EXPECT_EQ(window->geometry(), before);
        EXPECT_TRUE(window->isVisible());
    }
}

TEST_F(MainWindowTest, ConnectStartsTheClientFirstAndUsesTheLoginData) {
    make();
    window->Form_Load();
    urlHandler.programPath = QStringLiteral("/opt/ts2/TeamSpeak");
    state.TSNotStarted = true;
    options.cmbServerAdresse->setCurrentIndex(2);
    options.txtPortNummer->setText(QStringLiteral("9000"));
    options.txtNickname->setText(QStringLiteral("DL0GW"));
    options.txtChannelPassword->setText(QStringLiteral("pw"));
    window->cmdTSverbinden_Click();
    EXPECT_EQ(shell.opened, QStringList{QStringLiteral("/opt/ts2/TeamSpeak")});
    EXPECT_EQ(library.calls, std::vector<std::string>{"connect"});
    EXPECT_EQ(library.lastText, "teamspeak://localhost:9000?nickname=DL0GW?loginname="
                                "?password=?channel=?channelpassword=pw");
    EXPECT_EQ(events.last(), QStringLiteral("Switchen 5000"));

    state.TSNotStarted = false;
    window->cmdTSverbinden_Click();
    EXPECT_EQ(shell.opened.size(), 1) << "a running client is not started again";
}

TEST_F(MainWindowTest, FlagButtonsToggleFromTheLastTicksFlags) {
    make();
    state.FlagAway = false;
    window->cmdTSAwayEIN_Click();
    EXPECT_TRUE(state.ManualAway);
    EXPECT_EQ(library.calls.back(), "setPlayerFlags 8");
    state.FlagAway = true;
    window->cmdTSAwayEIN_Click();
    EXPECT_FALSE(state.ManualAway);
    EXPECT_EQ(library.calls.back(), "setPlayerFlags 0");
    library.calls.clear();
    window->cmdTSMicMuteEIN_Click();
    EXPECT_EQ(events.last(), QStringLiteral("microphone clicked")) << "the squelch input hears";
    const auto shownBefore = prompts.shown.size();
    window->cmdTSStarten_Click();
    EXPECT_EQ(library.calls, (std::vector<std::string>{"getUserInfo", "setPlayerFlags 16"}));
    EXPECT_TRUE(shell.opened.isEmpty()) << "no client known: nothing to open";
    ASSERT_EQ(prompts.shown.size(), shownBefore + 1) << "and the user is told";
    EXPECT_TRUE(prompts.shown.back().text.contains(QStringLiteral("kein Programm eingetragen")));
}

TEST_F(MainWindowTest, OwnChannelDoubleClickGoesToTheDefaultChannel) {
    make();
    options.lblDefaultChannelID->setText(QStringLiteral("12"));
    options.txtChannelPassword->setText(QStringLiteral("geheim"));
    QTest::mouseDClick(window->lblOwnChannel, Qt::LeftButton);
    EXPECT_EQ(library.calls, std::vector<std::string>{"switchChannelID 12"});
    EXPECT_EQ(library.lastText, "geheim");
    options.lblDefaultChannelID->setText(QStringLiteral("-x"));
    window->lblOwnChannel_DblClick();
    EXPECT_EQ(library.calls.size(), 1u) << "no number, no switch";
}

TEST_F(MainWindowTest, ATickIsDrawnAndTheSettingsButtonSwapsWindows) {
    library.speakersResult = TSR_NOT_RUNNING;
    make();
    window->Form_Load();
    window->show();
    window->Zeit100ms_Timer();
    EXPECT_EQ(window->lblVerbindung->text(), QStringLiteral("!!! TS NICHT GESTARTET !!!"));
    EXPECT_EQ(window->lblVerbindung->toolTip(), QStringLiteral("Bibliothek fehlt"))
        << "the tooltip tells why";
    EXPECT_EQ(window->lblVerbindung->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_FALSE(window->cmdTSStarten->isHidden());
    EXPECT_TRUE(window->cmdTSverbinden->isHidden());
    EXPECT_FALSE(window->cmdTSAwayEIN->isEnabled());
    window->Zeit1sek_Timer();
    EXPECT_EQ(window->lblZeit->text(), QStringLiteral("11:30:00"));
    EXPECT_TRUE(window->shpSquelch->isHidden()) << "no squelch input, no lamp";
    squelchLamp = {0x00FF00, QStringLiteral("Squelch offen: Mikrofon an")};
    window->render();
    EXPECT_FALSE(window->shpSquelch->isHidden());
    EXPECT_EQ(window->shpSquelch->toolTip(), QStringLiteral("Squelch offen: Mikrofon an"));
    EXPECT_TRUE(window->shpSquelch->styleSheet().contains(QStringLiteral("#00ff00")));

    window->cmdEinstellungen->click();
    EXPECT_TRUE(window->isHidden());
    EXPECT_TRUE(options.isVisible());
    options.cmdOK->click();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(options.isHidden());
}

// A tick that cannot read the connection (a slow client) blanks the status for a moment:
// that is no change of the connection, and nothing is told for it or for its return.
TEST_F(MainWindowTest, TheEventListHearsOfARealChangeOfTheConnectionOnly) {
    make();
    for (const std::int32_t status : {0, -5, 0, -5, 0, TSR_NOT_CONNECTED}) {
        library.speakersResult = status;
        window->Zeit100ms_Timer();
    }
    EXPECT_EQ(told, QStringList({QStringLiteral("Verbindung: CONNECTED"),
                                 QStringLiteral("Verbindung: DISCONNECTED")}));
}

// What the running program's test cannot read of the on-air sign: its colour (red on air,
// dark red after a cut) and the tray's tooltip, which says it as well (the cut too).
TEST_F(MainWindowTest, TheOnAirSignIsRedAndTheTraySaysIt) {
    make();
    window->Form_Load();
    window->show();
    const struct {
        bool lit, blocked;
        QRgb colour;
        const char* tray;
    } cases[] = {
        {true, false, qRgb(220, 0, 0), "SENDEN f\u00FCr DL1ABC"},
        {false, true, qRgb(120, 0, 0), "GESPERRT \u2013 Watchdog: Sendung nach 5 Min. abgebrochen"},
        {false, false, 0, ""}};
    state.frmCOM.SendetFuer = QStringLiteral("DL1ABC");
    for (const auto& c : cases) {
        state.frmCOM.RTSLit = c.lit;
        state.frmCOM.COMPortsperren = c.blocked;
        state.frmCOM.AbgebrochenNachMin = c.blocked ? 5 : 0;
        window->render();
        if (c.colour) {
            EXPECT_EQ(window->lblSenden->grab().toImage().pixel(2, 2), c.colour) << c.lit;
        }
        const QString tip = window->tray().tip();
        EXPECT_EQ(tip.startsWith(QStringLiteral("SENDEN")) || tip.startsWith(QStringLiteral("GESP"))
                      ? tip
                      : QString(),
                  QString::fromUtf8(c.tray));
    }
}

// Escape minimizes; whatever brings the window back shows it normally, where it was.
TEST_F(MainWindowTest, EveryWayBackShowsTheWindowNormallyAtItsPlace) {
    make();
    window->Form_Load();
    window->show();
    window->move(200, 150);
    QCoreApplication::processEvents();
    const QPoint place = window->pos();

    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_TRUE(window->isMinimized());
    // Restored through the taskbar without Qt hearing of it: the flag is still set.
    window->cmdEinstellungen->click();
    options.cmdOK->click();
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isMinimized());
    EXPECT_EQ(window->pos(), place);

    for (int i = 0; i < 3; ++i) {
        window->cmdEinstellungen->click();
        options.cmdCancel->click();
        EXPECT_EQ(window->pos(), place) << "back from the settings, time " << i;
    }

    QTest::keyClick(window.get(), Qt::Key_Escape);
    window->showNormal();
    window->close(); // parked in the tray
    ASSERT_TRUE(window->tray().isShown());
    window->setWindowState(Qt::WindowMinimized);
    window->tray_DblClick();
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isMinimized());
    EXPECT_EQ(window->pos(), place);
}

TEST_F(MainWindowTest, TheAdministrationButtonsHideTheWindowAndOpenTheirs) {
    make();
    window->show();
    ASSERT_TRUE(window->cmdfrmKickPlayer->isEnabled());
    window->cmdfrmKickPlayer->click();
    window->showAgain();
    window->cmdStatic->click();
    window->showAgain();
    QTest::mouseDClick(window->lblDTMF, Qt::LeftButton);
    window->showAgain();
    window->render();
    ASSERT_FALSE(window->cmdDTMF->isHidden());
    window->cmdDTMF->click();
    EXPECT_EQ(
        events,
        QStringList({QStringLiteral("kick dialog, main 0"), QStringLiteral("statistics, main 0"),
                     QStringLiteral("keypad, main 0"), QStringLiteral("keypad, main 0")}));
}

TEST_F(MainWindowTest, TheChannelMessageBoxSendsWhatIsTypedEvenNothing) {
    make();
    state.ChannelOwnID = 4;
    QLineEdit* box = window->txtChannelMessage;
    QFocusEvent in(QEvent::FocusIn);
    QCoreApplication::sendEvent(box, &in);
    EXPECT_TRUE(box->text().isEmpty());

    QTest::keyClicks(box, QString(81, QLatin1Char('x')));
    EXPECT_EQ(box->text().size(), 80) << "the 81st character is refused";
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(library.calls.back(), "sendText 4");
    EXPECT_EQ(library.lastText, std::string(80, 'x'));
    EXPECT_TRUE(box->text().isEmpty());
    library.lastText = "vorher";
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(library.calls.back(), "sendText 4");
    EXPECT_EQ(library.lastText, "") << "an empty box is sent as well";

    QFocusEvent out(QEvent::FocusOut);
    QCoreApplication::sendEvent(box, &out);
    EXPECT_EQ(box->text(), QStringLiteral("        Send Message To Channel"));
}

TEST_F(MainWindowTest, DoubleClickOnTheAwayImageGoesToTheAwayChannelIfThereIsOne) {
    make();
    QTest::mouseDClick(window->imgAway, Qt::LeftButton);
    EXPECT_TRUE(library.calls.empty()) << "no away channel known";
    state.CurrentAWAYChannelID = QStringLiteral("9");
    QTest::mouseDClick(window->imgAway, Qt::LeftButton);
    ASSERT_FALSE(library.calls.empty());
    EXPECT_EQ(library.calls.back(), "switchChannelID 9");
    EXPECT_EQ(library.lastText, "");
}

// The tray menu waits for its choice; a double click meanwhile is dropped, not queued.
TEST_F(MainWindowTest, TheTrayHandlerIgnoresClicksWhileItsMenuIsOpen) {
    make();
    window->close(); // parked in the tray
    bool closedByTimer = false;
    QTimer::singleShot(50, [&] {
        window->tray().activated(QSystemTrayIcon::DoubleClick);
        closedByTimer = true;
        window->tray().menu()->close();
    });
    window->tray().activated(QSystemTrayIcon::Context);
    EXPECT_TRUE(closedByTimer);
    EXPECT_TRUE(window->isHidden()) << "the double click during the menu was dropped";
    EXPECT_FALSE(state.TrayBusy);
    window->tray().activated(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(window->isVisible());
}

// With Mumble: the plug starts it through its URL when it is not running, a channel change
// says it is not offered, and ending asks only about Quorvex.
TEST_F(MainWindowTest, WithMumbleThePlugOpensItsUrlAndLackingActionsSaySo) {
    library.kindIs = platform::ClientKind::Mumble;
    make();
    window->Form_Load();
    state.TSNotStarted = true;
    options.cmbServerAdresse->setCurrentIndex(2);
    options.txtPortNummer->setText(QStringLiteral("64738"));
    options.txtNickname->setText(QStringLiteral("DL0GW"));
    options.txtDefaultChannel->setText(QStringLiteral("Funkraum"));
    window->cmdTSverbinden_Click();
    EXPECT_EQ(shell.opened,
              QStringList{QStringLiteral("mumble://DL0GW@localhost:64738/Funkraum?version=1.2.0")});
    EXPECT_TRUE(library.calls.empty()) << "the URL it is started with connects it";

    options.lblDefaultChannelID->setText(QStringLiteral("1"));
    window->lblOwnChannel_DblClick();
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text,
              QStringLiteral("Mit Mumble nicht verf\u00FCgbar: Channel wechseln"));
    EXPECT_TRUE(library.calls.empty());

    prompts.nextAnswers = {Answer::No, Answer::Yes};
    window->cmdEnde_Click();
    EXPECT_TRUE(events.isEmpty() || events.last() != QStringLiteral("end"));
    window->cmdEnde_Click();
    EXPECT_EQ(prompts.shown.back().text,
              QStringLiteral("Quorvex beenden ? (Mumble l\u00E4uft weiter)"));
    EXPECT_EQ(events.last(), QStringLiteral("end"));
    EXPECT_TRUE(library.calls.empty()) << "no quit sent to Mumble";
}
