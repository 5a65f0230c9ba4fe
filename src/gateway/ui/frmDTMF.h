#pragma once

#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace platform {
class Prompts;
class Sound;
} // namespace platform

// The DTMF recognizer the keypad drives; unset calls do nothing.
struct DtmfRecognition {
    std::function<void()> Start_Click;
    std::function<void()> Close_Click;
    std::function<void()> Show; // its own settings window
};

// What the keypad needs of the windows around it.
struct KeypadHost {
    std::function<void()> showMainWindow;
    std::function<void()> showOptions; // settings page 1, not modal
    std::function<void()> ensurePage2; // settings page 2 exists, not shown
    // Übernehmen with three good codes: what the gateway listens for from now on.
    std::function<void(const QString& open, const QString& close, const QString& id)> codesApplied;
    DtmfRecognition recognition;
};

// "DTMF": plays tone strings through the sound output, holds the gateway's three DTMF
// codes with their format check, and the controls of the recognizer. Closing it
// (Übernehmen, Abbruch or the frame) ends it; the next use makes a fresh one.
class frmDTMF : public QWidget {
    Q_OBJECT
public:
    static constexpr int SendDelayMs = 250;
    static constexpr int DeleteIntervalMs = 1000;
    static constexpr int RecognizedKept = 4; // a longer recognized string is emptied

    frmDTMF(platform::Sound& sound, platform::Prompts& prompts, QString soundsFolder,
            KeypadHost host, QWidget* parent = nullptr);

    void Form_Load();
    void cmdTaste_Click(int n);
    void Form_KeyPress(int keyCode);
    void cmdSenden_Click();
    void DTMFabspielen_Timer();
    void Delete_Timer();
    void cmdApply_Click();
    void cmdCancel_Click();
    void chkDTMFeinaus_Click();
    void cmdDTMFSettings_Click();
    // The command line asked for recognition: its two controls become usable.
    void enableRecognition();

    // The file of a tone: sounds/<name>.wav in the sounds folder.
    QString toneFile(const QString& toneName) const;

    std::int16_t CodeFehler = 0;

    std::array<QPushButton*, 12> cmdTaste{};
    QLineEdit* txtDTMF = nullptr;
    QPushButton* cmdSenden = nullptr;
    QLineEdit* txtGatewayOpen = nullptr;
    QLineEdit* txtGatewayClose = nullptr;
    QLineEdit* txtGatewayID = nullptr;
    QLabel* lblGatewayÖffnen = nullptr;
    QLabel* lblGatewayschliessen = nullptr;
    QLabel* lblKennung = nullptr;
    QPushButton* cmdApply = nullptr;
    QPushButton* cmdCancel = nullptr;
    QLineEdit* txtDTMFString = nullptr;
    QLabel* lblErkennung = nullptr;
    QCheckBox* chkDTMFeinaus = nullptr;
    QPushButton* cmdDTMFSettings = nullptr;
    QTimer* DTMFabspielen = nullptr;
    QTimer* Delete = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    bool WavAbspielen(const QString& fileName);
    void CodePruefen(const QString& code);
    bool takeKey(QKeyEvent* event, bool inCodeBox);
    void unload();
    void stopAll();

    platform::Sound& m_sound;
    platform::Prompts& m_prompts;
    QString m_soundsFolder;
    KeypadHost m_host;
    bool m_playing = false; // the tone string is playing: its timer does not start again
    bool m_unloading = false;
};
