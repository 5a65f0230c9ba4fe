#pragma once

#include "SquelchSettings.h"

#include <QWidget>

#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTimer;

// What the squelch window reads and changes.
struct SquelchFace {
    std::function<QStringList()> sourceNames;  // the sound server's sources
    std::function<QStringList()> sourceLabels; // shown for them (same order)
    std::function<SquelchSettings()> stored;
    std::function<void(const SquelchSettings&)> store;  // OK: into ts.ini and into effect
    std::function<void(std::optional<QString>)> listen; // the meter's sound source; nullopt: none
    std::function<double()> levelDbfs;                  // below -100: nothing heard
    std::function<QString()> stateText;                 // the squelch input now
};

// "Squelch-Eingang": where the receiver's squelch comes from (a status line of the keyer's
// COM port, or the level of a sound source against a threshold shown on a live meter),
// and its times. OK stores and applies, Abbruch leaves everything as it was.
class frmSquelch : public QWidget {
    Q_OBJECT
public:
    static constexpr int MeterFloorDb = -60;

    explicit frmSquelch(SquelchFace face, QWidget* parent = nullptr);

    SquelchSettings chosen() const;
    void cmdOK_Click();
    void Meter_Timer();

    QComboBox* cmbQuelle = nullptr;
    QComboBox* cmbEingang = nullptr; // which CM108 button input carries the squelch
    QSpinBox* spnGpio = nullptr;     // which line of the keying GPIO chip carries it
    QRadioButton* optHoch = nullptr;
    QRadioButton* optTief = nullptr;
    QSpinBox* spnOeffnen = nullptr;
    QSpinBox* spnHaltezeit = nullptr;
    QSpinBox* spnZeitlimit = nullptr;
    QSpinBox* spnSchwelle = nullptr;
    QComboBox* cmbTonquelle = nullptr;
    QProgressBar* barPegel = nullptr;
    QLabel* lblPegel = nullptr;
    QLabel* lblZustand = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdAbbruch = nullptr;
    QTimer* Meter = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void sourceChanged();

    SquelchFace m_face;
};
