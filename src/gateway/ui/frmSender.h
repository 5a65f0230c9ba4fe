#pragma once

#include "KeyingInterface.h"

#include <QStringList>
#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTimer;

// What the interface window reads and changes.
struct SenderFace {
    std::function<platform::KeyingInterface()> stored;
    std::function<void(const platform::KeyingInterface&)> store; // OK: into ts.ini and effect
    std::function<QStringList()> choices; // "<way>\t<value>\t<what it is>", as found here
    std::function<void()> testKey;        // keys for 2 s through the keyer
    std::function<QString()> stateText;   // the line and the inputs now
};

// "Sender-Schnittstelle": how the transmitter is keyed (the COM port of page 1, a CM108
// sound card's GPIO, a CAT command through Hamlib, a GPIO line), with what was found here
// to choose from, a test keying through the keyer (its watchdog and block apply) and the
// interface's state live. OK stores and applies, Abbruch leaves everything as it was.
class frmSender : public QWidget {
    Q_OBJECT
public:
    explicit frmSender(SenderFace face, QWidget* parent = nullptr);

    platform::KeyingInterface chosen() const;
    void cmdOK_Click();
    void cmdTestsenden_Click();

    QComboBox* cmbArt = nullptr;
    QComboBox* cmbGeraet = nullptr;
    QComboBox* cmbModell = nullptr;
    QSpinBox* spnBaud = nullptr;
    QSpinBox* spnPin = nullptr;
    QCheckBox* chkInvertiert = nullptr;
    QPushButton* cmdTestsenden = nullptr;
    QLabel* lblZustand = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdAbbruch = nullptr;
    QTimer* Anzeige = nullptr;

private:
    void wayChanged();

    SenderFace m_face;
    QStringList m_choices;
};
