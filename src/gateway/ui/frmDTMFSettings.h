#pragma once

#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

// What the recognizer's settings window reads and changes.
struct RecognizerFace {
    std::function<QStringList()> sourceNames;  // the sound server's sources
    std::function<QStringList()> sourceLabels; // shown for them (same order)
    std::function<double()> levelDbfs;         // the input now; below -100: not listening
    std::function<QString()> lastDigits;
    std::function<QString()> storedSource; // from ts.ini
    std::function<bool()> storedRunCodes;
    std::function<void(const QString&)> sourceChosen; // the meter follows the chosen input
    std::function<void(const QString&, bool)> store;  // OK: source and the codes option
    std::function<void()> closed;                     // back to the keypad
};

// "DTMF Einstellungen": the recognizer's input, its level, what it heard last, and
// whether heard gateway codes act. Closing it ends it.
class frmDTMFSettings : public QWidget {
    Q_OBJECT
public:
    static constexpr int MeterFloorDb = -60;

    explicit frmDTMFSettings(RecognizerFace face, QWidget* parent = nullptr);

    void cmdOK_Click();
    void cmdAbbruch_Click();
    void Meter_Timer();

    QComboBox* cmbQuelle = nullptr;
    QProgressBar* barPegel = nullptr;
    QLabel* lblPegel = nullptr;
    QLabel* lblLetzte = nullptr;
    QCheckBox* chkCodes = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdAbbruch = nullptr;
    QTimer* Meter = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    RecognizerFace m_face;
    bool m_closing = false;
};
