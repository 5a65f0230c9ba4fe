#pragma once

#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace app {
struct SharedState;
}
namespace platform {
class Prompts;
class Registry;
class Sound;
} // namespace platform

// What page 2 needs of the windows around it.
struct Options2Host {
    std::function<void()> showMainWindow;
    std::function<void()> showOptions;             // back to page 1
    std::function<void(const QString&)> ShellFile; // the main window's
    std::function<void(bool mumble)> clientChosen; // the saved choice of client
    std::function<void()> identSaved;              // the identification's settings
};

// "Einstellungen 2.Seite": the program behind teamspeak:// links, and the beacon's
// settings. It lives hidden for the whole run; closing it throws its unsaved edits
// away, as unloading would, and the next opening reads everything anew.
class frmOptions2 : public QWidget {
    Q_OBJECT
public:
    frmOptions2(app::SharedState& state, platform::Prompts& prompts, platform::Sound& sound,
                platform::Registry& registry, Options2Host host, QWidget* parent = nullptr);

    static constexpr const char* SoundFilter =
        "Sound-Datei (*.wav);;MP3-Dateien (*.mp3);;Alle Dateien (*)";
    static constexpr const char* ProgramFilter = "Ausf\u00FChrbare Datei (*)";

    // Reads every field as stored (the load handler).
    void Form_Load();
    // Opens the page from page 1, freshly loaded unless it is open already.
    void showPage();
    // The start-up settings load: the stored beacon keys into the controls.
    void loadBeacon(int einAus, const QString& datei, const QString& wann,
                    const QString& startzeit);

    void cmdRefresh_Click();
    void cmdTSaendern_Click(int index);
    void cmdDatei_Click();
    void cmdBakeTest_Click();
    // Stores the page; false when a value that takes effect is refused (told to the user).
    bool cmdApply_Click();
    void cmdOK_Click();
    void cmdAbbruch_Click();
    void cmd1Seite_Click();
    void DateiInternAbspielen();

    // Changes the caption of lblBakeDatei and applies the external-player rule.
    void setBeaconFile(const QString& path);
    // A wave file by its name: the last three characters are exactly "wav".
    static bool isWaveName(const QString& path);
    // The program path of a handler command: what stands before the first "%", less
    // the blank and the quotes around it.
    static QString programOfCommand(const QString& command);

    QString TSPfad;
    QString TSCommandLine;

    QLabel* lblPfad = nullptr;
    QLabel* lblTSPfadIst = nullptr;
    QGroupBox* fraClient = nullptr;
    QComboBox* cmbClient = nullptr; // 0: TeamSpeak 2, 1: Mumble
    QPushButton* cmdTSaendern0 = nullptr;
    QPushButton* cmdTSaendern1 = nullptr;
    QToolButton* cmdRefresh = nullptr;
    QGroupBox* fraTeamspeak = nullptr;
    QGroupBox* fraBake = nullptr;
    QCheckBox* chkBakeAktiv = nullptr;
    QLabel* lblBakeDatei = nullptr;
    QPushButton* cmdDatei = nullptr;
    QCheckBox* chkExtPlayer = nullptr;
    QToolButton* cmdBakeTest = nullptr;
    QLineEdit* txtBakeWann = nullptr;
    QCheckBox* chkKennung = nullptr;        // identification after traffic
    QLineEdit* txtKennungMinuten = nullptr; // at least every N minutes
    QLineEdit* txtStartzeit = nullptr;
    QToolButton* cmdApply = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdAbbruch = nullptr;
    QPushButton* cmd1Seite = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void resetToCreation();
    void leave(const std::function<void()>& showOther);
    // Unsaved edits are offered for saving before the page closes; false: stay open.
    bool savedOrDiscarded();
    QStringList edits() const; // what the page shows, to tell an unsaved change

    app::SharedState& m_state;
    platform::Prompts& m_prompts;
    platform::Sound& m_sound;
    platform::Registry& m_registry;
    Options2Host m_host;
    QStringList m_loaded; // edits() as loaded or last saved
};
