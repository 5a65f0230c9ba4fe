// The controls of the main window, where they sit (twips), and how the view is drawn.
#include "ClickLabel.h"
#include "Glyphs.h"
#include "SharedState.h"
#include "Twips.h"
#include "frmMain.h"
#include "frmOptions.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <cstdio>

namespace app {

namespace tw = platform::twips;
using platform::glyphs::Glyph;

namespace {

QColor fromBgr(std::uint32_t bgr) {
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

QToolButton* imageButton(QWidget* parent, Glyph glyph, const QString& tip) {
    auto* b = new QToolButton(parent);
    b->setIcon(platform::glyphs::icon(glyph));
    b->setIconSize(QSize(20, 20));
    b->setToolTip(tip);
    return b;
}

QLabel* flagImage(QWidget* parent, Glyph glyph, const QString& tip) {
    auto* l = new QLabel(parent);
    l->setPixmap(platform::glyphs::icon(glyph).pixmap(18, 18));
    l->setAlignment(Qt::AlignCenter);
    l->setToolTip(tip);
    l->hide();
    return l;
}

QLabel* counter(QGroupBox* frame, const QString& tip) {
    auto* l = new QLabel(QStringLiteral("0"), frame);
    l->setAlignment(Qt::AlignCenter);
    l->setToolTip(tip);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(2, 0, 2, 2);
    layout->addWidget(l);
    return l;
}

QLabel* lamp(QWidget* parent) {
    auto* l = new QLabel(parent);
    l->hide();
    return l;
}

// A line lamp: RGB(0,255,0) while the line is up, RGB(0,128,0) otherwise.
void light(QLabel* lamp, bool lit) {
    const QString style = lit ? QStringLiteral("background: rgb(0,255,0); border-radius: 6px;")
                              : QStringLiteral("background: rgb(0,128,0); border-radius: 6px;");
    if (lamp->styleSheet() != style)
        lamp->setStyleSheet(style);
}

} // namespace

void frmMain::setBoxColour(QLineEdit* box, std::uint32_t bgr) {
    QPalette p = box->palette();
    p.setColor(QPalette::Base, fromBgr(bgr));
    box->setPalette(p);
}

void frmMain::buildControls() {
    QFont bold = font();
    bold.setBold(true);

    lblOwnNickname = new QLabel(this);
    lblOwnNickname->setToolTip(QStringLiteral("Eigener Nickname"));
    lblOwnNickname->setFont(bold);
    tw::place(lblOwnNickname, 120, 60, 3000, 285);
    lblZeit = new QLabel(this);
    lblZeit->setAlignment(Qt::AlignCenter);
    lblZeit->setAutoFillBackground(true);
    tw::place(lblZeit, 3420, 60, 1470, 285);

    lblOwnChannel = new platform::ClickLabel(this);
    lblOwnChannel->setToolTip(
        QStringLiteral("Aktueller Channel (Doppelklick: User wechselt in Default Channel)"));
    tw::place(lblOwnChannel, 120, 390, 3000, 285);
    connect(lblOwnChannel, &platform::ClickLabel::doubleClicked, this,
            &frmMain::lblOwnChannel_DblClick);
    fraChannel = new QGroupBox(QStringLiteral("Channel"), this);
    tw::place(fraChannel, 3240, 330, 780, 570);
    lblChannelUsers = counter(fraChannel, QStringLiteral("Aktuelle Anzahl User im Channel"));
    fraAllUser = new QGroupBox(QStringLiteral("Server"), this);
    tw::place(fraAllUser, 4080, 330, 810, 570);
    lblAllUser = counter(fraAllUser, QStringLiteral("Aktuelle Anzahl User auf dem Server"));

    lblCopyright = new platform::ClickLabel(this);
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.75);
    lblCopyright->setFont(small);
    lblCopyright->setCursor(Qt::PointingHandCursor);
    tw::place(lblCopyright, 120, 990, 1200, 255);
    connect(lblCopyright, &platform::ClickLabel::clicked, this, &frmMain::lblCopyright_Click);

