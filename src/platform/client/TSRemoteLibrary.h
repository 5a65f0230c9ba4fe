#pragma once

#include "ClientLibrary.h"

#include <QString>
#include <QStringList>

namespace platform {

// libTSRemote.so bound at run time. When no usable library is found every call
// behaves as if the client were not running, and the reason is the error text.
class TSRemoteLibrary final : public ClientLibrary {
public:
    // Environment variable naming an explicit library file, tried first.
    static constexpr const char* PathVariable = "QUORVEX_TSREMOTE";
    static constexpr const char* FileName = "libTSRemote.so";

    // The places tried, in order: the explicit path, the program's folder,
    // the system library path (a bare file name for dlopen).
    static QStringList candidates(const QString& explicitPath, const QString& programFolder);

    explicit TSRemoteLibrary(const QStringList& candidates);
    ~TSRemoteLibrary() override;
    TSRemoteLibrary(const TSRemoteLibrary&) = delete;
    TSRemoteLibrary& operator=(const TSRemoteLibrary&) = delete;

    bool isLoaded() const { return m_handle != nullptr; }
    QString loadedPath() const { return m_loadedPath; }
    // Why no library could be bound (German, for LastTSError); empty when loaded.
    QString loadError() const { return m_loadError; }

    int32_t connect(const char* url) override;
    int32_t disconnect() override;
    int32_t quit() override;
    int32_t getLastError(char* buffer, int32_t size) override;
    int32_t getUserInfo(UserInfoRecord* record) override;
    int32_t getPlayerInfoByID(int32_t playerId, PlayerInfoRecord* record) override;
    int32_t getServerInfo(ServerInfoRecord* record) override;
    int32_t getChannels(ChannelInfoRecord* records, int32_t* count) override;
    int32_t getPlayers(PlayerInfoRecord* records, int32_t* count) override;
    int32_t getSpeakers(int32_t* playerIds, int32_t* count) override;
    int32_t switchChannelID(int32_t channelId, const char* channelPassword) override;
    int32_t setPlayerFlags(int32_t flags) override;
    int32_t sendTextMessageToChannel(int32_t channelId, const char* text) override;
    int32_t kickPlayerFromChannel(int32_t playerId, const char* reason) override;
    int32_t kickPlayerFromServer(int32_t playerId, const char* reason) override;
    void beginCallBudget(int32_t budgetMs) override;
    void endCallBudget() override;

private:
    struct Symbols {
        decltype(&::tsrConnect) connect = nullptr;
        decltype(&::tsrDisconnect) disconnect = nullptr;
        decltype(&::tsrQuit) quit = nullptr;
        decltype(&::tsrGetLastError) getLastError = nullptr;
        decltype(&::tsrGetUserInfo) getUserInfo = nullptr;
        decltype(&::tsrGetPlayerInfoByID) getPlayerInfoByID = nullptr;
        decltype(&::tsrGetServerInfo) getServerInfo = nullptr;
        decltype(&::tsrGetChannels) getChannels = nullptr;
        decltype(&::tsrGetPlayers) getPlayers = nullptr;
        decltype(&::tsrGetSpeakers) getSpeakers = nullptr;
        decltype(&::tsrSwitchChannelID) switchChannelID = nullptr;
        decltype(&::tsrSetPlayerFlags) setPlayerFlags = nullptr;
        decltype(&::tsrSendTextMessageToChannel) sendTextMessageToChannel = nullptr;
        decltype(&::tsrKickPlayerFromChannel) kickPlayerFromChannel = nullptr;
        decltype(&::tsrKickPlayerFromServer) kickPlayerFromServer = nullptr;
        // Optional: only our own library has them.
        decltype(&::tsrBeginCallBudget) beginCallBudget = nullptr;
        decltype(&::tsrEndCallBudget) endCallBudget = nullptr;
    };

    bool tryLoad(const QString& path, QString& why);

    void* m_handle = nullptr;
    Symbols m_sym;
    QString m_loadedPath;
    QString m_loadError;
};

} // namespace platform
