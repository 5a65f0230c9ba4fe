#include "frmMain.h"

#include "AppIcon.h"
#include "ClickLabel.h"
#include "Clock.h"
#include "InstallPath.h"
#include "Prompts.h"
#include "SharedState.h"
#include "Shell.h"
#include "Startup.h"
#include "TSRemote.h"
#include "TraySymbol.h"
#include "Twips.h"
#include "frmOptions.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QUrlQuery>

namespace app {

namespace tw = platform::twips;

frmMain::frmMain(MainWindowParts parts, MainWindowSeams seams, QWidget* parent)
    : QWidget(parent), m_parts(std::move(parts)), m_seams(std::move(seams)),
      m_state(m_parts.state) {
    setWindowIcon(appIcon());
    buildControls();
    m_tray = new TraySymbol(m_state.TrayBusy, this);
    connect(m_tray, &TraySymbol::doubleClicked, this, &frmMain::tray_DblClick);
    connect(m_tray, &TraySymbol::endRequested, this, &frmMain::menu_ende_Click);

    frmOptions& page = m_parts.options;
    MonitorHost host;
    host.isMinimized = [this] { return isMinimized(); };
    host.setTopmost = [this](bool top) { SetTop(this, top); };
    host.autoAwayMinutes = [&page] { return page.sldAutoAway->value(); };
    m_cycle = std::make_unique<MonitorCycle>(m_state, m_parts.ts, m_parts.clock, std::move(host),
                                             m_seams.monitor);
    OptionsHost optionsHost;
    optionsHost.showMainWindow = [this] { showAgain(); };
    optionsHost.ownNicknameCaption = [this] { return lblOwnNickname->text(); };
    optionsHost.ownChannelCaption = [this] { return lblOwnChannel->text(); };
    optionsHost.setDebugMode = [this](bool on) { setDebugMode(on); };
    optionsHost.setLineLampsVisible = [this](bool on) {
        for (QLabel* w : {lblRTS, lblDTR, shpRTS, shpDTR})
            w->setVisible(on);
    };
    page.setHost(std::move(optionsHost));
    render();
}

frmMain::~frmMain() = default;

void frmMain::Form_Load() {
    frmOptions& page = m_parts.options;

    // 1. The command line.
    if (isDtmfSwitch(m_parts.arguments)) {
        if (m_seams.enableDtmfRecognition)
            m_seams.enableDtmfRecognition();
        m_state.DTMFSwitchGiven = true;
    }
    // 2. The program file's date, shown on the settings page at the end.
    const QDateTime released = QFileInfo(m_parts.executablePath).lastModified();
    // 3.-6. Size, name, notice, caption.
    tw::setOuterSize(this, OuterWidth, OuterHeight);
    m_state.Programmname = programName();
    lblCopyright->setText(QStringLiteral("\u00A9 Quorvex-Team"));
    setWindowTitle(m_state.Programmname);
    // 7. The settings file.
    m_state.Dateiname = settingsFilePath(m_parts.settingsFolder);
    // 8.-10. What stands on settings page 1 where ts.ini says nothing.
    page.fillServerList(QString::fromLatin1(DefaultServerHost),
                        QString::fromLatin1(DefaultServerAddress));
    page.cmbCOMPort->setCurrentIndex(0);
    page.optRTSDTR[0]->setChecked(true);
    page.optRTSDTR[1]->setChecked(false);
    // 11.-13. Settings, window settings on the next tick, the gateway drive once.
    if (m_seams.WerteEinlesen)
        m_seams.WerteEinlesen();
    m_state.FensterÄndern = true;
    if (m_seams.DriveKeyer)
        m_seams.DriveKeyer();
    // 14. The tone files the DTMF keypad needs.
    if (m_state.DTMFSwitchGiven) {
        if (const auto missing = firstMissingToneFile(m_parts.soundsFolder))
            m_parts.prompts.warn(dtmfMissingMessage(*missing));
    }
    // 15.
    if (released.isValid()) {
        page.lblRelease->setText(page.lblRelease->text() +
                                 m_parts.clock.shortDateText(released.date()) + QLatin1Char(' ') +
                                 m_parts.clock.longTimeText(released.time()));
    }
}

void frmMain::startTimers() {
    // End-to-end tests of the idle minute run on a shorter second; nothing else may.
    const int second = qEnvironmentVariableIntValue("QUORVEX_TEST_SECOND_MS");
    if (second >= 20 && second < 1000)
        Zeit1sek->setInterval(second);
    Zeit100ms->start();
    Zeit1sek->start();
}

void frmMain::Zeit100ms_Timer() {
    m_cycle->onTick100ms();
    render();
}

void frmMain::Zeit1sek_Timer() {
    m_cycle->onTick1s();
    render();
}

QString frmMain::loginAddress() const {
    const frmOptions& page = m_parts.options;
    return page.cmbServerAdresse->currentText() + QLatin1Char(':') + page.txtPortNummer->text();
}

void frmMain::StartTeamSpeak() {
    if (mumble()) {
        // Mumble started through its URL handler joins the server right away.
        const frmOptions& page = m_parts.options;
        const auto url = clientlink::TSRemote::mumbleUrl(loginAddress(), page.txtNickname->text(),
                                                         page.txtPassword->text(),
                                                         page.txtDefaultChannel->text());
        if (!url) {
            m_parts.prompts.warn(QStringLiteral("Mumble kann nicht gestartet werden: \"%1\" ist "
                                                "keine Serveradresse.")
                                     .arg(loginAddress()));
            return;
        }
        ShellFile(*url);
        return;
    }
    const QString program = clientlink::TSInstallPath(m_parts.urlHandler);
    if (program.isEmpty()) {
        // Opening nothing would look like a button that does nothing.
        m_parts.prompts.warn(QStringLiteral(
            "Der TeamSpeak-Client kann nicht gestartet werden: f\u00FCr teamspeak:// ist kein "
            "Programm eingetragen. Den Client auf der 2. Seite der Einstellungen ausw\u00E4hlen."));
        return;
    }
    ShellFile(program);
}

void frmMain::cmdTSStarten_Click() {
    StartTeamSpeak();
}

void frmMain::cmdTSverbinden_Click() {
    if (m_state.TSNotStarted) {
        StartTeamSpeak();
        if (mumble())
            return; // the URL it was started with connects it
    }
    const frmOptions& page = m_parts.options;
    m_parts.ts.TSConnect(loginAddress(), page.txtNickname->text(), page.txtLoginName->text(),
                         page.txtPassword->text(), page.txtDefaultChannel->text(),
                         page.txtChannelPassword->text());
    if (m_seams.armSwitchen)
        m_seams.armSwitchen();
}

void frmMain::cmdTStrennen_Click() {
    m_parts.ts.TSDisconnect();
}

void frmMain::cmdTSAwayEIN_Click() {
    m_parts.ts.TSSetAway(!m_state.FlagAway);
    m_state.ManualAway = !m_state.FlagAway;
}

void frmMain::cmdTSMicMuteEIN_Click() {
    m_parts.ts.TSSetMicMute(!m_state.FlagMicMute);
    if (m_seams.microphoneClicked)
        m_seams.microphoneClicked();
}

void frmMain::cmdTSMuteEIN_Click() {
    m_parts.ts.TSSetSoundMute(!m_state.FlagSoundMute);
}

void frmMain::cmdTSBlockWEIN_Click() {
    m_parts.ts.TSSetNoWhisper(!m_state.FlagNoWhisper);
}

void frmMain::cmdTSChannelEIN_Click() {
    m_parts.ts.TSSetChannelCommander(!m_state.FlagChannelCommander);
}

void frmMain::cmdEinstellungen_Click() {
    hideKeepingPlace();
    m_parts.options.show();
}

// Every button that opens another window: this one steps aside, the other shows.
void frmMain::openInstead(const std::function<void()>& showOther) {
    if (!showOther)
        return;
    hideKeepingPlace();
    showOther();
}

void frmMain::cmdfrmKickPlayer_Click() {
    openInstead(m_seams.showKickDialog);
}

void frmMain::cmdStatic_Click() {
    openInstead(m_seams.showStatistics);
}

void frmMain::cmdDTMF_Click() {
    openInstead(m_seams.showDtmfKeypad);
}

bool frmMain::mumble() {
    return m_parts.ts.library().kind() == platform::ClientKind::Mumble;
}

bool frmMain::offeredByClient(const QString& what) {
    if (!mumble())
        return true;
    m_parts.prompts.warn(QStringLiteral("Mit Mumble nicht verf\u00FCgbar: ") + what);
    return false;
}

void frmMain::lblOwnChannel_DblClick() {
    if (!offeredByClient(QStringLiteral("Channel wechseln")))
        return;
    bool isNumber = false;
    const int channel = m_parts.options.lblDefaultChannelID->text().trimmed().toInt(&isNumber);
    if (isNumber)
        m_parts.ts.TSSwitchChannel(channel, m_parts.options.txtChannelPassword->text());
}

void frmMain::lblSprecher_DblClick() {
    openInstead(m_seams.showSpeakerWindow);
}

void frmMain::imgSperren_Click() {
    m_cycle->view.imgSperren = false;
    imgSperren->hide();
    if (m_state.frmCOM.COMPortsperren && m_seams.event)
        m_seams.event(QStringLiteral("Sendesperre von Hand aufgehoben"));
    m_state.frmCOM.COMPortsperren = false;
}

void frmMain::setDebugMode(bool on) {
    setWindowTitle(on ? m_state.Programmname + QStringLiteral(" *** DEBUG-MODUS ***")
                      : m_state.Programmname);
    lblDebugTakt->setVisible(on);
    lblDebugTaktChannel->setVisible(on);
}

// The channel message box invites with a text of its own while it is not in use.
bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (watched == imgAway) {
            imgAway_DblClick();
            return true;
        }
        if (watched == lblDTMF) {
            openInstead(m_seams.showDtmfKeypad);
            return true;
        }
    }
    if (watched == txtChannelMessage) {
        if (event->type() == QEvent::FocusIn) {
            txtChannelMessage->clear();
            setBoxColour(txtChannelMessage, ChannelMessageTyping);
        } else if (event->type() == QEvent::FocusOut) {
            txtChannelMessage->setText(QStringLiteral("        Send Message To Channel"));
            setBoxColour(txtChannelMessage, ChannelMessageIdle);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmMain::imgAway_DblClick() {
    if (!offeredByClient(QStringLiteral("Channel wechseln")))
        return;
    bool isNumber = false;
    const int channel = m_state.CurrentAWAYChannelID.trimmed().toInt(&isNumber);
    if (isNumber)
        m_parts.ts.TSSwitchChannel(channel, QString());
}

void frmMain::txtChannelMessage_Enter() {
    // An empty box is sent too: the client decides what an empty message means.
    m_parts.ts.TSSendChannelMessage(m_state.ChannelOwnID, txtChannelMessage->text());
    txtChannelMessage->clear();
}

void frmMain::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        showMinimized();
        return;
    }
    QWidget::keyPressEvent(event);
}

