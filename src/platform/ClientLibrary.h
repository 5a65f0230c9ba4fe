#pragma once

#include "tsremote.h"

namespace platform {

// Which voice client is behind the calls: it decides the form of the connect URL and
// the names the program shows.
enum class ClientKind { TeamSpeak2, Mumble };

// The client remote-control library as the program sees it. The real ones are
// TSRemoteLibrary (dlopen) and MumbleClient (D-Bus); tests hand in fakes.
class ClientLibrary {
public:
    virtual ~ClientLibrary() = default;

    virtual ClientKind kind() const { return ClientKind::TeamSpeak2; }

    virtual int32_t connect(const char* url) = 0;
    virtual int32_t disconnect() = 0;
    virtual int32_t quit() = 0;
    virtual int32_t getLastError(char* buffer, int32_t size) = 0;
    virtual int32_t getUserInfo(UserInfoRecord* record) = 0;
    virtual int32_t getPlayerInfoByID(int32_t playerId, PlayerInfoRecord* record) = 0;
    virtual int32_t getServerInfo(ServerInfoRecord* record) = 0;
    virtual int32_t getChannels(ChannelInfoRecord* records, int32_t* count) = 0;
    virtual int32_t getPlayers(PlayerInfoRecord* records, int32_t* count) = 0;
    virtual int32_t getSpeakers(int32_t* playerIds, int32_t* count) = 0;
    virtual int32_t switchChannelID(int32_t channelId, const char* channelPassword) = 0;
    virtual int32_t setPlayerFlags(int32_t flags) = 0;
    virtual int32_t sendTextMessageToChannel(int32_t channelId, const char* text) = 0;
    virtual int32_t kickPlayerFromChannel(int32_t playerId, const char* reason) = 0;
    virtual int32_t kickPlayerFromServer(int32_t playerId, const char* reason) = 0;

    // The calls between these two share budgetMs (a library without the extension
    // ignores them): a slow client then stalls one round of calls by that much at most.
    virtual void beginCallBudget(int32_t /*budgetMs*/) {}
    virtual void endCallBudget() {}
};

// One round of calls under a shared budget.
class CallBudget {
public:
    CallBudget(ClientLibrary& library, int32_t budgetMs) : m_library(library) {
        m_library.beginCallBudget(budgetMs);
    }
    ~CallBudget() { m_library.endCallBudget(); }
    CallBudget(const CallBudget&) = delete;
    CallBudget& operator=(const CallBudget&) = delete;

private:
    ClientLibrary& m_library;
};

} // namespace platform
