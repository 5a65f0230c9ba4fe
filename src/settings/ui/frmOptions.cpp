#include "frmOptions.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

frmOptions::frmOptions(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("Einstellungen"));
    auto* top = new QVBoxLayout(this);

    lblÜberschrift = new QLabel(QStringLiteral("Einstellungen"), this);
    QFont big = lblÜberschrift->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    big.setBold(true);
    lblÜberschrift->setFont(big);
    top->addWidget(lblÜberschrift);

    auto* form = new QFormLayout;
    cmbServerAdresse = new QComboBox(this);
    cmbServerAdresse->setEditable(true);
    cmbServerAdresse->setToolTip(QStringLiteral("Serveradresse ausw\u00E4hlen"));
    form->addRow(QStringLiteral("Serveradresse:"), cmbServerAdresse);

    cmbCOMPort = new QComboBox(this);
    const char* ports[] = {"(ohne)", "COM1", "COM2", "COM3", "COM4"};
    for (int i = 0; i < 5; ++i)
        cmbCOMPort->addItem(QString::fromLatin1(ports[i]), i);
    cmbCOMPort->setToolTip(
        QStringLiteral("COM-Schnittstelle, die im Gateway-Betrieb genutzt werden soll"));
    form->addRow(QStringLiteral("COM-Port f\u00FCr Gateway:"), cmbCOMPort);

    auto* lines = new QVBoxLayout;
    optRTSDTR[0] = new QRadioButton(QStringLiteral("RTS (Pin 5 - 7)(Standard)"), this);
    optRTSDTR[1] = new QRadioButton(QStringLiteral("DTR (Pin 4 - 5)"), this);
    for (int i = 0; i < 2; ++i) {
        // The settings may leave both unselected, which exclusive buttons cannot show.
        optRTSDTR[i]->setAutoExclusive(false);
        lines->addWidget(optRTSDTR[i]);
        connect(optRTSDTR[i], &QRadioButton::clicked, this, [this, i] {
            optRTSDTR[i]->setChecked(true);
            optRTSDTR[1 - i]->setChecked(false);
        });
    }
    form->addRow(QStringLiteral("COM-Keyer Anschlu\u00DF:"), lines);
    top->addLayout(form);

    lblRelease = new QLabel(QStringLiteral("Release: "), this);
    top->addWidget(lblRelease);
}

void frmOptions::fillServerList(const QString& defaultHost, const QString& defaultAddress) {
    cmbServerAdresse->clear();
    cmbServerAdresse->addItem(defaultHost, 0);
    cmbServerAdresse->addItem(defaultAddress, 1);
    cmbServerAdresse->addItem(QStringLiteral("localhost"), 2);
    cmbServerAdresse->setCurrentIndex(-1);
    cmbServerAdresse->setEditText(QString());
}

void frmOptions::closeEvent(QCloseEvent* event) {
    // The page holds the live settings: it is left through its buttons only.
    event->ignore();
}
