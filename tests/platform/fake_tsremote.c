/* A stand-in libTSRemote.so for the loader's tests: fixed answers, nothing behind it. */
#include "tsremote.h"

#include <string.h>

int32_t tsrConnect(const char* url) {
    return url != NULL && url[0] == 't' ? 0 : 5;
}
int32_t tsrDisconnect(void) {
    return 0;
}
int32_t tsrQuit(void) {
    return 0;
}
int32_t tsrGetLastError(char* buffer, int32_t size) {
    strncpy(buffer, "fake: nothing to report", (size_t)size);
    return 0;
}
int32_t tsrGetUserInfo(UserInfoRecord* r) {
    r->Player.PlayerID = 42;
    return 0;
}
int32_t tsrGetPlayerInfoByID(int32_t id, PlayerInfoRecord* r) {
    r->PlayerID = id;
    return 0;
}
int32_t tsrGetServerInfo(ServerInfoRecord* r) {
    r->PlayerCount = 3;
    return 0;
}
int32_t tsrGetChannels(ChannelInfoRecord* r, int32_t* count) {
    (void)r;
    *count = 0;
    return 0;
}
int32_t tsrGetPlayers(PlayerInfoRecord* r, int32_t* count) {
    (void)r;
    *count = 0;
    return 0;
}
int32_t tsrGetSpeakers(int32_t* ids, int32_t* count) {
    ids[0] = 7;
    ids[1] = 9;
    *count = 2;
    return 0;
}
int32_t tsrSwitchChannelID(int32_t id, const char* pw) {
    (void)pw;
    return id == 1 ? 0 : 1;
}
int32_t tsrSetPlayerFlags(int32_t flags) {
    return flags >= 0 ? 0 : 1;
}
int32_t tsrSendTextMessageToChannel(int32_t id, const char* text) {
    (void)id;
    (void)text;
    return 0;
}
int32_t tsrKickPlayerFromChannel(int32_t id, const char* reason) {
    (void)id;
    (void)reason;
    return 0;
}
#ifndef FAKE_WITHOUT_KICK_FROM_SERVER
int32_t tsrKickPlayerFromServer(int32_t id, const char* reason) {
    (void)id;
    (void)reason;
    return 0;
}
#endif
