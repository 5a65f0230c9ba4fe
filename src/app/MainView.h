#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

// What the main window shows, as plain values: the monitor cycle writes it, the
// window draws it. Positions are in twips. It persists between ticks, so a step
// that leaves something "unchanged" simply does not touch it.
namespace app {

struct MainView {
    // Connection status and buttons.
    QString lblVerbindung;
    std::uint32_t lblVerbindungColor = 0x000000; // blue-green-red
    bool cmdTSStartenVisible = true;
    bool cmdTSverbindenVisible = true;
    bool cmdTSverbindenEnabled = true;
    bool cmdTStrennenEnabled = false;
    bool flagButtonsEnabled = false;
    bool flagButtonsVisible = true;
    // A client with only microphone and loudspeaker (Mumble): away, whisper block,
    // channel commander and disconnect stay greyed.
    bool onlyMicAndSound = false;

    // Displays.
    QString lblSprecher;
    QString lblOwnNickname;
    QString lblOwnChannel;
    QString lblChannelUsers = QStringLiteral("0");
    QString lblAllUser;
    QString lblDTMF;
    // imgAway, imgMicMute, imgSoundMute, imgChannelCommander, imgNoWhisper
    std::array<bool, 5> flagImages{};
    bool imgIsAway = false;
    bool imgSperren = false;
    // A caption the speaker step gave the minimized window; taken by the next draw.
    std::optional<QString> newCaption;

    // Layout by role.
    bool txtChannelMessageVisible = false;
    int lblVerbindungTop = 2205;
    int lblSprecherTop = 2575;
    bool cmdfrmKickPlayerVisible = false;
    bool cmdStaticVisible = false;
    int cmdEinstellungenLeft = 360;
    int cmdEndeLeft = 360;
    bool chkControlRecordVisible = false;

    // The 1 s tick.
    QString lblZeit;
    std::uint32_t lblZeitBackColor = 0xFFC0C0;
    QString lblDebugTakt;
};

inline constexpr std::uint32_t Red = 0x0000FF;
inline constexpr std::uint32_t Yellow = 0x00FFFF;
inline constexpr std::uint32_t Green = 0x00FF00;
inline constexpr std::uint32_t ClockLight = 0xFFC0C0;
inline constexpr std::uint32_t ClockDark = 0xFF8080;

} // namespace app
