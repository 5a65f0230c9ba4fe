#include "frmOptions2.h"

#include "ClientChoice.h"
#include "Glyphs.h"
#include "INIfile.h"
#include "IdentSettings.h"
#include "Prompts.h"
#include "Registry.h"
#include "SettingsKeys.h"
#include "SharedState.h"
#include "Sound.h"
#include "ValueKinds.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QToolButton>
#include <QVBoxLayout>

using namespace settings;
using platform::glyphs::Glyph;

namespace {

QToolButton* glyphButton(QWidget* parent, Glyph glyph, const QString& tip) {
    auto* b = new QToolButton(parent);
    b->setIcon(platform::glyphs::icon(glyph));
    b->setToolTip(tip);
    return b;
}

QLineEdit* minuteBox(QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setMaxLength(2);
    box->setAlignment(Qt::AlignCenter);
    box->setFixedWidth(40);
    return box;
}

// A minute of the hour as the beacon compares it: a whole number from 0 to 59.
std::optional<std::int16_t> beaconMinute(const QString& text) {
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,2}$"));
    if (!digits.match(text).hasMatch())
        return std::nullopt;
    const int minute = text.toInt();
    if (minute > 59)
        return std::nullopt;
    return static_cast<std::int16_t>(minute);
}

} // namespace

frmOptions2::frmOptions2(app::SharedState& state, platform::Prompts& prompts,
                         platform::Sound& sound, platform::Registry& registry, Options2Host host,
                         QWidget* parent)
    : QWidget(parent), m_state(state), m_prompts(prompts), m_sound(sound), m_registry(registry),
      m_host(std::move(host)) {
    buildControls();
    resetToCreation();
}

