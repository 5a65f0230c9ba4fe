#include "TSRemote.h"

#include "MumbleUrl.h"
#include "Windows1252.h"

#include <array>
#include <cstring>

namespace clientlink {
namespace {

std::string ansi(const QString& text) {
    return platform::windows1252::encode(text);
}

} // namespace

TSRemote::TSRemote(platform::ClientLibrary& library) : m_lib(library) {}

QString TSRemote::connectUrl(const QString& address, const QString& nickname,
                             const QString& loginname, const QString& password,
                             const QString& channel, const QString& channelPassword) {
    return QStringLiteral("teamspeak://") + address + QStringLiteral("?nickname=") + nickname +
           QStringLiteral("?loginname=") + loginname + QStringLiteral("?password=") + password +
           QStringLiteral("?channel=") + channel + QStringLiteral("?channelpassword=") +
           channelPassword;
}

void TSRemote::TSFetchLastError() {
    // One spare byte: a text that fills the whole buffer without a NUL is kept whole.
    std::array<char, TSR_ERROR_BUFFER + 1> buffer{};
    m_lib.getLastError(buffer.data(), TSR_ERROR_BUFFER);
    LastTSError = platform::windows1252::decode(
        std::string_view(buffer.data(), ::strnlen(buffer.data(), TSR_ERROR_BUFFER)));
}

void TSRemote::check(std::int32_t result) {
    if (result != 0)
        TSFetchLastError();
}

void TSRemote::TSConnect(const QString& address, const QString& nickname, const QString& loginname,
                         const QString& password, const QString& channel,
                         const QString& channelPassword) {
    if (m_lib.kind() == platform::ClientKind::Mumble) {
        const auto url = mumbleUrl(address, nickname, password, channel);
        if (!url) {
            LastTSError =
                QStringLiteral("\"%1\" ist keine Serveradresse f\u00FCr Mumble").arg(address);
            return;
        }
        check(m_lib.connect(url->toUtf8().constData()));
        return;
    }
    const std::string url =
        ansi(connectUrl(address, nickname, loginname, password, channel, channelPassword));
    check(m_lib.connect(url.c_str()));
}

std::optional<QString> TSRemote::mumbleUrl(const QString& address, const QString& nickname,
                                           const QString& password, const QString& channel) {
    // "host:port" as the login page joins them; a bare IPv6 address has no port here.
    const qsizetype colon = address.lastIndexOf(QLatin1Char(':'));
    const bool hasPort = colon > 0 && address.count(QLatin1Char(':')) == 1;
    return platform::mumble::connectUrl(hasPort ? address.left(colon) : address,
                                        hasPort ? address.mid(colon + 1) : QString(), nickname,
                                        password, channel);
}

void TSRemote::TSDisconnect() {
    check(m_lib.disconnect());
}

void TSRemote::TSQuit() {
    check(m_lib.quit());
}

void TSRemote::TSSwitchChannel(std::int32_t channelId, const QString& channelPassword) {
    check(m_lib.switchChannelID(channelId, ansi(channelPassword).c_str()));
}

void TSRemote::setOwnFlag(std::int32_t bit, bool on) {
    UserInfoRecord user{};
    check(m_lib.getUserInfo(&user));
    // A failed read leaves the record as it was: the write goes on from there.
    const std::int32_t flags = user.Player.PlayerFlags;
    check(m_lib.setPlayerFlags(on ? (flags | bit) : (flags & ~bit)));
}

void TSRemote::TSSetChannelCommander(bool on) {
    setOwnFlag(1, on);
}

void TSRemote::TSSetNoWhisper(bool on) {
    setOwnFlag(4, on);
}

void TSRemote::TSSetAway(bool on) {
    setOwnFlag(8, on);
}

void TSRemote::TSSetMicMute(bool on) {
    setOwnFlag(16, on);
}

void TSRemote::TSSetSoundMute(bool on) {
    setOwnFlag(32, on);
}

void TSRemote::TSSendChannelMessage(std::int32_t channelId, const QString& text) {
    check(m_lib.sendTextMessageToChannel(channelId, ansi(text).c_str()));
}

void TSRemote::TSKickFromChannel(std::int32_t playerId, const QString& reason) {
    check(m_lib.kickPlayerFromChannel(playerId, ansi(reason).c_str()));
}

void TSRemote::TSKickFromServer(std::int32_t playerId, const QString& reason) {
    check(m_lib.kickPlayerFromServer(playerId, ansi(reason).c_str()));
}

PlayerInfoRecord TSRemote::ownRecord() {
    UserInfoRecord user{};
    m_lib.getUserInfo(&user);
    return user.Player;
}

void TSRemote::TSReadOwnID() {
    UserInfoRecord user{};
    check(m_lib.getUserInfo(&user));
    OwnPlayerID = user.Player.PlayerID;
}

OwnFlags TSRemote::TSReadOwnFlags() {
    const PlayerInfoRecord own = ownRecord();
    OwnFlags f;
    f.FlagAway = own.PlayerFlags & 8;
    f.FlagNoWhisper = own.PlayerFlags & 4;
    f.FlagMicMute = own.PlayerFlags & 16;
    f.FlagSoundMute = own.PlayerFlags & 32;
    f.FlagChannelCommander = own.PlayerFlags & 1;
    f.FlagUnregistered = own.PlayerPrivileges & 16;
    return f;
}

OwnPrivileges TSRemote::TSReadOwnPrivileges() {
    const PlayerInfoRecord own = ownRecord();
    OwnPrivileges p;
    p.FlagServerAdmin = own.PlayerPrivileges & 2;
    p.FlagSuperServerAdmin = own.PlayerPrivileges & 1;
    p.FlagChannelAdmin = own.PlayerChannelPrivileges & 1;
    p.FlagOperator = own.PlayerChannelPrivileges & 2;
    p.FlagAutoOperator = own.PlayerChannelPrivileges & 4;
    return p;
}

} // namespace clientlink
