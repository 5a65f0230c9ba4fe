#pragma once

#include <QPoint>
#include <QString>

#include <cstdint>

// The named variables every part of the program reads and writes within a tick.
// One thread only, so no locks. The public variables of the other windows are
// grouped under their window's name (state.frmCOM.COMPortOffen) and are owned by
// those windows once they exist.
namespace app {

inline constexpr const char16_t* AwayChannelNameText = u"========> ABWESEND <========";

struct ComKeyerVariables { // frmCOM
    bool COMPortOffen = false;
    bool COMPortsperren = false;
    bool DTR = false;
    bool DelayEIN = false;
    // The lamps shpRTS and shpDTR: lit while the keyer holds that line up.
    bool RTSLit = false;
    bool DTRLit = false;
    // A keying interface of its own ([Sender] Art: CM108, Hamlib, GPIO) by name; empty
    // while the COM port chosen on page 1 keys.
    QString Schnittstelle;
    // For the on-air sign: whom the line is keyed for, the seconds until the watchdog cuts
    // (-1: not counting), the minutes after which it cut last (0: it has not).
    QString SendetFuer;
    int WatchdogRestSek = -1;
    int AbgebrochenNachMin = 0;
};

struct OptionsVariables { // frmOptions
    std::int16_t COMPortAuswahl = 0;
    bool SysTray = false;
    bool VoiceAnfrageEIN = false;
    bool FuncControlRecord = false;
};

struct BeaconVariables { // frmOptions2
    std::int16_t BakeWann = 0;
    bool ExtPlayer = false;
};

struct DtmfCodeVariables { // the codes last applied on the keypad
    QString open = QStringLiteral("*47#");
    QString close = QStringLiteral("*48#");
    QString id = QStringLiteral("*73#");
};

struct StatisticsVariables { // frmStatic
    std::int16_t UserMax = 0;
    QString UserMaxTime;
    QString UserMaxDate;
};

struct SharedState {
    // Public variables of frmMain.
    std::int32_t AllUser = 0;
    std::int32_t EigeneID = 0;
    std::int32_t FremdeID = 0;
    std::int32_t ChannelOwnID = 0;
    QString AktuellerChannel;
    QString CurrentAWAYChannelID;
    bool COMSenden = false;
    bool IdentKeying = false; // the identification after traffic keys the line now
    bool TestKeying = false;  // the interface window's test keys the line now
    bool FlagChannelCommander = false;
    bool FlagNoWhisper = false;
    bool FlagAway = false;
    bool FlagMicMute = false;
    bool FlagSoundMute = false;
    bool FlagUnregistered = false;
    bool FlagSuperServerAdmin = false;
    bool FlagServerAdmin = false;
    bool FlagChannelAdmin = false;
    bool FlagOperator = false;
    bool FlagAutoOperator = false;
    bool FuncAutoAway = false;
    bool FuncGateway = false;
    bool Vordergrund = false;
    bool FensterÄndern = false;
    bool WatchdogEIN = false;
    bool BakeEINAUS = false;
    QString Programmname;
    QString Dateiname;

    // Private variables of frmMain's monitor cycle.
    bool DTMFSwitchGiven = false;
    bool TSNotStarted = false;
    std::int32_t IdleSeconds = 0;
    bool AutoAwayActive = false;
    bool ManualAway = false;
    QPoint LastCursorPos;
    QString AwayChannelName = QString::fromUtf16(AwayChannelNameText);
    bool InAwayChannel = false;
    std::int32_t ChannelUsers = 0;
    bool TrayBusy = false;

    // Public variables of the other windows.
    ComKeyerVariables frmCOM;
    OptionsVariables frmOptions;
    BeaconVariables frmOptions2;
    DtmfCodeVariables frmDTMF;
    StatisticsVariables frmStatic;
};

} // namespace app
