#include "frmDTMF.h"

#include "ProgramFolder.h"
#include "Prompts.h"
#include "Sound.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

bool isToneKey(int k) {
    return k == '#' || k == '*' || (k >= '0' && k <= '9');
}

void run(const std::function<void()>& f) {
    if (f)
        f();
}

} // namespace

frmDTMF::frmDTMF(platform::Sound& sound, platform::Prompts& prompts, QString soundsFolder,
                 KeypadHost host, QWidget* parent)
    : QWidget(parent), m_sound(sound), m_prompts(prompts), m_soundsFolder(std::move(soundsFolder)),
      m_host(std::move(host)) {
    buildControls();
    Form_Load();
}

void frmDTMF::buildControls() {
    setWindowTitle(QStringLiteral("DTMF"));
    auto* keys = new QGridLayout;
    for (int n = 0; n < 12; ++n) {
        const QString face = n == 10   ? QStringLiteral("*")
                             : n == 11 ? QStringLiteral("#")
                                       : QString::number(n);
        cmdTaste[static_cast<std::size_t>(n)] = new QPushButton(face, this);
        cmdTaste[static_cast<std::size_t>(n)]->setMinimumSize(44, 36);
        connect(cmdTaste[static_cast<std::size_t>(n)], &QPushButton::clicked, this,
                [this, n] { cmdTaste_Click(n); });
    }
    // The telephone's order: 1 2 3 / 4 5 6 / 7 8 9 / * 0 #.
    const int order[4][3] = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 0, 11}};
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 3; ++col)
            keys->addWidget(cmdTaste[static_cast<std::size_t>(order[row][col])], row, col);
    }
    txtDTMF = new QLineEdit(this);
    cmdSenden = new QPushButton(QStringLiteral("Senden"), this);
    connect(cmdSenden, &QPushButton::clicked, this, &frmDTMF::cmdSenden_Click);
    auto* send = new QHBoxLayout;
    send->addWidget(txtDTMF);
    send->addWidget(cmdSenden);
    auto* keypad = new QVBoxLayout;
    keypad->addLayout(keys);
    keypad->addLayout(send);

    auto* codes = new QGroupBox(this);
    auto* codeGrid = new QGridLayout(codes);
    const auto codeRow = [&](int row, QLabel*& label, const QString& caption, QLineEdit*& box,
                             const QString& value) {
        label = new QLabel(caption, codes);
        box = new QLineEdit(value, codes);
        codeGrid->addWidget(label, row, 0);
        codeGrid->addWidget(box, row, 1);
    };
    codeRow(0, lblGatewayÖffnen, QStringLiteral("Gateway \u00F6ffnen"), txtGatewayOpen,
            QStringLiteral("*47#"));
    codeRow(1, lblGatewayschliessen, QStringLiteral("Gateway schliessen"), txtGatewayClose,
            QStringLiteral("*48#"));
    codeRow(2, lblKennung, QStringLiteral("Kennung senden (Bake)"), txtGatewayID,
            QStringLiteral("*73#"));
    cmdApply = new QPushButton(QStringLiteral("\u00DCbernehmen"), this);
    cmdCancel = new QPushButton(QStringLiteral("Abbruch"), this);
    connect(cmdApply, &QPushButton::clicked, this, &frmDTMF::cmdApply_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmDTMF::cmdCancel_Click);

    lblErkennung = new QLabel(QStringLiteral("Erkannter DTMF String"), this);
    txtDTMFString = new QLineEdit(this);
    chkDTMFeinaus = new QCheckBox(QStringLiteral("DTMF einschalten"), this);
    cmdDTMFSettings = new QPushButton(QStringLiteral("DTMF Einstellungen"), this);
    chkDTMFeinaus->setEnabled(false);
    cmdDTMFSettings->setEnabled(false);
    connect(chkDTMFeinaus, &QCheckBox::clicked, this, &frmDTMF::chkDTMFeinaus_Click);
    connect(cmdDTMFSettings, &QPushButton::clicked, this, &frmDTMF::cmdDTMFSettings_Click);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdApply);
    buttons->addWidget(cmdCancel);
    auto* right = new QVBoxLayout;
    right->addWidget(codes);
    right->addWidget(lblErkennung);
    right->addWidget(txtDTMFString);
    right->addWidget(chkDTMFeinaus);
    right->addWidget(cmdDTMFSettings);
    right->addStretch();
    right->addLayout(buttons);
    auto* top = new QHBoxLayout(this);
    top->addLayout(keypad);
    top->addLayout(right);

    DTMFabspielen = new QTimer(this);
    DTMFabspielen->setInterval(0);
    connect(DTMFabspielen, &QTimer::timeout, this, &frmDTMF::DTMFabspielen_Timer);
    Delete = new QTimer(this);
    Delete->setInterval(DeleteIntervalMs);
    connect(Delete, &QTimer::timeout, this, &frmDTMF::Delete_Timer);
    Delete->start();

    // The keypad hears the keyboard wherever the focus is in it.
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

void frmDTMF::Form_Load() {
    CodeFehler = 0;
    run(m_host.ensurePage2);
}

QString frmDTMF::toneFile(const QString& toneName) const {
    return platform::joinPath(m_soundsFolder,
                              QStringLiteral("sounds/") + toneName + QStringLiteral(".wav"));
}

bool frmDTMF::WavAbspielen(const QString& fileName) {
    return m_sound.playWaveSync(fileName);
}

