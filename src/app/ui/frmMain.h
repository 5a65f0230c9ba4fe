#pragma once

#include "MonitorCycle.h"

#include <QDateTime>
#include <QStringList>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QTimer;
class QToolButton;
class frmOptions;

namespace clientlink {
class TSRemote;
}
namespace platform {
class ClickLabel;
class Clock;
class Prompts;
class SchemeHandler;
class Shell;
} // namespace platform

namespace app {

struct SharedState;
class TraySymbol;

// What the main window works with, handed in by the program's composition root.
struct MainWindowParts {
    SharedState& state;
    clientlink::TSRemote& ts;
    platform::Prompts& prompts;
    platform::Clock& clock;
    platform::Shell& shell;
    platform::SchemeHandler& urlHandler; // where the client's program is found
    frmOptions& options;
    QString settingsFolder;              // holds ts.ini
    QString soundsFolder;                // holds sounds/
    QString executablePath;              // its date goes into the release label
    QStringList arguments;               // the command line after the program's name
    std::function<void()> endProgram;    // ends at once: no handler of ours runs afterwards
    std::function<bool()> trayAvailable; // whether the desktop shows tray icons
};

// Calls into windows that arrive with later parts of the program; unset ones do nothing.
struct MainWindowSeams {
    std::function<void()> WerteEinlesen;         // settings page 1 loads ts.ini
    std::function<void(const QString&)> event;   // to the event list (else standard error)
    std::function<void()> DriveKeyer;            // gateway drive, opens the COM port
    std::function<void()> enableDtmfRecognition; // DTMF keypad's recognition controls
    std::function<void(std::int16_t)> COM_schliessen;
    std::function<void()> armSwitchen; // the gateway's channel switch after a connect
    std::function<void()> showSpeakerWindow;
    std::function<void()> showKickDialog; // frmKick, created on first use
    std::function<void()> showStatistics; // frmStatic, created on first use
    std::function<void()> showDtmfKeypad; // frmDTMF, from the double click on lblDTMF
    // Why the client is not reached ("library missing" or "client not running"), for the
    // status line's tooltip and the start button's message.
    std::function<QString()> clientProblem;
    // The squelch input's lamp beside the speaker line (colour 0xRRGGBB and tooltip);
    // nullopt hides it. It hears of every click on the microphone button.
    std::function<std::optional<std::pair<std::uint32_t, QString>>()> squelchLamp;
    std::function<void()> microphoneClicked;
    MonitorSeams monitor; // the monitor cycle's later steps
};

// The main window: start-up, the monitor display, the client buttons, the ways out.
class frmMain : public QWidget {
    Q_OBJECT
public:
    static constexpr int OuterWidth = 5130; // twips
    static constexpr int OuterHeight = 3400;
    static constexpr const char* FeedbackAddress = "feedback@quorvex.example";
    static constexpr const char* DefaultServerHost = "funk.quorvex.example";
    static constexpr const char* DefaultServerAddress = "192.0.2.15";

    frmMain(MainWindowParts parts, MainWindowSeams seams, QWidget* parent = nullptr);
    ~frmMain() override;

    // The load handler: start-up steps 1 to 15, before the window is first shown.
    void Form_Load();
    // Zeit100ms and Zeit1sek begin to tick.
    void startTimers();
    // One tick of each timer, drawn at once.
    void Zeit100ms_Timer();
    void Zeit1sek_Timer();

    MonitorCycle& cycle() { return *m_cycle; }
    void render();

    // Buttons and double clicks.
    void StartTeamSpeak();
    QString loginAddress() const; // "server:port" from page 1
    bool mumble();                // the chosen client is Mumble
    // False, after telling the user, where the chosen client does not offer what.
    bool offeredByClient(const QString& what);
    void cmdTSStarten_Click();
    void cmdTSverbinden_Click();
    void cmdTStrennen_Click();
    void cmdTSAwayEIN_Click();
    void cmdTSMicMuteEIN_Click();
    void cmdTSMuteEIN_Click();
    void cmdTSBlockWEIN_Click();
    void cmdTSChannelEIN_Click();
    void cmdEinstellungen_Click();
    void cmdfrmKickPlayer_Click();
    void cmdStatic_Click();
    void cmdDTMF_Click();
    void lblOwnChannel_DblClick();
    void lblSprecher_DblClick();
    void cmdEnde_Click();
    void menu_ende_Click();
    void lblVerbindung_DblClick();
    void tray_DblClick();
    void lblCopyright_Click();
    void imgSperren_Click();
    void setDebugMode(bool on);
    void txtChannelMessage_Enter();
    void imgAway_DblClick();