void frmOptions2::buildControls() {
    setWindowTitle(QStringLiteral("Einstellungen 2.Seite"));
    fraClient = new QGroupBox(QStringLiteral("Client"), this);
    cmbClient = new QComboBox(fraClient);
    cmbClient->addItems({settings::clientName(platform::ClientKind::TeamSpeak2),
                         settings::clientName(platform::ClientKind::Mumble)});
    auto* clientLayout = new QHBoxLayout(fraClient);
    clientLayout->addWidget(new QLabel(QStringLiteral("Client:"), fraClient));
    clientLayout->addWidget(cmbClient, 1);
    fraTeamspeak = new QGroupBox(QStringLiteral("Teamspeak Pfad"), this);
    lblPfad = new QLabel(QStringLiteral("Der angegebene Pfad zeigt die Standard "
                                        "Teamspeak-Version. Mit dieser werden alle "
                                        "teamspeak://-Links ge\u00F6ffnet"),
                         fraTeamspeak);
    lblPfad->setWordWrap(true);
    lblTSPfadIst = new QLabel(fraTeamspeak);
    lblTSPfadIst->setFrameShape(QFrame::StyledPanel);
    lblTSPfadIst->setTextInteractionFlags(Qt::TextSelectableByMouse);
    cmdTSaendern0 = new QPushButton(QStringLiteral("\u00C4ndern"), fraTeamspeak);
    cmdTSaendern1 = new QPushButton(QStringLiteral("\u00D6ffnen"), fraTeamspeak);
    cmdRefresh = glyphButton(fraTeamspeak, Glyph::TakeOver, QStringLiteral("Aktualisieren"));
    auto* tsButtons = new QHBoxLayout;
    tsButtons->addWidget(cmdTSaendern0);
    tsButtons->addWidget(cmdTSaendern1);
    tsButtons->addStretch();
    tsButtons->addWidget(cmdRefresh);
    auto* tsLayout = new QVBoxLayout(fraTeamspeak);
    tsLayout->addWidget(lblPfad);
    tsLayout->addWidget(lblTSPfadIst);
    tsLayout->addLayout(tsButtons);

    fraBake = new QGroupBox(QStringLiteral("Bakenaussendung"), this);
    chkBakeAktiv = new QCheckBox(QStringLiteral("Bakenaussendung"), fraBake);
    lblBakeDatei = new QLabel(fraBake);
    lblBakeDatei->setFrameShape(QFrame::StyledPanel);
    cmdDatei = new QPushButton(QStringLiteral("..."), fraBake);
    cmdDatei->setToolTip(QStringLiteral("Datei ausw\u00E4hlen"));
    chkExtPlayer = new QCheckBox(QStringLiteral("Externen Player benutzen"), fraBake);
    cmdBakeTest = glyphButton(fraBake, Glyph::Start, QStringLiteral("Sound testen"));
    txtBakeWann = minuteBox(fraBake);
    txtStartzeit = minuteBox(fraBake);
    auto* file = new QHBoxLayout;
    file->addWidget(lblBakeDatei, 1);
    file->addWidget(cmdDatei);
    file->addWidget(cmdBakeTest);
    auto* minutes = new QGridLayout;
    minutes->addWidget(new QLabel(QStringLiteral("Wann (z.B. alle 30 Min.)"), fraBake), 0, 0);
    minutes->addWidget(txtBakeWann, 0, 1);
    minutes->addWidget(new QLabel(QStringLiteral("Startzeit (nur die Min-Angabe)"), fraBake), 1, 0);
    minutes->addWidget(txtStartzeit, 1, 1);
    chkKennung = new QCheckBox(QStringLiteral("Kennung nach Verkehr, alle (Min.)"), fraBake);
    txtKennungMinuten = minuteBox(fraBake);
    minutes->addWidget(chkKennung, 2, 0);
    minutes->addWidget(txtKennungMinuten, 2, 1);
    auto* bakeLayout = new QVBoxLayout(fraBake);
    bakeLayout->addWidget(chkBakeAktiv);
    bakeLayout->addLayout(file);
    bakeLayout->addWidget(chkExtPlayer);
    bakeLayout->addLayout(minutes);

    cmdApply = glyphButton(this, Glyph::Apply, QStringLiteral("Speichern"));
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdAbbruch = new QPushButton(QStringLiteral("Abbruch"), this);
    cmd1Seite = new QPushButton(QStringLiteral("Zur\u00FCck"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdApply);
    buttons->addStretch();
    buttons->addWidget(cmd1Seite);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdAbbruch);
    auto* top = new QVBoxLayout(this);
    top->addWidget(fraClient);
    top->addWidget(fraTeamspeak);
    top->addWidget(fraBake);
    top->addLayout(buttons);
    resize(420, 410);

    connect(cmdRefresh, &QToolButton::clicked, this, &frmOptions2::cmdRefresh_Click);
    connect(cmdTSaendern0, &QPushButton::clicked, this, [this] { cmdTSaendern_Click(0); });
    connect(cmdTSaendern1, &QPushButton::clicked, this, [this] { cmdTSaendern_Click(1); });
    connect(cmdDatei, &QPushButton::clicked, this, &frmOptions2::cmdDatei_Click);
    connect(cmdBakeTest, &QToolButton::clicked, this, &frmOptions2::cmdBakeTest_Click);
    connect(cmdApply, &QToolButton::clicked, this, &frmOptions2::cmdApply_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmOptions2::cmdOK_Click);
    connect(cmdAbbruch, &QPushButton::clicked, this, &frmOptions2::cmdAbbruch_Click);
    connect(cmd1Seite, &QPushButton::clicked, this, &frmOptions2::cmd1Seite_Click);
}

// The controls as a fresh page has them, before anything is read.
void frmOptions2::resetToCreation() {
    lblTSPfadIst->clear();
    cmbClient->setCurrentIndex(0);
    chkBakeAktiv->setChecked(false);
    chkExtPlayer->setChecked(false);
    chkExtPlayer->setEnabled(true);
    lblBakeDatei->setText(QStringLiteral("C:\\")); // the caption a new page has, not a change
    txtBakeWann->setText(QStringLiteral("30"));
    txtStartzeit->setText(QStringLiteral("00"));
    chkKennung->setChecked(false);
    txtKennungMinuten->setText(QStringLiteral("10"));
}

bool frmOptions2::isWaveName(const QString& path) {
    return path.endsWith(QLatin1String("wav"), Qt::CaseSensitive);
}

QString frmOptions2::programOfCommand(const QString& command) {
    const qsizetype percent = command.indexOf(QLatin1Char('%'));
    // The first p - 2 characters before the "%" at 1-based position p.
    if (percent < 1)
        return {};
    QString path = command.left(percent - 1);
    while (path.endsWith(QLatin1Char(' ')) || path.endsWith(QLatin1Char('"')))
        path.chop(1);
    if (path.startsWith(QLatin1Char('"')))
        path.remove(0, 1);
    return path;
}