    imgAway = flagImage(this, Glyph::Away, QStringLiteral("Abwesend"));
    imgMicMute = flagImage(this, Glyph::MicMute, QStringLiteral("Mikrofon aus"));
    imgSoundMute = flagImage(this, Glyph::SoundMute, QStringLiteral("Lautsprecher aus"));
    imgChannelCommander =
        flagImage(this, Glyph::ChannelCommander, QStringLiteral("Channel Commander"));
    imgNoWhisper = flagImage(this, Glyph::NoWhisper, QStringLiteral("Kein Fl\u00FCstern"));
    imgIsAway = flagImage(this, Glyph::Idle, QStringLiteral("Automatisch abwesend"));
    int left = 1320;
    for (QLabel* img :
         {imgAway, imgMicMute, imgSoundMute, imgChannelCommander, imgNoWhisper, imgIsAway}) {
        tw::place(img, left, 960, 300, 300);
        left += 330;
    }
    imgSperren = new platform::ClickLabel(this);
    imgSperren->setPixmap(platform::glyphs::icon(Glyph::Block).pixmap(18, 18));
    imgSperren->setToolTip(QStringLiteral("Sendesperre durch Watchdog (Klick hebt sie auf)"));
    imgSperren->hide();
    tw::place(imgSperren, left, 960, 300, 300);
    connect(imgSperren, &platform::ClickLabel::clicked, this, &frmMain::imgSperren_Click);

    lblRTS = new QLabel(QStringLiteral("RTS"), this);
    lblDTR = new QLabel(QStringLiteral("DTR"), this);
    lblRTS->hide();
    lblDTR->hide();
    shpRTS = lamp(this);
    shpDTR = lamp(this);
    shpRTS->setToolTip(QStringLiteral("RTS: leuchtet, solange der Keyer die Sendeleitung RTS "
                                      "h\u00E4lt"));
    shpDTR->setToolTip(QStringLiteral("DTR: leuchtet, solange der Keyer die Sendeleitung DTR "
                                      "h\u00E4lt"));
    lblSenden = new platform::ClickLabel(this);
    lblSenden->setAlignment(Qt::AlignCenter);
    lblSenden->setAutoFillBackground(true);
    lblSenden->hide();
    // After a cut its tooltip says a click frees sending again: this sign is clicked too.
    connect(lblSenden, &platform::ClickLabel::clicked, this, [this] {
        if (m_state.frmCOM.COMPortsperren)
            imgSperren_Click();
    });
    tw::place(lblRTS, 3660, 990, 360, 255);
    tw::place(shpRTS, 4020, 1020, 195, 195);
    tw::place(lblDTR, 4290, 990, 360, 255);
    tw::place(shpDTR, 4650, 1020, 195, 195);
    shpSquelch = lamp(this);

    cmdEinstellungen = imageButton(this, Glyph::Settings, QStringLiteral("Einstellungen"));
    cmdfrmKickPlayer = imageButton(this, Glyph::Kick, QStringLiteral("Spieler kicken"));
    cmdStatic = imageButton(this, Glyph::Statistics, QStringLiteral("Statistik"));
    cmdEnde = imageButton(this, Glyph::Exit, QStringLiteral("Programm beenden"));
    tw::place(cmdEinstellungen, 360, 1380, 495, 405);
    tw::place(cmdfrmKickPlayer, 660, 1380, 495, 405);
    tw::place(cmdEnde, 360, 1830, 495, 405);
    tw::place(cmdStatic, 660, 1830, 495, 405);
    cmdfrmKickPlayer->hide();
    cmdStatic->hide();
    connect(cmdfrmKickPlayer, &QToolButton::clicked, this, &frmMain::cmdfrmKickPlayer_Click);
    connect(cmdStatic, &QToolButton::clicked, this, &frmMain::cmdStatic_Click);
    connect(cmdEinstellungen, &QToolButton::clicked, this, &frmMain::cmdEinstellungen_Click);
    connect(cmdEnde, &QToolButton::clicked, this, &frmMain::cmdEnde_Click);
    cmdDTMF = imageButton(this, Glyph::Keypad, QStringLiteral("DTMF Tastatur"));
    cmdDTMF->setIconSize(QSize(14, 14));
    tw::place(cmdDTMF, 120, 2355, 300, 300);
    connect(cmdDTMF, &QToolButton::clicked, this, &frmMain::cmdDTMF_Click);

