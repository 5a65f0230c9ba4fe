// The controls of settings page 1 and their wiring.
#include "Glyphs.h"
#include "SettingsKeys.h"
#include "frmOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

using platform::glyphs::Glyph;

QToolButton* imageButton(QWidget* parent, Glyph glyph, const QString& tip) {
    auto* b = new QToolButton(parent);
    b->setIcon(platform::glyphs::icon(glyph));
    b->setAutoRaise(true);
    b->setToolTip(tip);
    return b;
}

QLineEdit* field(QWidget* parent, const QString& tip, int maxLength = 32767, bool masked = false) {
    auto* e = new QLineEdit(parent);
    e->setToolTip(tip);
    e->setMaxLength(maxLength);
    if (masked) {
        e->setEchoMode(QLineEdit::Password);
        // Masked as one "*" per character, as the settings page always showed them.
        e->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    }
    return e;
}

QSlider* slider(QWidget* parent, int min, int max, int small, int large, int tick) {
    auto* s = new QSlider(Qt::Horizontal, parent);
    s->setRange(min, max);
    s->setSingleStep(small);
    s->setPageStep(large);
    s->setTickInterval(tick);
    s->setTickPosition(tick > 0 ? QSlider::TicksBelow : QSlider::NoTicks);
    s->setValue(min);
    return s;
}

// A caption with a gap for its value, like "Watchdog (      min)": the value label
// sits inside the gap.
QLabel* captionWithValue(QWidget* parent, const QString& caption, QLabel*& value) {
    auto* label = new QLabel(caption, parent);
    value = new QLabel(QStringLiteral("0"), label);
    value->setAlignment(Qt::AlignCenter);
    const qsizetype open = caption.indexOf(QLatin1Char('('));
    const QFontMetrics fm(label->font());
    const int left = fm.horizontalAdvance(caption.left(open + 1));
    int blanks = 0;
    while (open + 1 + blanks < caption.size() && caption[open + 1 + blanks] == QLatin1Char(' '))
        ++blanks;
    value->setGeometry(left, 0, fm.horizontalAdvance(QString(blanks, QLatin1Char(' '))),
                       fm.height() + 2);
    label->setMinimumWidth(fm.horizontalAdvance(caption) + 4);
    return label;
}

} // namespace

