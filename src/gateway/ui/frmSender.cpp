#include "frmSender.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

using Way = platform::KeyingInterface::Way;

namespace {

constexpr const char* WayWords[] = {"COM", "CM108", "Hamlib", "GPIO"};

} // namespace

frmSender::frmSender(SenderFace face, QWidget* parent) : QWidget(parent), m_face(std::move(face)) {
    setWindowTitle(QStringLiteral("Sender-Schnittstelle"));
    const platform::KeyingInterface k =
        m_face.stored ? m_face.stored() : platform::KeyingInterface{};
    m_choices = m_face.choices ? m_face.choices() : QStringList();
    cmbArt = new QComboBox(this);
    cmbArt->addItems({QStringLiteral("COM-Port (Seite 1: Port und RTS/DTR)"),
                      QStringLiteral("CM108-Soundkarte (GPIO)"),
                      QStringLiteral("Hamlib (CAT-Befehl)"), QStringLiteral("GPIO-Leitung")});
    cmbArt->setCurrentIndex(static_cast<int>(k.way));
    cmbGeraet = new QComboBox(this);
    cmbGeraet->setEditable(true);
    cmbModell = new QComboBox(this);
    for (const QString& c : m_choices) {
        const QStringList parts = c.split(QLatin1Char('\t'));
        if (parts.size() == 3 && parts[0] == QLatin1String("Hamlib"))
            cmbModell->addItem(QStringLiteral("%1 (%2)").arg(parts[2], parts[1]), parts[1].toInt());
    }
    const int model = cmbModell->findData(k.model);
    if (model >= 0)
        cmbModell->setCurrentIndex(model);
    else
        cmbModell->addItem(QStringLiteral("Modell %1").arg(k.model), k.model);
    cmbModell->setCurrentIndex(cmbModell->findData(k.model));
    spnBaud = new QSpinBox(this);
    spnBaud->setRange(0, 1000000);
    spnBaud->setSpecialValueText(QStringLiteral("die des Modells"));
    spnBaud->setValue(k.baud);
    spnPin = new QSpinBox(this);
    spnPin->setRange(0, 1023);
    spnPin->setValue(k.pin);
    chkInvertiert = new QCheckBox(QStringLiteral("aktiv bei Pegel tief (invertiert)"), this);
    chkInvertiert->setChecked(k.inverted);
    cmdTestsenden = new QPushButton(QStringLiteral("&Testsenden"), this);
    cmdTestsenden->setToolTip(QStringLiteral("Tastet den Sender 2 s lang; Watchdog und Sperre "
                                             "gelten (mit den gespeicherten Einstellungen)"));
    lblZustand = new QLabel(this);
    lblZustand->setWordWrap(true);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdAbbruch = new QPushButton(QStringLiteral("Abbruch"), this);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Art"), cmbArt);
    form->addRow(QStringLiteral("Ger\u00E4t"), cmbGeraet);
    form->addRow(QStringLiteral("Modell"), cmbModell);
    form->addRow(QStringLiteral("Baud"), spnBaud);
    form->addRow(QStringLiteral("Pin / Leitung"), spnPin);
    form->addRow(QString(), chkInvertiert);
    form->addRow(QStringLiteral("Zustand"), lblZustand);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdTestsenden);
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdAbbruch);
    auto* top = new QVBoxLayout(this);
    top->addLayout(form);
    top->addLayout(buttons);

    connect(cmbArt, &QComboBox::currentIndexChanged, this, &frmSender::wayChanged);
    connect(cmdTestsenden, &QPushButton::clicked, this, &frmSender::cmdTestsenden_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmSender::cmdOK_Click);
    connect(cmdAbbruch, &QPushButton::clicked, this, &QWidget::close);
    Anzeige = new QTimer(this);
    Anzeige->setInterval(200);
    connect(Anzeige, &QTimer::timeout, this,
            [this] { lblZustand->setText(m_face.stateText ? m_face.stateText() : QString()); });
    Anzeige->start();
    wayChanged();
    cmbGeraet->setCurrentText(k.device);
}

// The devices found for the chosen way; only what the way uses can be changed.
void frmSender::wayChanged() {
    const auto way = static_cast<Way>(cmbArt->currentIndex());
    const QString text = cmbGeraet->currentText();
    cmbGeraet->clear();
    for (const QString& c : m_choices) {
        const QStringList parts = c.split(QLatin1Char('\t'));
        if (parts.size() == 3 && way != Way::Hamlib &&
            parts[0] == QLatin1String(WayWords[static_cast<int>(way)]))
            cmbGeraet->addItem(parts[2].isEmpty()
                                   ? parts[1]
                                   : QStringLiteral("%1 \u2013 %2").arg(parts[1], parts[2]),
                               parts[1]);
    }
    cmbGeraet->setCurrentText(text);
    cmbGeraet->setEnabled(way != Way::Com);
    cmbModell->setEnabled(way == Way::Hamlib);
    spnBaud->setEnabled(way == Way::Hamlib);
    spnPin->setEnabled(way == Way::Cm108 || way == Way::Gpio);
    chkInvertiert->setEnabled(way != Way::Hamlib);
    if (way == Way::Cm108 && (spnPin->value() < 1 || spnPin->value() > 8))
        spnPin->setValue(3);
}

platform::KeyingInterface frmSender::chosen() const {
    platform::KeyingInterface k;
    k.way = static_cast<Way>(cmbArt->currentIndex());
    const int found = cmbGeraet->findText(cmbGeraet->currentText());
    k.device =
        found >= 0 ? cmbGeraet->itemData(found).toString() : cmbGeraet->currentText().trimmed();
    k.model = cmbModell->currentData().toInt();
    k.baud = spnBaud->value();
    k.pin = spnPin->value();
    k.inverted = chkInvertiert->isChecked();
    return k;
}

void frmSender::cmdOK_Click() {
    if (m_face.store)
        m_face.store(chosen());
    close();
}

void frmSender::cmdTestsenden_Click() {
    if (m_face.testKey)
        m_face.testKey();
}
