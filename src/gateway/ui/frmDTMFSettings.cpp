#include "frmDTMFSettings.h"

#include "SoundSources.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

frmDTMFSettings::frmDTMFSettings(RecognizerFace face, QWidget* parent)
    : QWidget(parent), m_face(std::move(face)) {
    setWindowTitle(QStringLiteral("DTMF Einstellungen"));
    cmbQuelle = soundSourceBox(this, m_face.sourceNames ? m_face.sourceNames() : QStringList(),
                               m_face.sourceLabels ? m_face.sourceLabels() : QStringList(),
                               m_face.storedSource ? m_face.storedSource() : QString());
    barPegel = levelMeter(this, MeterFloorDb);
    lblPegel = new QLabel(this);
    lblLetzte = new QLabel(this);
    chkCodes = new QCheckBox(QStringLiteral("Gateway-Codes ausf\u00FChren"), this);
    chkCodes->setChecked(m_face.storedRunCodes && m_face.storedRunCodes());
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdAbbruch = new QPushButton(QStringLiteral("Abbruch"), this);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Toneingang"), cmbQuelle);
    auto* level = new QHBoxLayout;
    level->addWidget(barPegel, 1);
    level->addWidget(lblPegel);
    form->addRow(QStringLiteral("Pegel"), level);
    form->addRow(QStringLiteral("Zuletzt erkannt"), lblLetzte);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdAbbruch);
    auto* top = new QVBoxLayout(this);
    top->addLayout(form);
    top->addWidget(chkCodes);
    top->addLayout(buttons);

    connect(cmbQuelle, &QComboBox::currentIndexChanged, this, [this] {
        if (m_face.sourceChosen)
            m_face.sourceChosen(cmbQuelle->currentData().toString());
    });
    if (m_face.sourceChosen)
        m_face.sourceChosen(cmbQuelle->currentData().toString());
    connect(cmdOK, &QPushButton::clicked, this, &frmDTMFSettings::cmdOK_Click);
    connect(cmdAbbruch, &QPushButton::clicked, this, &frmDTMFSettings::cmdAbbruch_Click);
    Meter = new QTimer(this);
    Meter->setInterval(100);
    connect(Meter, &QTimer::timeout, this, &frmDTMFSettings::Meter_Timer);
    Meter->start();
    Meter_Timer();
}

void frmDTMFSettings::Meter_Timer() {
    const double db = m_face.levelDbfs ? m_face.levelDbfs() : -120;
    if (db < -100) {
        barPegel->setValue(MeterFloorDb);
        lblPegel->setText(QStringLiteral("Erkennung aus"));
    } else {
        barPegel->setValue(std::clamp(static_cast<int>(std::lround(db)), MeterFloorDb, 0));
        lblPegel->setText(QStringLiteral("%1 dB").arg(std::lround(db)));
    }
    lblLetzte->setText(m_face.lastDigits ? m_face.lastDigits() : QString());
}

void frmDTMFSettings::cmdOK_Click() {
    if (m_face.store)
        m_face.store(cmbQuelle->currentData().toString(), chkCodes->isChecked());
    close();
}

void frmDTMFSettings::cmdAbbruch_Click() {
    close();
}

void frmDTMFSettings::closeEvent(QCloseEvent* event) {
    Meter->stop();
    if (!m_closing) {
        m_closing = true;
        if (m_face.closed)
            m_face.closed();
    }
    event->accept();
}
