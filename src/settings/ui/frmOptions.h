#pragma once

#include <QWidget>

#include <array>
#include <bitset>
#include <cstdint>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QToolButton;

namespace app {
struct SharedState;
}
namespace clientlink {
class TSRemote;
}
namespace platform {
class Prompts;
}

// The beacon keys that page 1 reads for page 2.
struct BeaconValues {
    int EinAus = 0;
    QString Datei, Wann, Startzeit;
};

// What page 1 needs of the main window.
struct OptionsHost {
    std::function<void()> showMainWindow;
    std::function<QString()> ownNicknameCaption; // lblOwnNickname
    std::function<QString()> ownChannelCaption;  // lblOwnChannel
    std::function<void(bool)> setDebugMode;      // caption mark and debug labels
    std::function<void(bool)> setLineLampsVisible;
};

// Calls into parts of the program that arrive later; unset ones do nothing, and
// their buttons stay disabled.
struct OptionsSeams {
    std::function<void()> CreateFileShortcut;
    std::function<void()> DeleteFileShortCut;
    std::function<void(std::int16_t)> COM_schliessen;
    std::function<void()> showPage2;
    std::function<void()> showDtmf;
    std::function<void()> showSquelch; // the squelch input's window, over this page
    std::function<void()> showSender;  // the keying interface's window, over this page
    std::function<void(int)> makeLink; // 0 desktop, 1 a chosen folder
    std::function<void(const BeaconValues&)> loadBeacon;
    std::function<void()> afterApply; // the keyer reads its port mapping again
};

// The first settings page: loaded at start-up, hidden, never unloaded. Its controls
// are the running program's store of login data and options.
class frmOptions : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* DefaultPort = "8767";
    static constexpr const char* MumblePort = "64738";

    frmOptions(app::SharedState& state, clientlink::TSRemote& ts, platform::Prompts& prompts,
               QWidget* parent = nullptr);

    void setHost(OptionsHost host) { m_host = std::move(host); }
    void setSeams(OptionsSeams seams);
    // The client chosen on page 2: an empty port or the other client's default becomes
    // this client's default, shown and stored.
    void adoptClientPort(bool mumble);

    // Start-up fills the server list with its three fixed entries.
    void fillServerList(const QString& defaultHost, const QString& defaultAddress);
    // Shows which device each of COM1 to COM4 leads to.
    void showComDevices(const std::array<QString, 4>& devices);

    void WerteEinlesen();
    void cmdApply_Click();
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdTSFehler_Click();
    void cmdSeite2_Click();
    void cmdDTMF_Click();
    void cmdSquelch_Click();
    void img_get_nickname_Click();
    void img_get_defaultchannel_Click();
    void img_del_defaultchannel_Click();
    // The hidden debug box, for a person: Ctrl+Shift+D on this page.
    void toggleDebug();

    // Check box state as stored: 0, 1, or 2 for undetermined.
    static int checkValue(const QCheckBox* box);
    static void setCheckValue(QCheckBox* box, int value);

    QComboBox* cmbServerAdresse = nullptr;
    QLineEdit* txtPortNummer = nullptr;
    QLineEdit* txtNickname = nullptr;
    QLineEdit* txtLoginName = nullptr;
    QLineEdit* txtPassword = nullptr;
    QLineEdit* txtDefaultChannel = nullptr;
    QLabel* lblDefaultChannelID = nullptr;
    QLineEdit* txtChannelPassword = nullptr;
    QCheckBox* chkGateway = nullptr;
    QCheckBox* chkVordergrund = nullptr;
    QCheckBox* chkAutoAway = nullptr;
    QSlider* sldAutoAway = nullptr;
    QLabel* lblSliderAutoAway = nullptr;
    QLabel* lblactSliderAutoAway = nullptr;
    QLabel* lblcmbCOMPort = nullptr;
    QComboBox* cmbCOMPort = nullptr;
    QLabel* lblCOMDevice = nullptr; // the device behind the chosen entry
    QLabel* lblCOMKeyerSignal = nullptr;
    std::array<QRadioButton*, 2> optRTSDTR{};
    QSlider* sldDelay = nullptr;
    QLabel* lblSliderDelay = nullptr;
    QLabel* lblactsliderGateway = nullptr;
    QSlider* sldWatchdog = nullptr;
    QLabel* lblsldWatchdog = nullptr;
    QLabel* lblactsldWatchdog = nullptr;
    QCheckBox* chkWatchdog = nullptr;
    QCheckBox* chkTraySymbol = nullptr;
    QCheckBox* chkAutoStart = nullptr;
    QCheckBox* chkVoiceAnfrage = nullptr;
    QCheckBox* chkControlRecord = nullptr;
    QCheckBox* chkDebug = nullptr;
    QPushButton* cmdDTMF = nullptr;
    QPushButton* cmdSquelch = nullptr;
    QPushButton* cmdSender = nullptr;
    QPushButton* cmdApply = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdSeite2 = nullptr;
    QPushButton* cmdTSFehler = nullptr;
    std::array<QPushButton*, 2> cmdMakeLink{};
    QToolButton* img_get_nickname = nullptr;
    QToolButton* img_get_defaultchannel = nullptr;
    QToolButton* img_del_nickname = nullptr;
    QToolButton* img_del_loginname = nullptr;
    QToolButton* img_del_password = nullptr;
    QToolButton* img_del_defaultchannel = nullptr;
    QToolButton* img_del_channelpassword = nullptr;
    QLabel* lblÜberschrift = nullptr;
    QLabel* lblRelease = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void chkGateway_Click();
    void applyDerivedSettings();
    void applyKeyingLine();
    void readBeaconKeys();
    void keepUnreachedKeys(std::size_t firstKept);
    void wireTouchTracking();
    void touched(std::size_t key);
    void showChosenDevice();

    app::SharedState& m_state;
    clientlink::TSRemote& m_ts;
    platform::Prompts& m_prompts;
    OptionsHost m_host;
    OptionsSeams m_seams;
    std::array<QString, 4> m_devices;
    // Keys of the file that the last load did not reach and that nobody has changed
    // since: apply leaves them as they stand in the file.
    static constexpr std::size_t PageKeyCount = 22;
    std::bitset<PageKeyCount> m_keep;
    bool m_loading = false;
};