    // Every way back to the window: shown normally (never minimized) where it was.
    void showAgain();

    void SetTop(QWidget* window, bool top);
    void ShellFile(const QString& shellLink);

    TraySymbol& tray() { return *m_tray; }

    QLabel* lblOwnNickname = nullptr;
    QLabel* lblZeit = nullptr;
    platform::ClickLabel* lblOwnChannel = nullptr;
    QGroupBox* fraChannel = nullptr;
    QLabel* lblChannelUsers = nullptr;
    QGroupBox* fraAllUser = nullptr;
    QLabel* lblAllUser = nullptr;
    platform::ClickLabel* lblCopyright = nullptr;
    QLabel* imgAway = nullptr;
    QLabel* imgMicMute = nullptr;
    QLabel* imgSoundMute = nullptr;
    QLabel* imgChannelCommander = nullptr;
    QLabel* imgNoWhisper = nullptr;
    QLabel* imgIsAway = nullptr;
    platform::ClickLabel* imgSperren = nullptr;
    QLabel* lblRTS = nullptr;
    QLabel* shpRTS = nullptr;
    QLabel* lblDTR = nullptr;
    QLabel* shpDTR = nullptr;
    QLabel* shpSquelch = nullptr;
    // "SENDEN" while the keyer holds the line up (with the watchdog's last 30 s), "GESPERRT"
    // after a watchdog cut.
    platform::ClickLabel* lblSenden = nullptr;
    QToolButton* cmdEinstellungen = nullptr;
    QToolButton* cmdfrmKickPlayer = nullptr;
    QToolButton* cmdStatic = nullptr;
    QToolButton* cmdDTMF = nullptr;
    QToolButton* cmdEnde = nullptr;
    QToolButton* cmdTSStarten = nullptr;
    QToolButton* cmdTSverbinden = nullptr;
    QToolButton* cmdTStrennen = nullptr;
    QToolButton* cmdTSAwayEIN = nullptr;
    QToolButton* cmdTSMicMuteEIN = nullptr;
    QToolButton* cmdTSMuteEIN = nullptr;
    QToolButton* cmdTSBlockWEIN = nullptr;
    QToolButton* cmdTSChannelEIN = nullptr;
    QLineEdit* txtChannelMessage = nullptr;
    platform::ClickLabel* lblVerbindung = nullptr;
    platform::ClickLabel* lblSprecher = nullptr;
    QLabel* lblDTMF = nullptr;
    QLabel* lblDebugTakt = nullptr;
    QLabel* lblDebugTaktChannel = nullptr;
    QTimer* Zeit100ms = nullptr;
    QTimer* Zeit1sek = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    static void setBoxColour(QLineEdit* box, std::uint32_t bgr);
    static constexpr std::uint32_t ChannelMessageIdle = 0xFF8080; // blue-green-red
    static constexpr std::uint32_t ChannelMessageTyping = 0xFFFFFF;
    void parkInTray();
    void hideKeepingPlace();
    void openInstead(const std::function<void()>& showOther);
    void fitOuterSize();
    void closeComPortIfOpen();
    void endProgram();
    std::array<QToolButton*, 5> flagButtons() const;

    MainWindowParts m_parts;
    MainWindowSeams m_seams;
    SharedState& m_state;
    TraySymbol* m_tray = nullptr;
    void drawOnAir();
    std::unique_ptr<MonitorCycle> m_cycle;
    std::optional<QPoint> m_place; // where the window stood when it was last hidden
    int m_placeAgain = 0;          // moves back left after a re-show
    static constexpr int PlaceAgainMs = 1000;
    bool m_outerSizeFit = false; // the outer size was set once the frame was known
    // The connection last told: a tick that could not read it (the label blank) is no change.
    QString m_toldConnection;
};

} // namespace app