void frmMain::mousePressEvent(QMouseEvent* event) {
    cmdTSAwayEIN->setFocus();
    QWidget::mousePressEvent(event);
}

void frmMain::resizeEvent(QResizeEvent* event) {
    setWindowTitle(m_state.Programmname);
    QWidget::resizeEvent(event);
    fitOuterSize();
}

void frmMain::closeEvent(QCloseEvent* event) {
    m_tray->TrayIcon(false);
    if (!isMinimized()) {
        event->ignore();
        parkInTray();
        return;
    }
    closeComPortIfOpen();
    event->accept();
    endProgram();
}

void frmMain::parkInTray() {
    const bool trayShown = m_parts.trayAvailable && m_parts.trayAvailable();
    if (!trayShown) {
        // Without a tray a hidden window could not be brought back.
        showMinimized();
        return;
    }
    hideKeepingPlace();
    m_tray->TrayIcon(true, TraySymbol::tipText(windowTitle(), lblOwnNickname->text()));
}

void frmMain::tray_DblClick() {
    m_tray->TrayIcon(false);
    showAgain();
}

void frmMain::hideKeepingPlace() {
    // pos() is the frame's corner on X11 once the window manager framed the window.
    if (isVisible())
        m_place = pos();
    hide();
}

void frmMain::showAgain() {
    // A restore through the taskbar may leave the minimized flag set where the window
    // manager did not report it; showing then would bring the window back iconified.
    setWindowState(windowState() & ~Qt::WindowMinimized);
    // Window managers place a re-mapped window anew: asked before mapping and once the
    // manager has moved it (moveEvent), it stays where it stood.
    if (m_place)
        move(*m_place);
    m_placeAgain = 2;
    show();
    // Only the manager's placement right after mapping is undone, never a later drag.
    QTimer::singleShot(PlaceAgainMs, this, [this] { m_placeAgain = 0; });
    raise();
    activateWindow();
}

