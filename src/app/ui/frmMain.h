#pragma once

#include <QDateTime>
#include <QStringList>
#include <QWidget>

#include <functional>

class QLabel;
class QToolButton;
class frmOptions;

namespace clientlink {
class TSRemote;
}
namespace platform {
class ClickLabel;
class Clock;
class Prompts;
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
    std::function<void()> DriveKeyer;            // gateway drive, opens the COM port
    std::function<void()> enableDtmfRecognition; // DTMF keypad's recognition controls
    std::function<void(std::int16_t)> COM_schliessen;
};

// The main window: start-up, the ways out, parking in the tray.
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

    // Exit button, tray menu and the double click on the connection status.
    void cmdEnde_Click();
    void menu_ende_Click();
    void lblVerbindung_DblClick();
    // Tray icon double click: the window comes back.
    void tray_DblClick();
    void lblCopyright_Click();

    void SetTop(QWidget* window, bool top);
    void ShellFile(const QString& shellLink);

    TraySymbol& tray() { return *m_tray; }

    platform::ClickLabel* lblVerbindung = nullptr;
    QLabel* lblOwnNickname = nullptr;
    platform::ClickLabel* lblCopyright = nullptr;
    QToolButton* cmdEnde = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildControls();
    void parkInTray();
    void closeComPortIfOpen();
    void endProgram();

    MainWindowParts m_parts;
    MainWindowSeams m_seams;
    SharedState& m_state;
    TraySymbol* m_tray = nullptr;
};

} // namespace app