void frmOptions::buildControls() {
    setWindowTitle(QStringLiteral("Einstellungen"));
    setWindowIcon(platform::glyphs::icon(Glyph::Settings));

    lblÜberschrift = new QLabel(QStringLiteral("Einstellungen"), this);
    QFont big = lblÜberschrift->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    big.setBold(true);
    lblÜberschrift->setFont(big);

    // Login data.
    cmbServerAdresse = new QComboBox(this);
    cmbServerAdresse->setEditable(true);
    // A typed address is used as typed and saved as "no entry"; Enter must not add it
    // to the list, where it would count as an entry the next start does not have.
    cmbServerAdresse->setInsertPolicy(QComboBox::NoInsert);
    cmbServerAdresse->setToolTip(QStringLiteral("Serveradresse ausw\u00E4hlen"));
    txtPortNummer = field(this, QStringLiteral("Server-Port Nummer"), 5);
    txtPortNummer->setAlignment(Qt::AlignCenter);
    txtPortNummer->setText(QString::fromLatin1(DefaultPort));
    txtPortNummer->setMaximumWidth(70);
    txtNickname = field(this, QStringLiteral("Hier Nicknamen eingeben"), 29);
    txtLoginName = field(this, QStringLiteral("Hier den Loginnamen eingeben"));
    txtPassword =
        field(this, QStringLiteral("Hier das Passwort f\u00FCr den Login eingeben"), 32767, true);
    txtDefaultChannel =
        field(this, QStringLiteral("Hier wird der gew\u00E4hlte Startraum angegeben, "
                                   "kann aber nur mit dem gr\u00FCnen Pfeil ge\u00E4ndert werden"));
    txtDefaultChannel->setReadOnly(true);
    lblDefaultChannelID = new QLabel(this);
    lblDefaultChannelID->hide();
    txtChannelPassword =
        field(this, QStringLiteral("Das Passwort f\u00FCr den jeweiligen Raum"), 32767, true);

    img_get_nickname =
        imageButton(this, Glyph::TakeOver, QStringLiteral("Aktuellen Nicknamen \u00FCbernehmen"));
    img_get_defaultchannel = imageButton(
        this, Glyph::TakeOver, QStringLiteral("Aktuellen Channel als Standard \u00FCbernehmen"));
    img_del_nickname = imageButton(this, Glyph::Clear, QStringLiteral("Nickname l\u00F6schen"));
    img_del_loginname = imageButton(this, Glyph::Clear, QStringLiteral("Loginname l\u00F6schen"));
    img_del_password = imageButton(this, Glyph::Clear, QStringLiteral("Passwort l\u00F6schen"));
    img_del_defaultchannel =
        imageButton(this, Glyph::Clear, QStringLiteral("Default Channel l\u00F6schen"));
    img_del_channelpassword =
        imageButton(this, Glyph::Clear, QStringLiteral("Channel Passwort l\u00F6schen"));

    auto* login = new QGroupBox(QStringLiteral("Anmeldung"), this);
    auto* lg = new QGridLayout(login);
    auto* serverRow = new QHBoxLayout;
    serverRow->addWidget(cmbServerAdresse, 1);
    serverRow->addWidget(new QLabel(QStringLiteral(":"), login));
    serverRow->addWidget(txtPortNummer);
    int row = 0;
    lg->addWidget(new QLabel(QStringLiteral("Serveradresse:"), login), row, 0);
    lg->addLayout(serverRow, row++, 1, 1, 3);
    const auto addField = [&](const QString& caption, QLineEdit* edit, QToolButton* del,
                              QToolButton* take) {
        lg->addWidget(new QLabel(caption, login), row, 0);
        lg->addWidget(edit, row, 1);
        lg->addWidget(del, row, 2);
        if (take != nullptr)
            lg->addWidget(take, row, 3);
        ++row;
    };
    addField(QStringLiteral("Nickname:"), txtNickname, img_del_nickname, img_get_nickname);
    addField(QStringLiteral("Loginname:"), txtLoginName, img_del_loginname, nullptr);
    addField(QStringLiteral("Passwort:"), txtPassword, img_del_password, nullptr);
    addField(QStringLiteral("Default Channel:"), txtDefaultChannel, img_del_defaultchannel,
             img_get_defaultchannel);
    addField(QStringLiteral("Channel Password:"), txtChannelPassword, img_del_channelpassword,
             nullptr);

    // Options.
    chkGateway = new QCheckBox(QStringLiteral("Software f\u00FCr Gateway nutzen"), this);
    chkVordergrund = new QCheckBox(QStringLiteral("Programm immer im Vordergrund"), this);
    chkAutoAway = new QCheckBox(QStringLiteral("Automatisch auf Abwesend schalten"), this);
    chkAutoAway->setChecked(true);
    sldAutoAway = slider(this, 1, 30, 1, 5, 1);
    sldAutoAway->setToolTip(QStringLiteral("Verz\u00F6gerung der automatischen Abwesendschaltung"));
    lblSliderAutoAway = captionWithValue(
        this, QStringLiteral("Verz\u00F6gerung Abwesend (        Min.)"), lblactSliderAutoAway);
    lblcmbCOMPort = new QLabel(QStringLiteral("COM-Port f\u00FCr Gateway:"), this);
    cmbCOMPort = new QComboBox(this);
    const char* ports[] = {"(ohne)", "COM1", "COM2", "COM3", "COM4"};
    for (int i = 0; i < 5; ++i)
        cmbCOMPort->addItem(QString::fromLatin1(ports[i]), i);
    cmbCOMPort->setToolTip(
        QStringLiteral("COM-Schnittstelle, die im Gateway-Betrieb genutzt werden soll"));
    lblCOMDevice = new QLabel(this);
    lblCOMDevice->setToolTip(
        QStringLiteral("Ger\u00E4t hinter dem gew\u00E4hlten COM-Port (ts.ini, Abschnitt "
                       "\"Schnittstellen\")"));
    lblCOMKeyerSignal = new QLabel(QStringLiteral("COM-Keyer Anschlu\u00DF:"), this);
    optRTSDTR[0] = new QRadioButton(QStringLiteral("RTS (Pin 5 - 7)(Standard)"), this);
    optRTSDTR[1] = new QRadioButton(QStringLiteral("DTR (Pin 4 - 5)"), this);
    for (int i = 0; i < 2; ++i) {
        // The settings may leave both unselected, which exclusive buttons cannot show.
        optRTSDTR[i]->setAutoExclusive(false);
        connect(optRTSDTR[i], &QRadioButton::clicked, this, [this, i] {
            optRTSDTR[i]->setChecked(true);
            optRTSDTR[1 - i]->setChecked(false);
        });
    }
    sldDelay = slider(this, 0, 3000, 100, 100, 100);
    sldDelay->setToolTip(QStringLiteral("Legt fest, mit welcher Verz\u00F6gerung die "
                                        "COM-Schnittstelle das Signal wieder wegschaltet"));
    lblSliderDelay = captionWithValue(this, QStringLiteral("Gateway Delay Zeit (        msek.)"),
                                      lblactsliderGateway);
    sldWatchdog = slider(this, 1, 15, 1, 5, 0);
    lblsldWatchdog =
        captionWithValue(this, QStringLiteral("Watchdog (      min)"), lblactsldWatchdog);
    chkWatchdog = new QCheckBox(QStringLiteral("COM Watchdog"), this);
    chkWatchdog->setChecked(true);
    chkTraySymbol = new QCheckBox(QStringLiteral("Zum Systemtray minimieren"), this);
    chkTraySymbol->hide();
    chkAutoStart = new QCheckBox(QStringLiteral("Automatisch beim booten starten"), this);
    chkVoiceAnfrage = new QCheckBox(QStringLiteral("VOICE Anfrage anzeigen"), this);
    chkControlRecord = new QCheckBox(QStringLiteral("Kontrolle RECORDING aktiv"), this);
    chkControlRecord->hide();
    chkDebug = new QCheckBox(QStringLiteral("DEBUG-Modus"), this);
    chkDebug->hide();

    auto* options = new QGroupBox(QStringLiteral("Optionen"), this);
    auto* og = new QGridLayout(options);
    row = 0;
    og->addWidget(chkGateway, row, 0);
    og->addWidget(chkVordergrund, row++, 1);
    og->addWidget(chkAutoStart, row, 0);
    og->addWidget(chkVoiceAnfrage, row++, 1);
    og->addWidget(chkControlRecord, row++, 0);
    og->addWidget(chkAutoAway, row++, 0, 1, 2);
    og->addWidget(lblSliderAutoAway, row, 0);
    og->addWidget(sldAutoAway, row++, 1);
    og->addWidget(lblcmbCOMPort, row, 0);
    auto* portRow = new QHBoxLayout;
    portRow->addWidget(cmbCOMPort, 1);
    portRow->addWidget(lblCOMDevice, 1);
    og->addLayout(portRow, row++, 1);
    og->addWidget(lblCOMKeyerSignal, row, 0);
    auto* lines = new QVBoxLayout;
    lines->addWidget(optRTSDTR[0]);
    lines->addWidget(optRTSDTR[1]);
    og->addLayout(lines, row++, 1);
    og->addWidget(lblSliderDelay, row, 0);
    og->addWidget(sldDelay, row++, 1);
    og->addWidget(lblsldWatchdog, row, 0);
    og->addWidget(sldWatchdog, row++, 1);
    og->addWidget(chkWatchdog, row++, 0);

    // Buttons.
    const auto button = [this](Glyph glyph, const QString& text, const QString& tip) {
        auto* b = new QPushButton(platform::glyphs::icon(glyph), text, this);
        b->setToolTip(tip);
        return b;
    };
    cmdOK = button(Glyph::Apply, QStringLiteral("OK"),
                   QStringLiteral("Einstellungen speichern und Fenster verlassen"));
    cmdApply = button(Glyph::Page, QStringLiteral("\u00DCbernehmen"),
                      QStringLiteral("Daten \u00FCbernehmen und in INI-Datei schreiben"));
    cmdCancel = button(Glyph::Clear, QStringLiteral("Abbrechen"),
                       QStringLiteral("Einstellungen verwerfen und Fenster verlassen"));
    cmdSeite2 = button(Glyph::Page, QStringLiteral("2. Seite"), QString());
    cmdTSFehler = button(Glyph::Error, QString(), QStringLiteral("Letzte Fehlermeldung"));
    cmdDTMF = button(Glyph::Keypad, QString(), QStringLiteral("DTMF Einstellungen"));
    cmdSquelch = new QPushButton(QStringLiteral("S&quelch"), this);
    cmdSquelch->setToolTip(
        QStringLiteral("Squelch-Eingang: das Mikrofon folgt der Squelch des Empfängers"));
    cmdSender = new QPushButton(QStringLiteral("Se&nder"), this);
    cmdSender->setToolTip(QStringLiteral("Sender-Schnittstelle: wie der Sender getastet wird "
                                         "(COM, CM108, Hamlib, GPIO)"));
    cmdMakeLink[0] =
        button(Glyph::Link, QStringLiteral("Desktop-Link erstellen"),
               QStringLiteral("Hiermit wird ein Startlink mit den angegebenen Logindaten "
                              "auf dem Desktop erzeugt"));
    cmdMakeLink[1] =
        button(Glyph::Link, QStringLiteral("Link im Verzeichnis erst."),
               QStringLiteral("Hier wird ein Startlink in einem angegebenen Verzeichnis erzeugt"));

    auto* links = new QHBoxLayout;
    links->addWidget(cmdMakeLink[0]);
    links->addWidget(cmdMakeLink[1]);
    links->addStretch();
    links->addWidget(cmdSender);
    links->addWidget(cmdSquelch);
    links->addWidget(cmdDTMF);
    links->addWidget(cmdTSFehler);
    auto* bottom = new QHBoxLayout;
    lblRelease = new QLabel(QStringLiteral("Release: "), this);
    bottom->addWidget(lblRelease);
    bottom->addStretch();
    bottom->addWidget(cmdSeite2);
    bottom->addWidget(cmdApply);
    bottom->addWidget(cmdOK);
    bottom->addWidget(cmdCancel);

    // The values show from the start, not only after the first move.
    lblactSliderAutoAway->setNum(sldAutoAway->value());
    lblactsliderGateway->setNum(sldDelay->value());
    lblactsldWatchdog->setNum(sldWatchdog->value());

    auto* top = new QVBoxLayout(this);
    // The page always fits what it shows: it shrinks again when the gateway box
    // hides its controls.
    top->setSizeConstraint(QLayout::SetFixedSize);
    top->addWidget(lblÜberschrift);
    top->addWidget(login);
    top->addWidget(options);
    top->addLayout(links);
    top->addLayout(bottom);

    // Wiring.
    connect(cmdApply, &QPushButton::clicked, this, &frmOptions::cmdApply_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmOptions::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmOptions::cmdCancel_Click);
    connect(cmdSeite2, &QPushButton::clicked, this, &frmOptions::cmdSeite2_Click);
    connect(cmdDTMF, &QPushButton::clicked, this, &frmOptions::cmdDTMF_Click);
    connect(cmdSquelch, &QPushButton::clicked, this, &frmOptions::cmdSquelch_Click);
    connect(cmdSender, &QPushButton::clicked, this, [this] {
        if (m_seams.showSender)
            m_seams.showSender();
    });
    connect(cmdTSFehler, &QPushButton::clicked, this, &frmOptions::cmdTSFehler_Click);
    for (int i = 0; i < 2; ++i) {
        connect(cmdMakeLink[i], &QPushButton::clicked, this, [this, i] {
            if (m_seams.makeLink)
                m_seams.makeLink(i);
        });
    }
    connect(img_get_nickname, &QToolButton::clicked, this, &frmOptions::img_get_nickname_Click);
    connect(img_get_defaultchannel, &QToolButton::clicked, this,
            &frmOptions::img_get_defaultchannel_Click);
    connect(img_del_defaultchannel, &QToolButton::clicked, this,
            &frmOptions::img_del_defaultchannel_Click);
    connect(img_del_nickname, &QToolButton::clicked, txtNickname, &QLineEdit::clear);
    connect(img_del_loginname, &QToolButton::clicked, txtLoginName, &QLineEdit::clear);
    connect(img_del_password, &QToolButton::clicked, txtPassword, &QLineEdit::clear);
    connect(img_del_channelpassword, &QToolButton::clicked, txtChannelPassword, &QLineEdit::clear);
    connect(sldAutoAway, &QSlider::valueChanged, lblactSliderAutoAway,
            qOverload<int>(&QLabel::setNum));
    connect(sldDelay, &QSlider::valueChanged, lblactsliderGateway, qOverload<int>(&QLabel::setNum));
    connect(sldWatchdog, &QSlider::valueChanged, lblactsldWatchdog,
            qOverload<int>(&QLabel::setNum));
    // A box that was loaded as undetermined takes only on and off from a person.
    for (QCheckBox* box : findChildren<QCheckBox*>()) {
        connect(box, &QCheckBox::stateChanged, box, [box](int state) {
            if (state != Qt::PartiallyChecked)
                box->setTristate(false);
        });
    }
    connect(chkGateway, &QCheckBox::stateChanged, this, &frmOptions::chkGateway_Click);
    connect(cmbCOMPort, &QComboBox::currentIndexChanged, this, &frmOptions::showChosenDevice);
    auto* debug = new QShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+D")), this);
    connect(debug, &QShortcut::activated, this, &frmOptions::toggleDebug);
    wireTouchTracking();
    chkGateway_Click();
}

