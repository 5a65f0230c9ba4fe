#pragma once

#include "ClientLibrary.h"
#include "Entries.h"

#include <QString>

#include <optional>

#include <vector>

namespace clientlink {

// The program's single door to the client library. Failed calls never throw or
// show anything: their text waits in LastTSError until someone asks for it.
class TSRemote {
public:
    static constexpr std::int32_t Capacity = TSR_MAX_RECORDS;

    explicit TSRemote(platform::ClientLibrary& library);

    // The login URL: every key present, values inserted exactly as given.
    static QString connectUrl(const QString& address, const QString& nickname,
                              const QString& loginname, const QString& password,
                              const QString& channel, const QString& channelPassword);
    // The same for Mumble from the login page's "host:port"; none for a bad address.
    static std::optional<QString> mumbleUrl(const QString& address, const QString& nickname,
                                            const QString& password, const QString& channel);

    QString LastTSError;
    std::int32_t OwnPlayerID = 0;
    std::vector<ChannelEntry> ChannelList;
    std::vector<PlayerEntry> PlayerList;
    std::vector<std::int32_t> SpeakerList;

    void TSFetchLastError();
    platform::ClientLibrary& library() { return m_lib; }

    // Commands.
    void TSConnect(const QString& address, const QString& nickname, const QString& loginname,
                   const QString& password, const QString& channel, const QString& channelPassword);
    void TSDisconnect();
    void TSQuit();
    void TSSwitchChannel(std::int32_t channelId, const QString& channelPassword);
    void TSSetChannelCommander(bool on);
    void TSSetNoWhisper(bool on);
    void TSSetAway(bool on);
    void TSSetMicMute(bool on);
    void TSSetSoundMute(bool on);
    void TSSendChannelMessage(std::int32_t channelId, const QString& text);
    void TSKickFromChannel(std::int32_t playerId, const QString& reason);
    void TSKickFromServer(std::int32_t playerId, const QString& reason);

    // The own player, one client call each.
    void TSReadOwnID();
    OwnFlags TSReadOwnFlags();
    OwnPrivileges TSReadOwnPrivileges();

    // Listings.
    ServerEntry TSGetServerInfo();
    PlayerEntry TSGetPlayerInfo(std::int32_t playerId);
    bool TSGetChannels();
    bool TSGetPlayers();
    int TSGetSpeakers();

private:
    void check(std::int32_t result);
    void setOwnFlag(std::int32_t bit, bool on);
    PlayerInfoRecord ownRecord();
    template <typename Record, typename Entry>
    bool fetchList(std::int32_t (platform::ClientLibrary::*call)(Record*, std::int32_t*),
                   std::vector<Record>& raw, std::size_t& filled, std::vector<Entry>& list);

    platform::ClientLibrary& m_lib;
    std::vector<ChannelInfoRecord> m_rawChannels;
    std::vector<PlayerInfoRecord> m_rawPlayers;
    struct LastServer {
        ServerInfoRecord record;
        ServerEntry entry;
    };
    std::optional<LastServer> m_lastServer;
    std::size_t m_channelsFilled = 0; // records the last call may have written
    std::size_t m_playersFilled = 0;
};

} // namespace clientlink
