/* Test only: calls every function of a remote-control library in a fixed order and
 * prints each result, record (hex) and error text (hex). Built twice: for i386 to
 * call the fake client library directly, and natively to call our libTSRemote.so,
 * which reaches the same fake through tsremote-bridge. The two outputs must match.
 *   dump_calls LIBRARY            the whole sequence
 *   dump_calls LIBRARY hang       one kick (which the fake may hang in), then a read,
 *                                 each with its time in ms */
#define _POSIX_C_SOURCE 200809L
#include "tsremote.h"

#include <dlfcn.h>
#include <stdio.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

typedef struct {
    int32_t (*connect)(const char*);
    int32_t (*disconnect)(void);
    int32_t (*quit)(void);
    int32_t (*getLastError)(char*, int32_t);
    int32_t (*getUserInfo)(UserInfoRecord*);
    int32_t (*getPlayerInfoByID)(int32_t, PlayerInfoRecord*);
    int32_t (*getServerInfo)(ServerInfoRecord*);
    int32_t (*getChannels)(ChannelInfoRecord*, int32_t*);
    int32_t (*getPlayers)(PlayerInfoRecord*, int32_t*);
    int32_t (*getSpeakers)(int32_t*, int32_t*);
    int32_t (*switchChannelID)(int32_t, const char*);
    int32_t (*setPlayerFlags)(int32_t);
    int32_t (*sendText)(int32_t, const char*);
    int32_t (*kickFromChannel)(int32_t, const char*);
    int32_t (*kickFromServer)(int32_t, const char*);
} Api;

static void* handle;

static void* symbol(const char* name) {
    void* s = dlsym(handle, name);
    if (!s) {
        fprintf(stderr, "dump_calls: %s missing\n", name);
        _exit(3);
    }
    return s;
}

static Api api;

static void hex(const char* label, const void* data, size_t n) {
    const unsigned char* p = (const unsigned char*)data;
    printf("  %s", label);
    for (size_t i = 0; i < n; ++i)
        printf("%s%02x", i % 32 == 0 ? "\n    " : "", p[i]);
    printf("\n");
}

/* The result, and the error text when the call failed. */
static void result(const char* name, int32_t r) {
    printf("%s %d\n", name, (int)r);
    if (r != 0) {
        char text[TSR_ERROR_BUFFER];
        memset(text, 0, sizeof text);
        api.getLastError(text, (int32_t)sizeof text);
        hex("error", text, strnlen(text, sizeof text));
    }
}

static double nowMs(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    handle = dlopen(argv[1], RTLD_NOW);
    if (!handle) {
        fprintf(stderr, "dump_calls: %s\n", dlerror());
        return 3;
    }
    *(void**)&api.connect = symbol("tsrConnect");
    *(void**)&api.disconnect = symbol("tsrDisconnect");
    *(void**)&api.quit = symbol("tsrQuit");
    *(void**)&api.getLastError = symbol("tsrGetLastError");
    *(void**)&api.getUserInfo = symbol("tsrGetUserInfo");
    *(void**)&api.getPlayerInfoByID = symbol("tsrGetPlayerInfoByID");
    *(void**)&api.getServerInfo = symbol("tsrGetServerInfo");
    *(void**)&api.getChannels = symbol("tsrGetChannels");
    *(void**)&api.getPlayers = symbol("tsrGetPlayers");
    *(void**)&api.getSpeakers = symbol("tsrGetSpeakers");
    *(void**)&api.switchChannelID = symbol("tsrSwitchChannelID");
    *(void**)&api.setPlayerFlags = symbol("tsrSetPlayerFlags");
    *(void**)&api.sendText = symbol("tsrSendTextMessageToChannel");
    *(void**)&api.kickFromChannel = symbol("tsrKickPlayerFromChannel");
    *(void**)&api.kickFromServer = symbol("tsrKickPlayerFromServer");

    if (argc > 2 && strcmp(argv[2], "hang") == 0) {
        ServerInfoRecord s;
        double t = nowMs();
        result("tsrKickPlayerFromServer", api.kickFromServer(5, "Test"));
        printf("ms %.0f\n", nowMs() - t);
        t = nowMs();
        const int32_t r = api.getServerInfo(&s);
        printf("tsrGetServerInfo %d\nms %.0f\n", (int)r, nowMs() - t);
        return 0;
    }

    UserInfoRecord user;
    PlayerInfoRecord player;
    ServerInfoRecord server;
    static ChannelInfoRecord channels[TSR_MAX_RECORDS];
    static PlayerInfoRecord players[TSR_MAX_RECORDS];
    static int32_t speakers[TSR_MAX_RECORDS];
    int32_t count, r;

    result("tsrConnect",
           api.connect("teamspeak://funk.example:8767?nickname=DL0GW \xC4?password="));
    result("tsrConnect bad", api.connect("http://x"));
    memset(&user, 0xEE, sizeof user);
    r = api.getUserInfo(&user);
    result("tsrGetUserInfo", r);
    hex("record", &user, sizeof user);
    memset(&player, 0xEE, sizeof player);
    r = api.getPlayerInfoByID(7, &player);
    result("tsrGetPlayerInfoByID 7", r);
    hex("record", &player, sizeof player);
    r = api.getPlayerInfoByID(99, &player);
    result("tsrGetPlayerInfoByID 99", r);
    memset(&server, 0xEE, sizeof server);
    r = api.getServerInfo(&server);
    result("tsrGetServerInfo", r);
    hex("record", &server, sizeof server);
    count = TSR_MAX_RECORDS;
    r = api.getChannels(channels, &count);
    result("tsrGetChannels", r);
    printf("  count %d\n", (int)count);
    hex("records", channels, sizeof channels[0] * (size_t)(count > 0 ? count : 0));
    count = 2;
    r = api.getPlayers(players, &count);
    result("tsrGetPlayers 2", r);
    printf("  count %d\n", (int)count);
    hex("records", players, sizeof players[0] * (size_t)(count > 0 ? count : 0));
    count = TSR_MAX_RECORDS;
    r = api.getSpeakers(speakers, &count);
    result("tsrGetSpeakers", r);
    printf("  count %d\n", (int)count);
    hex("ids", speakers, sizeof speakers[0] * (size_t)(count > 0 ? count : 0));
    count = 0;
    result("tsrGetSpeakers 0", api.getSpeakers(speakers, &count));
    result("tsrSwitchChannelID 2", api.switchChannelID(2, "geheim"));
    result("tsrSwitchChannelID 2 falsch", api.switchChannelID(2, "falsch"));
    result("tsrSwitchChannelID 99", api.switchChannelID(99, ""));
    result("tsrSetPlayerFlags 16", api.setPlayerFlags(16));
    result("tsrSetPlayerFlags -1", api.setPlayerFlags(-1));
    result("tsrSendTextMessageToChannel", api.sendText(1, "Gr\xFC\xDF"
                                                          "e aus dem Funkraum"));
    result("tsrKickPlayerFromChannel 5", api.kickFromChannel(5, "Test"));
    result("tsrKickPlayerFromChannel 1", api.kickFromChannel(1, "Test"));
    result("tsrKickPlayerFromServer 5", api.kickFromServer(5, "Test"));
    result("tsrKickPlayerFromServer 1", api.kickFromServer(1, "Test"));
    result("tsrDisconnect", api.disconnect());
    result("tsrQuit", api.quit());
    return 0;
}