void frmOptions::wireTouchTracking() {
    using settings::pageOneKey;
    const auto touch = [this](std::size_t key) { return [this, key] { touched(key); }; };
    connect(cmbServerAdresse, &QComboBox::currentIndexChanged, this,
            touch(pageOneKey(u"ServerAdresse")));
    connect(cmbServerAdresse, &QComboBox::editTextChanged, this,
            touch(pageOneKey(u"ServerAdresse")));
    const std::pair<QLineEdit*, std::size_t> fields[] = {
        {txtPortNummer, pageOneKey(u"ServerPort")},
        {txtNickname, pageOneKey(u"Nickname")},
        {txtLoginName, pageOneKey(u"Loginname")},
        {txtPassword, pageOneKey(u"Password")},
        {txtDefaultChannel, pageOneKey(u"DefaultChannel")},
        {txtChannelPassword, pageOneKey(u"ChannelPW")}};
    for (const auto& [edit, key] : fields)
        connect(edit, &QLineEdit::textChanged, this, touch(key));
    const std::pair<QCheckBox*, std::size_t> boxes[] = {
        {chkGateway, pageOneKey(u"Gateway")},
        {chkVordergrund, pageOneKey(u"Vordergrund")},
        {chkAutoAway, pageOneKey(u"AutoAWAY")},
        {chkTraySymbol, pageOneKey(u"SysTray")},
        {chkWatchdog, pageOneKey(u"WatchdogEIN")},
        {chkAutoStart, pageOneKey(u"Autostart")},
        {chkVoiceAnfrage, pageOneKey(u"VoiceAnfrage")},
        {chkControlRecord, pageOneKey(u"RecordingControl")}};
    for (const auto& [box, key] : boxes)
        connect(box, &QCheckBox::stateChanged, this, touch(key));
    const std::pair<QSlider*, std::size_t> sliders[] = {
        {sldAutoAway, pageOneKey(u"Verz\u00F6gerung")},
        {sldDelay, pageOneKey(u"GatewayDelay")},
        {sldWatchdog, pageOneKey(u"Watchdog")}};
    for (const auto& [slider, key] : sliders)
        connect(slider, &QSlider::valueChanged, this, touch(key));
    connect(cmbCOMPort, &QComboBox::currentIndexChanged, this, touch(pageOneKey(u"COMPort")));
    // Selecting one line option clears the other: both keys change.
    for (QRadioButton* option : optRTSDTR) {
        connect(option, &QRadioButton::toggled, this, touch(pageOneKey(u"COMKeyerRTS")));
        connect(option, &QRadioButton::toggled, this, touch(pageOneKey(u"COMKeyerDTR")));
    }
}
