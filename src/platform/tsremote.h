/* The C interface of the client remote-control library (libTSRemote.so).
 * All records are packed and little-endian; integers are signed 32-bit,
 * texts fixed-width Windows-1252, NUL-padded. Every function returns 0 on success. */
#ifndef QUORVEX_TSREMOTE_H
#define QUORVEX_TSREMOTE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
#define TSR_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
extern "C" {
#else
#define TSR_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

#if defined(__i386__)
#define TSR_CALL __attribute__((cdecl))
#else
#define TSR_CALL
#endif

#define TSR_MAX_RECORDS 1024
#define TSR_ERROR_BUFFER 1024
#define TSR_NOT_RUNNING (-1000)
#define TSR_NOT_CONNECTED (-1)

#pragma pack(push, 1)

typedef struct PlayerInfoRecord {
    int32_t PlayerID;
    int32_t ChannelID;
    char NickName[30];
    int32_t PlayerChannelPrivileges;
    int32_t PlayerPrivileges;
    int32_t PlayerFlags;
} PlayerInfoRecord;

typedef struct ChannelInfoRecord {
    int32_t ChannelID;
    int32_t ChannelParentID;
    int32_t PlayerCountInChannel;
    int32_t ChannelFlags;
    int32_t Codec;
    char Name[30];
} ChannelInfoRecord;

typedef struct UserInfoRecord {
    PlayerInfoRecord Player;
    char Unread[100];
} UserInfoRecord;

typedef struct ServerInfoRecord {
    char ServerName[30];
    char WelcomeMessage[256];
    int32_t ServerVMajor;
    int32_t ServerVMinor;
    int32_t ServerVRelease;
    int32_t ServerVBuild;
    char ServerPlatform[30];
    char ServerIp[30];
    char ServerHost[100];
    int32_t ServerType;
    int32_t ServerMaxUsers;
    int32_t SupportedCodecs;
    int32_t ChannelCount;
    int32_t PlayerCount;
} ServerInfoRecord;

#pragma pack(pop)

TSR_STATIC_ASSERT(sizeof(PlayerInfoRecord) == 50, "PlayerInfoRecord size");
TSR_STATIC_ASSERT(offsetof(PlayerInfoRecord, ChannelID) == 4, "PlayerInfoRecord.ChannelID");
TSR_STATIC_ASSERT(offsetof(PlayerInfoRecord, NickName) == 8, "PlayerInfoRecord.NickName");
TSR_STATIC_ASSERT(offsetof(PlayerInfoRecord, PlayerChannelPrivileges) == 38,
                  "PlayerInfoRecord.PlayerChannelPrivileges");
TSR_STATIC_ASSERT(offsetof(PlayerInfoRecord, PlayerPrivileges) == 42,
                  "PlayerInfoRecord.PlayerPrivileges");
TSR_STATIC_ASSERT(offsetof(PlayerInfoRecord, PlayerFlags) == 46, "PlayerInfoRecord.PlayerFlags");

TSR_STATIC_ASSERT(sizeof(ChannelInfoRecord) == 50, "ChannelInfoRecord size");
TSR_STATIC_ASSERT(offsetof(ChannelInfoRecord, ChannelParentID) == 4,
                  "ChannelInfoRecord.ChannelParentID");
TSR_STATIC_ASSERT(offsetof(ChannelInfoRecord, PlayerCountInChannel) == 8,
                  "ChannelInfoRecord.PlayerCountInChannel");
TSR_STATIC_ASSERT(offsetof(ChannelInfoRecord, ChannelFlags) == 12,
                  "ChannelInfoRecord.ChannelFlags");
TSR_STATIC_ASSERT(offsetof(ChannelInfoRecord, Codec) == 16, "ChannelInfoRecord.Codec");
TSR_STATIC_ASSERT(offsetof(ChannelInfoRecord, Name) == 20, "ChannelInfoRecord.Name");

TSR_STATIC_ASSERT(sizeof(UserInfoRecord) == 150, "UserInfoRecord size");
TSR_STATIC_ASSERT(offsetof(UserInfoRecord, Unread) == 50, "UserInfoRecord.Unread");

TSR_STATIC_ASSERT(sizeof(ServerInfoRecord) == 482, "ServerInfoRecord size");
TSR_STATIC_ASSERT(offsetof(ServerInfoRecord, WelcomeMessage) == 30,
                  "ServerInfoRecord.WelcomeMessage");
TSR_STATIC_ASSERT(offsetof(ServerInfoRecord, ServerVMajor) == 286, "ServerInfoRecord.ServerVMajor");
TSR_STATIC_ASSERT(offsetof(ServerInfoRecord, ServerVMinor) == 290, "ServerInfoRecord.ServerVMinor");
TSR_STATIC_ASSERT(offsetof(ServerInfoRecord, ServerVRelease) == 294,
                  "ServerInfoRecord.ServerVRelease");
TSR_STATIC_ASSERT(offsetof(ServerInfoRecord, ServerVBuild) == 298, "ServerInfoRecord.ServerVBuild");
TSR_STATIC_ASSERT(offsetof(ServerInfoRecord, ServerPlatform) == 302,
                  "ServerInfoRecord.ServerPlatform");
TSR_STATIC_ASSERT(offsetof(ServerInfoRecord, ServerIp) == 332, "ServerInfoRecord.ServerIp");
TSR_STATIC_ASSERT(offsetof(ServerInfoRecord, ServerHost) == 362, "ServerInfoRecord.ServerHost");
TSR_STATIC_ASSERT(offsetof(ServerInfoRecord, ServerType) == 462, "ServerInfoRecord.ServerType");
TSR_STATIC_ASSERT(offsetof(ServerInfoRecord, ServerMaxUsers) == 466,
                  "ServerInfoRecord.ServerMaxUsers");
TSR_STATIC_ASSERT(offsetof(ServerInfoRecord, SupportedCodecs) == 470,
                  "ServerInfoRecord.SupportedCodecs");
TSR_STATIC_ASSERT(offsetof(ServerInfoRecord, ChannelCount) == 474, "ServerInfoRecord.ChannelCount");
TSR_STATIC_ASSERT(offsetof(ServerInfoRecord, PlayerCount) == 478, "ServerInfoRecord.PlayerCount");

/* The fifteen entry points, in the order the loader resolves them. */
int32_t TSR_CALL tsrConnect(const char* url);
int32_t TSR_CALL tsrDisconnect(void);
int32_t TSR_CALL tsrQuit(void);
int32_t TSR_CALL tsrGetLastError(char* buffer, int32_t size);
int32_t TSR_CALL tsrGetUserInfo(UserInfoRecord* record);
int32_t TSR_CALL tsrGetPlayerInfoByID(int32_t playerId, PlayerInfoRecord* record);
int32_t TSR_CALL tsrGetServerInfo(ServerInfoRecord* record);
int32_t TSR_CALL tsrGetChannels(ChannelInfoRecord* records, int32_t* count);
int32_t TSR_CALL tsrGetPlayers(PlayerInfoRecord* records, int32_t* count);
int32_t TSR_CALL tsrGetSpeakers(int32_t* playerIds, int32_t* count);
int32_t TSR_CALL tsrSwitchChannelID(int32_t channelId, const char* channelPassword);
int32_t TSR_CALL tsrSetPlayerFlags(int32_t flags);
int32_t TSR_CALL tsrSendTextMessageToChannel(int32_t channelId, const char* text);
int32_t TSR_CALL tsrKickPlayerFromChannel(int32_t playerId, const char* reason);
int32_t TSR_CALL tsrKickPlayerFromServer(int32_t playerId, const char* reason);

/* Extensions of our own socket library, absent from the client's original one, so a
 * caller resolves them optionally. The calls between the two share budgetMs: once it
 * is spent they fail at once as not answering, and after a "not running" they fail as
 * that without trying to reach the client again. */
void TSR_CALL tsrBeginCallBudget(int32_t budgetMs);
void TSR_CALL tsrEndCallBudget(void);

#ifdef __cplusplus
}
#endif

#endif /* QUORVEX_TSREMOTE_H */