void frmOptions2::setBeaconFile(const QString& path) {
    lblBakeDatei->setText(path);
    if (!isWaveName(path)) {
        chkExtPlayer->setChecked(true);
        chkExtPlayer->setEnabled(false);
    } else {
        chkExtPlayer->setEnabled(true);
    }
}

void frmOptions2::Form_Load() {
    cmdRefresh_Click();
    m_loaded = edits();
}

QStringList frmOptions2::edits() const {
    const auto check = [](const QCheckBox* box) {
        return box->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    };
    return {lblTSPfadIst->text(),     QString::number(cmbClient->currentIndex()),
            check(chkBakeAktiv),      lblBakeDatei->text(),
            check(chkExtPlayer),      txtBakeWann->text(),
            txtStartzeit->text(),     check(chkKennung),
            txtKennungMinuten->text()};
}

void frmOptions2::showPage() {
    if (!isVisible()) {
        resetToCreation();
        Form_Load();
    }
    show();
    raise();
    activateWindow();
}

void frmOptions2::loadBeacon(int einAus, const QString& datei, const QString& wann,
                             const QString& startzeit) {
    chkBakeAktiv->setChecked(isChecked(einAus));
    setBeaconFile(datei);
    txtBakeWann->setText(wann);
    txtStartzeit->setText(startzeit);
    // What is stored is what runs: a beacon saved as on plays after a restart too.
    m_state.BakeEINAUS = chkBakeAktiv->isChecked();
    m_state.frmOptions2.ExtPlayer = chkExtPlayer->isChecked();
    m_state.frmOptions2.BakeWann = beaconMinute(wann).value_or(-1);
}

void frmOptions2::cmdRefresh_Click() {
    // A. Every step that fails is skipped; nothing is reported.
    const QString command = m_registry.RegRead(QLatin1String(platform::Registry::CommandPath));
    if (const QString program = programOfCommand(command); !program.isEmpty())
        lblTSPfadIst->setText(program);
    const QString file = m_state.Dateiname;
    cmbClient->setCurrentIndex(readClientKind(file) == platform::ClientKind::Mumble ? 1 : 0);
    const auto read = [&file](const KeyDef& k) {
        return INIfile::INIRead(file, text(k.section), text(k.key));
    };
    if (const auto on = readCheck(read(BeaconKeys[0])))
        chkBakeAktiv->setChecked(isChecked(*on));
    setBeaconFile(read(BeaconKeys[1]));
    txtBakeWann->setText(read(BeaconKeys[2]));
    txtStartzeit->setText(read(BeaconKeys[3]));
    const IdentSettings ident = readIdentSettings(file);
    chkKennung->setChecked(ident.on);
    txtKennungMinuten->setText(QString::number(ident.minutes));
}

void frmOptions2::cmdTSaendern_Click(int index) {
    if (index == 1) {
        if (m_host.ShellFile)
            m_host.ShellFile(lblTSPfadIst->text());
        return;
    }
    const QString chosen = m_prompts.openProgramName(QString(), QString::fromUtf8(ProgramFilter));
    if (chosen.isEmpty())
        return;
    TSPfad = chosen;
    lblTSPfadIst->setText(chosen);
}

void frmOptions2::cmdDatei_Click() {
    const QString chosen =
        m_prompts.openFileName(QString(), QString(), QString::fromUtf8(SoundFilter));
    if (!chosen.isEmpty())
        setBeaconFile(chosen);
}

void frmOptions2::cmdBakeTest_Click() {
    const QString file = lblBakeDatei->text();
    if (!isWaveName(file))
        chkExtPlayer->setChecked(true);
    if (chkExtPlayer->isChecked()) {
        if (m_host.ShellFile)
            m_host.ShellFile(file);
    } else {
        m_sound.playAsync(file);
    }
}

