#include "frmSquelch.h"

#include "SoundSources.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

using Source = SquelchSettings::Source;

frmSquelch::frmSquelch(SquelchFace face, QWidget* parent)
    : QWidget(parent), m_face(std::move(face)) {
    setWindowTitle(QStringLiteral("Squelch-Eingang"));
    const SquelchSettings s = m_face.stored ? m_face.stored() : SquelchSettings{};
    cmbQuelle = new QComboBox(this);
    cmbQuelle->addItems({QStringLiteral("Aus"), QStringLiteral("DCD (Tr\u00E4gererkennung)"),
                         QStringLiteral("CTS"), QStringLiteral("DSR"), QStringLiteral("RI"),
                         QStringLiteral("Tonpegel"), QStringLiteral("CM108-Eingang"),
                         QStringLiteral("Hamlib (DCD des Funkger\u00E4ts)"),
                         QStringLiteral("GPIO-Eingang")});
    cmbQuelle->setCurrentIndex(static_cast<int>(s.source));
    cmbEingang = new QComboBox(this);
    for (const char* word : Cm108InputWords)
        cmbEingang->addItem(QLatin1String(word));
    cmbEingang->setCurrentIndex(s.cm108Input);
    optHoch = new QRadioButton(QStringLiteral("aktiv bei Pegel hoch"), this);
    optTief = new QRadioButton(QStringLiteral("aktiv bei Pegel tief"), this);
    (s.activeHigh ? optHoch : optTief)->setChecked(true);
    const auto spin = [this](int low, int high, int value, const QString& suffix) {
        auto* b = new QSpinBox(this);
        b->setRange(low, high);
        b->setValue(value);
        b->setSuffix(suffix);
        return b;
    };
    spnOeffnen = spin(0, SquelchSettings::MaxDelayMs, s.openDelayMs, QStringLiteral(" ms"));
    spnHaltezeit = spin(0, SquelchSettings::MaxDelayMs, s.hangMs, QStringLiteral(" ms"));
    spnZeitlimit =
        spin(0, SquelchSettings::MaxTimeoutMinutes, s.timeoutMinutes, QStringLiteral(" min"));
    spnZeitlimit->setSpecialValueText(QStringLiteral("keines"));
    spnSchwelle = spin(SquelchSettings::MinThresholdDb, 0, s.thresholdDb, QStringLiteral(" dBFS"));
    spnGpio = spin(0, 1023, s.gpioInput, QString());
    cmbTonquelle =
        soundSourceBox(this, m_face.sourceNames ? m_face.sourceNames() : QStringList(),
                       m_face.sourceLabels ? m_face.sourceLabels() : QStringList(), s.soundSource);
    barPegel = levelMeter(this, MeterFloorDb);
    lblPegel = new QLabel(this);
    lblZustand = new QLabel(this);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdAbbruch = new QPushButton(QStringLiteral("Abbruch"), this);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Quelle"), cmbQuelle);
    auto* polarity = new QHBoxLayout;
    polarity->addWidget(optHoch);
    polarity->addWidget(optTief);
    form->addRow(QStringLiteral("Leitung"), polarity);
    form->addRow(QStringLiteral("CM108-Eingang"), cmbEingang);
    form->addRow(QStringLiteral("GPIO-Leitung"), spnGpio);
    form->addRow(QStringLiteral("Tonquelle"), cmbTonquelle);
    form->addRow(QStringLiteral("Schwelle"), spnSchwelle);
    auto* level = new QHBoxLayout;
    level->addWidget(barPegel, 1);
    level->addWidget(lblPegel);
    form->addRow(QStringLiteral("Pegel"), level);
    form->addRow(QStringLiteral("\u00D6ffnen nach"), spnOeffnen);
    form->addRow(QStringLiteral("Haltezeit"), spnHaltezeit);
    form->addRow(QStringLiteral("Zeitlimit"), spnZeitlimit);
    form->addRow(QStringLiteral("Zustand"), lblZustand);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdAbbruch);
    auto* top = new QVBoxLayout(this);
    top->addLayout(form);
    top->addLayout(buttons);

    connect(cmbQuelle, &QComboBox::currentIndexChanged, this, &frmSquelch::sourceChanged);
    connect(cmbTonquelle, &QComboBox::currentIndexChanged, this, &frmSquelch::sourceChanged);
    connect(cmdOK, &QPushButton::clicked, this, &frmSquelch::cmdOK_Click);
    connect(cmdAbbruch, &QPushButton::clicked, this, &QWidget::close);
    Meter = new QTimer(this);
    Meter->setInterval(100);
    connect(Meter, &QTimer::timeout, this, &frmSquelch::Meter_Timer);
    Meter->start();
    sourceChanged();
}

// Only what the chosen source uses can be changed; the meter listens to the chosen sound.
void frmSquelch::sourceChanged() {
    const auto source = static_cast<Source>(cmbQuelle->currentIndex());
    const bool line = source != Source::Off && source != Source::Audio;
    const bool audio = source == Source::Audio;
    optHoch->setEnabled(line);
    optTief->setEnabled(line);
    for (QWidget* w : std::initializer_list<QWidget*>{cmbTonquelle, spnSchwelle, barPegel})
        w->setEnabled(audio);
    cmbEingang->setEnabled(source == Source::Cm108);
    spnGpio->setEnabled(source == Source::Gpio);
    for (QSpinBox* b : {spnOeffnen, spnHaltezeit, spnZeitlimit})
        b->setEnabled(source != Source::Off);
    if (m_face.listen)
        m_face.listen(audio ? std::optional(cmbTonquelle->currentData().toString()) : std::nullopt);
    Meter_Timer();
}

void frmSquelch::Meter_Timer() {
    const double db = m_face.levelDbfs ? m_face.levelDbfs() : -120;
    const bool heard = barPegel->isEnabled() && db >= -100;
    barPegel->setValue(heard ? std::clamp(static_cast<int>(std::lround(db)), MeterFloorDb, 0)
                             : MeterFloorDb);
    lblPegel->setText(!barPegel->isEnabled() ? QString()
                      : heard                ? QStringLiteral("%1 dBFS").arg(std::lround(db))
                                             : QStringLiteral("kein Signal"));
    lblZustand->setText(m_face.stateText ? m_face.stateText() : QString());
}

SquelchSettings frmSquelch::chosen() const {
    SquelchSettings s;
    s.source = static_cast<Source>(cmbQuelle->currentIndex());
    s.activeHigh = optHoch->isChecked();
    s.openDelayMs = spnOeffnen->value();
    s.hangMs = spnHaltezeit->value();
    s.timeoutMinutes = spnZeitlimit->value();
    s.thresholdDb = spnSchwelle->value();
    s.soundSource = cmbTonquelle->currentData().toString();
    s.cm108Input = cmbEingang->currentIndex();
    s.gpioInput = spnGpio->value();
    return s;
}

void frmSquelch::cmdOK_Click() {
    if (m_face.store)
        m_face.store(chosen());
    close();
}

void frmSquelch::closeEvent(QCloseEvent* event) {
    Meter->stop();
    if (m_face.listen)
        m_face.listen(std::nullopt);
    event->accept();
}
