#pragma once

#include "tsremote.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

// The simulated client and the server it is connected to: channels, players, who
// speaks, and the own player. Every call of the client library has its operation
// here; results are 0 or an error code with its German text.
class World : public QObject {
    Q_OBJECT
public:
    static constexpr std::int32_t NotConnected = -1; // the speaker listing's own answer
    static constexpr std::int32_t ErrNotConnected = 2;
    static constexpr std::int32_t ErrNotFound = 3;
    static constexpr std::int32_t ErrBadUrl = 4;
    static constexpr std::int32_t ErrPassword = 5;
    static constexpr std::int32_t ErrPrivileges = 6;

    struct Channel {
        std::int32_t id = 0;
        std::int32_t parent = 0;
        std::int32_t flags = 0;
        std::int32_t codec = 5;
        QString name;
        QString password;
    };
    struct Player {
        std::int32_t id = 0;
        std::int32_t channel = 0;
        QString nickname;
        std::int32_t channelPrivileges = 0;
        std::int32_t privileges = 0;
        std::int32_t flags = 0;
    };
    struct Result {
        std::int32_t code = 0;
        QString error;
        bool ok() const { return code == 0; }
    };
    struct ConnectRequest {
        QString address, nickname, loginname, password, channel, channelPassword;
    };

    World();

    // The URL pieces, found by their keys in their fixed order.
    static std::optional<ConnectRequest> parseUrl(const QString& url);

    // Calls of the client library.
    Result connect(const QString& url);
    Result disconnect();
    Result userInfo(UserInfoRecord& out) const;
    Result playerInfo(std::int32_t id, PlayerInfoRecord& out) const;
    Result serverInfo(ServerInfoRecord& out) const;
    Result channels(std::vector<ChannelInfoRecord>& out, std::int32_t capacity) const;
    Result players(std::vector<PlayerInfoRecord>& out, std::int32_t capacity) const;
    Result speakers(std::vector<std::int32_t>& out, std::int32_t capacity) const;
    Result switchChannel(std::int32_t id, const QString& password);
    Result setFlags(std::int32_t flags);
    Result sendText(std::int32_t channel, const QString& text);
    Result kickFromChannel(std::int32_t id, const QString& reason);
    Result kickFromServer(std::int32_t id, const QString& reason);

    // What a person or a script does to the world.
    bool addChannel(const Channel& c);
    bool setChannelPassword(std::int32_t id, const QString& password);
    bool addPlayer(const Player& p);
    bool removePlayer(std::int32_t id);
    bool movePlayer(std::int32_t id, std::int32_t channel);
    bool setSpeaking(std::int32_t id, bool on);
    void setOwn(std::optional<std::int32_t> privileges,
                std::optional<std::int32_t> channelPrivileges, std::optional<std::int32_t> flags);

    bool isConnected() const { return m_connected; }
    std::int32_t ownId() const { return m_ownId; }

    // A slow client: every answer leaves this many milliseconds late.
    void setAnswerDelay(int ms) { m_answerDelayMs = ms; }
    int answerDelay() const { return m_answerDelayMs; }
    const std::vector<Channel>& channelList() const { return m_channels; }
    const std::vector<Player>& playerList() const { return m_players; }
    const std::vector<std::int32_t>& speakerList() const { return m_speaking; }
    std::int32_t defaultChannel() const;
    const Player* findPlayer(std::int32_t id) const;
    const Channel* findChannel(std::int32_t id) const;

Q_SIGNALS:
    void changed();

private:
    Player* player(std::int32_t id);
    std::int32_t playersIn(std::int32_t channel) const;
    Result notConnected() const {
        return {ErrNotConnected, QStringLiteral("Nicht mit einem Server verbunden")};
    }

    std::vector<Channel> m_channels;
    std::vector<Player> m_players; // the own player among them while connected
    std::vector<std::int32_t> m_speaking;
    bool m_connected = false;
    std::int32_t m_ownId = 0;
    int m_answerDelayMs = 0;
    std::int32_t m_nextOwnId = 100;
    QString m_serverAddress;
    // Bits set for the own player before it exists; they apply at the next connect.
    std::optional<std::int32_t> m_pendingPrivileges, m_pendingChannelPrivileges, m_pendingFlags;
};