bool frmOptions2::cmdApply_Click() {
    // A minute the beacon could never reach is refused before anything is stored, while
    // the beacon is on; off, the minute takes no effect and is stored as it stands.
    const auto minute = beaconMinute(txtBakeWann->text());
    if (!minute && chkBakeAktiv->isChecked()) {
        m_prompts.warn(QStringLiteral("\"%1\" ist keine Minute: bei \"Wann\" bitte eine ganze "
                                      "Zahl von 0 bis 59 eingeben !")
                           .arg(txtBakeWann->text()));
        return false;
    }
    bool isNumber = false;
    int identMinutes = txtKennungMinuten->text().trimmed().toInt(&isNumber);
    if (!isNumber || identMinutes < 1 || identMinutes > 60) {
        if (chkKennung->isChecked()) {
            m_prompts.warn(QStringLiteral("\"%1\" ist kein Abstand f\u00FCr die Kennung: bitte "
                                          "eine ganze Zahl von 1 bis 60 Minuten eingeben !")
                               .arg(txtKennungMinuten->text()));
            return false;
        }
        identMinutes = readIdentSettings(m_state.Dateiname).minutes; // off: kept as stored
    }
    app::SharedState& s = m_state;
    s.BakeEINAUS = chkBakeAktiv->isChecked();
    s.frmOptions2.ExtPlayer = chkExtPlayer->isChecked();
    s.frmOptions2.BakeWann = minute.value_or(-1);
    const QString values[] = {chkBakeAktiv->isChecked() ? QStringLiteral("1") : QStringLiteral("0"),
                              lblBakeDatei->text(), txtBakeWann->text(), txtStartzeit->text()};
    for (std::size_t i = 0; i < BeaconKeys.size(); ++i)
        INIfile::INIWrite(s.Dateiname, text(BeaconKeys[i].section), text(BeaconKeys[i].key),
                          values[i]);
    writeIdentSettings(s.Dateiname, {chkKennung->isChecked(), identMinutes});
    if (m_host.identSaved)
        m_host.identSaved();
    const bool mumble = cmbClient->currentIndex() == 1;
    writeClientKind(s.Dateiname,
                    mumble ? platform::ClientKind::Mumble : platform::ClientKind::TeamSpeak2);
    if (m_host.clientChosen)
        m_host.clientChosen(mumble);
    m_loaded = edits();
    TSPfad = lblTSPfadIst->text();
    if (TSPfad.isEmpty())
        return true; // no program: the handler stays as it is
    const QString type = QStringLiteral("REG_SZ");
    m_registry.RegWrite(QLatin1String(platform::Registry::IconPath), TSPfad, type);
    // Quoted, so that a path with blanks stays one argument.
    TSCommandLine = QLatin1Char('"') + TSPfad + QStringLiteral("\" \"%1\"");
    m_registry.RegWrite(QLatin1String(platform::Registry::CommandPath), TSCommandLine, type);
    return true;
}

void frmOptions2::DateiInternAbspielen() {
    if (!m_sound.playWaveSync(lblBakeDatei->text()))
        m_prompts.warn(QStringLiteral("Datei kann nicht abgespielt werden!"));
}

// Leaving throws the unsaved edits away: the page reads everything anew.
void frmOptions2::leave(const std::function<void()>& showOther) {
    hide();
    resetToCreation();
    Form_Load();
    if (showOther)
        showOther();
}

// OK and "Zurück" must not throw a change away unasked: the user believes it kept.
bool frmOptions2::savedOrDiscarded() {
    if (edits() == m_loaded)
        return true;
    const auto answer = m_prompts.message(
        QStringLiteral("\u00C4nderungen speichern ?"), platform::Prompts::Icon::Question,
        platform::Prompts::Buttons::YesNo, platform::Prompts::Answer::Yes);
    return answer != platform::Prompts::Answer::Yes || cmdApply_Click();
}

void frmOptions2::cmdOK_Click() {
    if (savedOrDiscarded())
        leave(m_host.showMainWindow);
}

void frmOptions2::cmdAbbruch_Click() {
    leave(m_host.showMainWindow);
}

void frmOptions2::cmd1Seite_Click() {
    if (savedOrDiscarded())
        leave(m_host.showOptions);
}

void frmOptions2::closeEvent(QCloseEvent* event) {
    // The frame's close button is Abbruch; the window stays for the next opening.
    event->ignore();
    cmdAbbruch_Click();
}