    cmdTSStarten = imageButton(this, Glyph::Start, QStringLiteral("TeamSpeak 2 starten"));
    cmdTSverbinden = imageButton(this, Glyph::Connect, QStringLiteral("Mit dem Server verbinden"));
    cmdTStrennen = imageButton(this, Glyph::Disconnect, QStringLiteral("Verbindung trennen"));
    tw::place(cmdTSStarten, 1320, 1380, 450, 405);
    tw::place(cmdTSverbinden, 1320, 1380, 450, 405);
    tw::place(cmdTStrennen, 1800, 1380, 450, 405);
    cmdTSAwayEIN = imageButton(this, Glyph::Away, QStringLiteral("Abwesend ein/aus"));
    cmdTSMicMuteEIN = imageButton(this, Glyph::MicMute, QStringLiteral("Mikrofon aus/ein"));
    cmdTSMuteEIN = imageButton(this, Glyph::SoundMute, QStringLiteral("Lautsprecher aus/ein"));
    cmdTSBlockWEIN =
        imageButton(this, Glyph::NoWhisper, QStringLiteral("Fl\u00FCstern sperren ein/aus"));
    cmdTSChannelEIN =
        imageButton(this, Glyph::ChannelCommander, QStringLiteral("Channel Commander ein/aus"));
    left = 2400;
    for (QToolButton* b : flagButtons()) {
        tw::place(b, left, 1380, 450, 405);
        left += 480;
    }
    connect(cmdTSStarten, &QToolButton::clicked, this, &frmMain::cmdTSStarten_Click);
    connect(cmdTSverbinden, &QToolButton::clicked, this, &frmMain::cmdTSverbinden_Click);
    connect(cmdTStrennen, &QToolButton::clicked, this, &frmMain::cmdTStrennen_Click);
    connect(cmdTSAwayEIN, &QToolButton::clicked, this, &frmMain::cmdTSAwayEIN_Click);
    connect(cmdTSMicMuteEIN, &QToolButton::clicked, this, &frmMain::cmdTSMicMuteEIN_Click);
    connect(cmdTSMuteEIN, &QToolButton::clicked, this, &frmMain::cmdTSMuteEIN_Click);
    connect(cmdTSBlockWEIN, &QToolButton::clicked, this, &frmMain::cmdTSBlockWEIN_Click);
    connect(cmdTSChannelEIN, &QToolButton::clicked, this, &frmMain::cmdTSChannelEIN_Click);

    txtChannelMessage = new QLineEdit(this);
    txtChannelMessage->setMaxLength(80);
    txtChannelMessage->setToolTip(
        QStringLiteral("Sende Mitteilung an den Channel mit max.80 Zeichen"));
    txtChannelMessage->setText(QStringLiteral("        Sent Message To Channel"));
    setBoxColour(txtChannelMessage, ChannelMessageIdle);
    txtChannelMessage->installEventFilter(this);
    imgAway->installEventFilter(this);
    connect(txtChannelMessage, &QLineEdit::returnPressed, this, &frmMain::txtChannelMessage_Enter);
    txtChannelMessage->hide();
    tw::place(txtChannelMessage, 1320, 1830, 3570, 255);

    lblVerbindung = new platform::ClickLabel(this);
    lblVerbindung->setAlignment(Qt::AlignCenter);
    lblVerbindung->setToolTip(QStringLiteral("Status der Verbindung"));
    lblVerbindung->setFont(bold);
    lblVerbindung->setAutoFillBackground(true);
    QPalette dark = lblVerbindung->palette();
    dark.setColor(QPalette::Window, QColor(0x20, 0x24, 0x30));
    lblVerbindung->setPalette(dark);
    tw::place(lblVerbindung, 1320, 2205, 3570, 255);
    connect(lblVerbindung, &platform::ClickLabel::doubleClicked, this,
            &frmMain::lblVerbindung_DblClick);

    lblSprecher = new platform::ClickLabel(this);
    lblSprecher->setAlignment(Qt::AlignCenter);
    lblSprecher->setToolTip(QStringLiteral("Aktueller sprechender User"));
    QFont speaker = bold;
    speaker.setPointSizeF(speaker.pointSizeF() * 1.4);
    lblSprecher->setFont(speaker);
    tw::place(lblSprecher, 1320, 2575, 3570, 375);
    connect(lblSprecher, &platform::ClickLabel::doubleClicked, this,
            &frmMain::lblSprecher_DblClick);

    lblDTMF = new QLabel(this);
    lblDTMF->installEventFilter(this);
    lblDTMF->setFont(small);
    tw::place(lblDTMF, 450, 2400, 800, 255);
    lblDebugTakt = new QLabel(this);
    lblDebugTaktChannel = new QLabel(this);
    tw::place(lblDebugTakt, 120, 2655, 540, 255);
    tw::place(lblDebugTaktChannel, 660, 2655, 540, 255);
    lblDebugTakt->hide();
    lblDebugTaktChannel->hide();