void frmDTMF::cmdTaste_Click(int n) {
    const QString character = n == 10   ? QStringLiteral("*")
                              : n == 11 ? QStringLiteral("#")
                                        : QString::number(n);
    txtDTMF->setText(txtDTMF->text() + character);
    if (!WavAbspielen(toneFile(QString::number(n))))
        m_prompts.warn(QStringLiteral("Kann DTMF Ton Nr. %1 nicht abspielen!").arg(n));
}

void frmDTMF::Form_KeyPress(int keyCode) {
    if (keyCode == 13)
        cmdSenden_Click();
    if (keyCode == 27)
        txtDTMF->clear();
    if (!isToneKey(keyCode))
        return;
    const int n = keyCode == '*' ? 10 : keyCode == '#' ? 11 : keyCode - '0';
    if (!WavAbspielen(toneFile(QString::number(n))))
        m_prompts.warnTitled(QStringLiteral("Error"), QStringLiteral("Error playing DTMF tone"));
    txtDTMF->setText(txtDTMF->text() + QChar(keyCode));
}

void frmDTMF::cmdSenden_Click() {
    DTMFabspielen->start(SendDelayMs);
}

void frmDTMF::DTMFabspielen_Timer() {
    // One-shot: disarmed before the first tone, so it cannot fire inside the wait.
    DTMFabspielen->stop();
    DTMFabspielen->setInterval(0);
    if (m_playing)
        return;
    // Another sound of ours (the beacon) plays: the string waits for it, whole.
    if (m_sound.playing()) {
        DTMFabspielen->start(SendDelayMs);
        return;
    }
    m_playing = true;
    const QString text = txtDTMF->text();
    QString firstFailed;
    for (const QChar c : text) {
        const QString tone = c == QLatin1Char('*')   ? QStringLiteral("10")
                             : c == QLatin1Char('#') ? QStringLiteral("11")
                                                     : QString(c);
        if (!WavAbspielen(toneFile(tone)) && firstFailed.isEmpty())
            firstFailed = tone;
    }
    // One message per string, after it: a frozen sound server would otherwise ask for an
    // OK per tone, each stalling the rest of the string.
    if (!firstFailed.isEmpty())
        m_prompts.warn(QStringLiteral("Kann DTMF Ton Nr. %1 nicht abspielen!").arg(firstFailed));
    txtDTMF->clear();
    m_playing = false;
}

void frmDTMF::Delete_Timer() {
    if (txtDTMFString->text().size() > RecognizedKept)
        txtDTMFString->clear();
}

void frmDTMF::CodePruefen(const QString& code) {
    if (!code.startsWith(QLatin1Char('*')) || !code.endsWith(QLatin1Char('#'))) {
        m_prompts.warn(QStringLiteral("Codierung %1 entspricht nicht dem Standart.Bitte "
                                      "pr\u00FCfen !")
                           .arg(code));
        ++CodeFehler;
    }
}

void frmDTMF::cmdApply_Click() {
    CodeFehler = 0;
    CodePruefen(txtGatewayOpen->text());
    CodePruefen(txtGatewayClose->text());
    CodePruefen(txtGatewayID->text());
    if (CodeFehler != 0)
        return;
    if (m_host.codesApplied)
        m_host.codesApplied(txtGatewayOpen->text(), txtGatewayClose->text(), txtGatewayID->text());
    run(m_host.showOptions);
    unload();
}

void frmDTMF::cmdCancel_Click() {
    run(m_host.showMainWindow);
    unload();
}

void frmDTMF::chkDTMFeinaus_Click() {
    run(chkDTMFeinaus->isChecked() ? m_host.recognition.Start_Click
                                   : m_host.recognition.Close_Click);
}

void frmDTMF::cmdDTMFSettings_Click() {
    hide();
    run(m_host.recognition.Show);
}

void frmDTMF::enableRecognition() {
    chkDTMFeinaus->setEnabled(true);
    cmdDTMFSettings->setEnabled(true);
}

// The window ends: a recognizer it started stops with it, its timers with it.
void frmDTMF::stopAll() {
    m_unloading = true;
    DTMFabspielen->stop();
    Delete->stop();
    if (chkDTMFeinaus->isChecked())
        run(m_host.recognition.Close_Click);
}

void frmDTMF::unload() {
    if (m_unloading)
        return;
    stopAll();
    close();
}

// The frame's close button is Abbruch: the main window comes back.
void frmDTMF::closeEvent(QCloseEvent* event) {
    if (!m_unloading) {
        run(m_host.showMainWindow);
        stopAll();
    }
    event->accept();
}

// Enter sends, Escape empties; tone keys play, except where the user types a code.
bool frmDTMF::takeKey(QKeyEvent* event, bool inCodeBox) {
    int k = 0;
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        k = 13;
    else if (event->key() == Qt::Key_Escape)
        k = 27;
    else if (event->text().size() == 1)
        k = event->text().at(0).unicode();
    if (k == 13 || k == 27 || (isToneKey(k) && !inCodeBox)) {
        Form_KeyPress(k);
        return true;
    }
    return false;
}

bool frmDTMF::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const bool inCodeBox = watched == txtGatewayOpen || watched == txtGatewayClose ||
                               watched == txtGatewayID || watched == txtDTMFString;
        if (takeKey(static_cast<QKeyEvent*>(event), inCodeBox))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

void frmDTMF::keyPressEvent(QKeyEvent* event) {
    if (!takeKey(event, false))
        QWidget::keyPressEvent(event);
}