// The frame is known only once the window manager has framed the window: then the
// outer size is set once more, so frame and all measure what they should.
void frmMain::fitOuterSize() {
    if (m_outerSizeFit || !isVisible())
        return;
    if (frameGeometry().size() == geometry().size())
        return;
    m_outerSizeFit = true;
    tw::setOuterSize(this, OuterWidth, OuterHeight);
}

void frmMain::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    // A window manager that places the re-mapped window anew is answered once more.
    if (m_placeAgain > 0 && m_place && isVisible() && pos() != *m_place) {
        --m_placeAgain;
        move(*m_place);
    }
    fitOuterSize();
}

void frmMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    fitOuterSize();
}

void frmMain::closeComPortIfOpen() {
    if (m_state.frmCOM.COMPortOffen && m_seams.COM_schliessen)
        m_seams.COM_schliessen(m_state.frmOptions.COMPortAuswahl);
}

void frmMain::endProgram() {
    if (m_parts.endProgram)
        m_parts.endProgram();
}

void frmMain::cmdEnde_Click() {
    using P = platform::Prompts;
    if (mumble()) {
        // Mumble cannot be ended from here: the question is only whether to end Quorvex.
        if (m_parts.prompts.message(QStringLiteral("Quorvex beenden ? (Mumble l\u00E4uft weiter)"),
                                    P::Icon::Question, P::Buttons::YesNo,
                                    P::Answer::No) == P::Answer::Yes) {
            closeComPortIfOpen();
            endProgram();
        }
        return;
    }
    const P::Answer answer =
        m_parts.prompts.message(QStringLiteral("Teamspeak 2 Software auch beenden ?"),
                                P::Icon::Question, P::Buttons::YesNoCancel, P::Answer::Cancel);
    switch (answer) {
    case P::Answer::Yes:
        closeComPortIfOpen();
        m_parts.ts.TSQuit();
        endProgram();
        break;
    case P::Answer::No:
        closeComPortIfOpen();
        endProgram();
        break;
    default:
        break;
    }
}

void frmMain::menu_ende_Click() {
    m_tray->TrayIcon(false);
    endProgram();
}

void frmMain::lblVerbindung_DblClick() {
    endProgram();
}

void frmMain::lblCopyright_Click() {
    // A mail program takes the subject only URL-encoded: the blanks as %20.
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("subject"),
                       QStringLiteral("Feedback Quorvex") + QString::fromLatin1(VersionText));
    QUrl link;
    link.setScheme(QStringLiteral("mailto"));
    link.setPath(QString::fromLatin1(FeedbackAddress));
    link.setQuery(query);
    ShellFile(link.toString(QUrl::FullyEncoded));
}

void frmMain::SetTop(QWidget* window, bool top) {
    if (window == nullptr || window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == top)
        return;
    // Changing a window flag re-creates the native window: keep where and how it was.
    // A window never shown has no place yet; pinning its 0,0 would put its title bar
    // above the screen.
    const QPoint place = window->pos();
    const bool visible = window->isVisible();
    const Qt::WindowStates states = window->windowState();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, top);
    window->setWindowState(states);
    if (visible) {
        window->move(place);
        window->show();
    }
}

void frmMain::ShellFile(const QString& shellLink) {
    m_parts.shell.open(shellLink);
}

} // namespace app