    Zeit100ms = new QTimer(this);
    Zeit100ms->setTimerType(Qt::PreciseTimer);
    Zeit100ms->setInterval(100);
    connect(Zeit100ms, &QTimer::timeout, this, &frmMain::Zeit100ms_Timer);
    Zeit1sek = new QTimer(this);
    Zeit1sek->setInterval(1000);
    connect(Zeit1sek, &QTimer::timeout, this, &frmMain::Zeit1sek_Timer);
    // The clock changes every second and touches the two frames below it: on top, it
    // repaints alone instead of taking both frames along each time.
    lblZeit->raise();
}

std::array<QToolButton*, 5> frmMain::flagButtons() const {
    return {cmdTSAwayEIN, cmdTSMicMuteEIN, cmdTSMuteEIN, cmdTSBlockWEIN, cmdTSChannelEIN};
}

void frmMain::render() {
    MainView& v = m_cycle->view;
    cmdTSStarten->setVisible(v.cmdTSStartenVisible);
    const QString startTip = v.onlyMicAndSound ? QStringLiteral("Mumble starten")
                                               : QStringLiteral("TeamSpeak 2 starten");
    if (cmdTSStarten->toolTip() != startTip)
        cmdTSStarten->setToolTip(startTip);
    cmdTSverbinden->setVisible(v.cmdTSverbindenVisible);
    cmdTSverbinden->setEnabled(v.cmdTSverbindenEnabled);
    cmdTStrennen->setEnabled(v.cmdTStrennenEnabled);
    for (QToolButton* b : flagButtons()) {
        b->setEnabled(v.flagButtonsEnabled &&
                      (!v.onlyMicAndSound || b == cmdTSMicMuteEIN || b == cmdTSMuteEIN));
        b->setVisible(v.flagButtonsVisible);
    }
    QPalette status = lblVerbindung->palette();
    if (status.color(QPalette::WindowText) != fromBgr(v.lblVerbindungColor)) {
        status.setColor(QPalette::WindowText, fromBgr(v.lblVerbindungColor));
        lblVerbindung->setPalette(status);
    }
    if (!v.lblVerbindung.isEmpty() && v.lblVerbindung != m_toldConnection) {
        // Each change of the connection also goes to the event list and the journal.
        m_toldConnection = v.lblVerbindung;
        const QString change = QStringLiteral("Verbindung: ") + v.lblVerbindung;
        if (m_seams.event)
            m_seams.event(change);
        else
            std::fprintf(stderr, "quorvex: %s\n", qPrintable(change));
    }
    lblVerbindung->setText(v.lblVerbindung);
    const QString tip = m_state.TSNotStarted && m_seams.clientProblem
                            ? m_seams.clientProblem()
                            : QStringLiteral("Status der Verbindung");
    if (lblVerbindung->toolTip() != tip)
        lblVerbindung->setToolTip(tip);

    lblSprecher->setText(v.lblSprecher);
    lblOwnNickname->setText(v.lblOwnNickname);
    lblOwnChannel->setText(v.lblOwnChannel);
    lblChannelUsers->setText(v.lblChannelUsers);
    lblAllUser->setText(v.lblAllUser);
    lblDTMF->setText(v.lblDTMF);
    const std::array<QLabel*, 5> images = {imgAway, imgMicMute, imgSoundMute, imgChannelCommander,
                                           imgNoWhisper};
    for (std::size_t i = 0; i < images.size(); ++i)
        images[i]->setVisible(v.flagImages[i]);
    imgIsAway->setVisible(v.imgIsAway);
    imgSperren->setVisible(v.imgSperren);
    if (v.newCaption) {
        setWindowTitle(*v.newCaption);
        v.newCaption.reset();
    }

    txtChannelMessage->setVisible(v.txtChannelMessageVisible);
    tw::setTop(lblVerbindung, v.lblVerbindungTop);
    tw::setTop(lblSprecher, v.lblSprecherTop);
    const auto squelch = m_seams.squelchLamp ? m_seams.squelchLamp() : std::nullopt;
    shpSquelch->setVisible(bool(squelch));
    if (squelch) {
        tw::place(shpSquelch, 4905, v.lblSprecherTop + 90, 195, 195);
        const QString style = QStringLiteral("background: #%1; border-radius: 6px;")
                                  .arg(squelch->first, 6, 16, QLatin1Char('0'));
        if (shpSquelch->styleSheet() != style)
            shpSquelch->setStyleSheet(style);
        shpSquelch->setToolTip(squelch->second);
    }
    // By role, once the window behind the button exists.
    cmdfrmKickPlayer->setVisible(v.cmdfrmKickPlayerVisible && bool(m_seams.showKickDialog));
    cmdStatic->setVisible(v.cmdStaticVisible && bool(m_seams.showStatistics));
    cmdDTMF->setVisible(bool(m_seams.showDtmfKeypad));
    tw::setLeft(cmdEinstellungen, v.cmdEinstellungenLeft);
    tw::setLeft(cmdEnde, v.cmdEndeLeft);
    m_parts.options.chkControlRecord->setVisible(v.chkControlRecordVisible);

    lblZeit->setText(v.lblZeit);
    QPalette clock = lblZeit->palette();
    if (clock.color(QPalette::Window) != fromBgr(v.lblZeitBackColor)) {
        clock.setColor(QPalette::Window, fromBgr(v.lblZeitBackColor));
        lblZeit->setPalette(clock);
    }
    lblDebugTakt->setText(v.lblDebugTakt);
    light(shpRTS, m_state.frmCOM.RTSLit);
    light(shpDTR, m_state.frmCOM.DTRLit);
    drawOnAir();
}

// What the line itself does, as the keyer drove it: unmistakable while keyed, with the
// watchdog's last half minute counted down, and after a cut what happened and what to do.
void frmMain::drawOnAir() {
    const ComKeyerVariables& k = m_state.frmCOM;
    const bool onAir = k.RTSLit || k.DTRLit;
    const bool cut = !onAir && k.COMPortsperren && k.AbgebrochenNachMin > 0;
    const bool ending = onAir && k.WatchdogRestSek >= 0 && k.WatchdogRestSek <= 30;
    const QString cutText = QStringLiteral("Watchdog: Sendung nach %1 Min. abgebrochen \u2013 "
                                           "Klick auf das Zeichen gibt das Senden wieder frei")
                                .arg(k.AbgebrochenNachMin);
    QString sign, tip;
    if (onAir) {
        sign = ending ? QStringLiteral("SENDEN %1 s").arg(k.WatchdogRestSek)
                      : QStringLiteral("SENDEN");
        tip = QStringLiteral("Der Sender ist getastet f\u00FCr %1").arg(k.SendetFuer);
        if (ending)
            tip += QStringLiteral("; der Watchdog schaltet in %1 s ab").arg(k.WatchdogRestSek);
    } else if (cut) {
        sign = QStringLiteral("GESPERRT");
        tip = cutText;
    }
    lblSenden->setVisible(!sign.isEmpty());
    tw::place(lblSenden, 15, m_cycle->view.lblSprecherTop, 1290, 375);
    // Drawn anew only when the text changes: this runs on every tick.
    if (lblSenden->text() != sign) {
        lblSenden->setText(sign);
        QPalette p = lblSenden->palette();
        p.setColor(QPalette::Window, onAir ? QColor(220, 0, 0) : QColor(120, 0, 0));
        p.setColor(QPalette::WindowText, Qt::white);
        lblSenden->setPalette(p);
        // The whole text in the room beside the speaker line: the font shrinks to fit it.
        QFont air = font();
        air.setBold(true);
        while (air.pointSizeF() > 6 &&
               QFontMetrics(air).horizontalAdvance(sign) > lblSenden->width() - 4)
            air.setPointSizeF(air.pointSizeF() - 0.5);
        lblSenden->setFont(air);
    }
    if (lblSenden->toolTip() != tip)
        lblSenden->setToolTip(tip);
    const QString blockTip =
        cut ? cutText : QStringLiteral("Sendesperre durch Watchdog (Klick hebt sie auf)");
    if (imgSperren->toolTip() != blockTip)
        imgSperren->setToolTip(blockTip);
    // The tray says it too, for a window parked there: on air, or cut and blocked.
    m_tray->setOnAir(onAir ? QStringLiteral("SENDEN f\u00FCr %1").arg(k.SendetFuer)
                     : cut ? QStringLiteral("GESPERRT \u2013 Watchdog: Sendung nach %1 Min. "
                                            "abgebrochen")
                                 .arg(k.AbgebrochenNachMin)
                           : QString());
}

} // namespace app
