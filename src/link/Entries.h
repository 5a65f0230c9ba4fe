#pragma once

#include <QString>

#include <cstdint>

// The program's own forms of the client's records. Texts keep the client's NUL
// padding at full width; whoever shows or compares one cuts it with cutAtNul.
namespace clientlink {

struct PlayerEntry {
    std::int32_t PlayerID = 0;
    std::int32_t ChannelID = 0;
    QString NickName;
    QString ChannelPrivileges;
    QString Privileges;
    QString PlayerFlags;
};

struct ChannelEntry {
    std::int32_t ChannelID = 0;
    std::int32_t ParentID = 0;
    std::int32_t PlayerCount = 0;
    QString ChannelFlags;
    QString Codec;
    QString Name;
};

struct ServerEntry {
    QString ServerName;
    QString WelcomeMessage;
    QString Version;
    QString ServerPlatform;
    QString ServerIp;
    QString ServerHost;
    QString ServerType;
    std::int32_t MaxUsers = 0;
    QString SupportedCodecs;
    std::int32_t ChannelCount = 0;
    std::int32_t PlayerCount = 0;
};

// The own player's flags and rights as one snapshot read gives them.
struct OwnFlags {
    bool FlagAway = false;
    bool FlagNoWhisper = false;
    bool FlagMicMute = false;
    bool FlagSoundMute = false;
    bool FlagChannelCommander = false;
    bool FlagUnregistered = false;
};

struct OwnPrivileges {
    bool FlagServerAdmin = false;
    bool FlagSuperServerAdmin = false;
    bool FlagChannelAdmin = false;
    bool FlagOperator = false;
    bool FlagAutoOperator = false;
};

// Connection states of the speaker poll.
enum SpeakerStatus : int {
    NotRunning = 0,
    NotConnected = 1,
    Connected = 2,
    ListingFailed = -1,
};

inline QString cutAtNul(const QString& text) {
    const qsizetype nul = text.indexOf(QChar(0));
    return nul < 0 ? text : text.left(nul);
}

} // namespace clientlink
