/* Test only: a stand-in for the real client's 32-bit remote-control library, built
 * from our interface header with -m32. It plays a fixed server (channels, players, a
 * speaker), fills every field of every record, uses Windows-1252 texts that fill their
 * fields without a closing NUL, and can log each call and hang in one of them:
 *   FAKE_CLIENT_LOG=file        appends one line per call
 *   FAKE_CLIENT_HANG=name:ms    that function sleeps ms before it returns
 *   FAKE_CLIENT_CHANNELS=n      the server has n channels (default 3) */
#define _POSIX_C_SOURCE 200809L
#include "tsremote.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#define EXPORT __attribute__((visibility("default")))

static char lastError[TSR_ERROR_BUFFER];

static void called(const char* name) {
    const char* log = getenv("FAKE_CLIENT_LOG");
    if (log && *log) {
        FILE* f = fopen(log, "a");
        if (f) {
            fprintf(f, "%s\n", name);
            fclose(f);
        }
    }
    const char* hang = getenv("FAKE_CLIENT_HANG");
    const size_t n = strlen(name);
    if (hang && strncmp(hang, name, n) == 0 && hang[n] == ':') {
        const long ms = atol(hang + n + 1);
        struct timespec t = {ms / 1000, (ms % 1000) * 1000000L};
        nanosleep(&t, NULL);
    }
}

static int32_t fail(int32_t code, const char* text) {
    /* Copied without its NUL when it fills the buffer: the caller bounds it. */
    strncpy(lastError, text, sizeof lastError);
    return code;
}

/* Fills a fixed text field completely: the text, then the pattern again, no NUL. */
static void fill(char* field, size_t size, const char* text) {
    const size_t n = strlen(text);
    for (size_t i = 0; i < size; ++i)
        field[i] = text[i % n];
}

static void player(PlayerInfoRecord* r, int32_t id) {
    r->PlayerID = id;
    r->ChannelID = 1 + id % 3;
    fill(r->NickName, sizeof r->NickName, id == 1 ? "DL0GW \xC4\xD6\xDC " : "Funker\xDF ");
    r->PlayerChannelPrivileges = 0x11 * id;
    r->PlayerPrivileges = 0x22 * id;
    r->PlayerFlags = 0x40 + id;
}

static int channelCount(void) {
    const char* n = getenv("FAKE_CLIENT_CHANNELS");
    const int c = n ? atoi(n) : 3;
    return c < 0 ? 0 : c;
}

EXPORT int32_t tsrConnect(const char* url) {
    called("tsrConnect");
    if (!url || strncmp(url, "teamspeak://", 12) != 0)
        return fail(-10, "Ung\xFCltige Adresse");
    return 0;
}
EXPORT int32_t tsrDisconnect(void) {
    called("tsrDisconnect");
    return 0;
}
EXPORT int32_t tsrQuit(void) {
    called("tsrQuit");
    return 0;
}
EXPORT int32_t tsrGetLastError(char* buffer, int32_t size) {
    called("tsrGetLastError");
    if (!buffer || size <= 0)
        return -1;
    memcpy(buffer, lastError, (size_t)size < sizeof lastError ? (size_t)size : sizeof lastError);
    return 0;
}
EXPORT int32_t tsrGetUserInfo(UserInfoRecord* record) {
    called("tsrGetUserInfo");
    player(&record->Player, 1);
    fill(record->Unread, sizeof record->Unread, "Unread\xB0");
    return 0;
}
EXPORT int32_t tsrGetPlayerInfoByID(int32_t id, PlayerInfoRecord* record) {
    called("tsrGetPlayerInfoByID");
    if (id < 1 || id > 7)
        return fail(-5, "Spieler nicht gefunden \xA7");
    player(record, id);
    return 0;
}
EXPORT int32_t tsrGetServerInfo(ServerInfoRecord* r) {
    called("tsrGetServerInfo");
    fill(r->ServerName, sizeof r->ServerName,
         "Funkserver S\xFC"
         "d ");
    fill(r->WelcomeMessage, sizeof r->WelcomeMessage,
         "Willkommen \xAB"
         "73\xBB ");
    r->ServerVMajor = 2;
    r->ServerVMinor = 0;
    r->ServerVRelease = 32;
    r->ServerVBuild = 60;
    fill(r->ServerPlatform, sizeof r->ServerPlatform, "Linux ");
    fill(r->ServerIp, sizeof r->ServerIp, "192.0.2.15 ");
    fill(r->ServerHost, sizeof r->ServerHost, "funk.quorvex.example ");
    r->ServerType = 0x1234;
    r->ServerMaxUsers = 32;
    r->SupportedCodecs = 0x7FF;
    r->ChannelCount = channelCount();
    r->PlayerCount = 4;
    return 0;
}
EXPORT int32_t tsrGetChannels(ChannelInfoRecord* records, int32_t* count) {
    called("tsrGetChannels");
    const int n = channelCount() < *count ? channelCount() : *count;
    for (int i = 0; i < n; ++i) {
        ChannelInfoRecord* c = &records[i];
        c->ChannelID = i + 1;
        c->ChannelParentID = i == 0 ? -1 : 1;
        c->PlayerCountInChannel = i < 3 ? 1 : 0;
        c->ChannelFlags = 0x0F & i;
        c->Codec = 0x0A;
        fill(c->Name, sizeof c->Name, i == 0 ? "Funkraum \xE4\xF6\xFC " : "Kanal ");
    }
    *count = n;
    return 0;
}
EXPORT int32_t tsrGetPlayers(PlayerInfoRecord* records, int32_t* count) {
    called("tsrGetPlayers");
    static const int32_t ids[] = {1, 2, 5, 7};
    int32_t n = 0;
    for (; n < 4 && n < *count; ++n)
        player(&records[n], ids[n]);
    /* A library that reports more than there was room for. */
    *count = getenv("FAKE_CLIENT_OVERCOUNT") ? 1000 : n;
    return 0;
}
EXPORT int32_t tsrGetSpeakers(int32_t* ids, int32_t* count) {
    called("tsrGetSpeakers");
    if (*count < 1)
        return fail(-6, "Kein Platz");
    ids[0] = 7; /* a foreign player speaks all the time */
    *count = 1;
    return 0;
}
EXPORT int32_t tsrSwitchChannelID(int32_t id, const char* password) {
    called("tsrSwitchChannelID");
    if (id < 1 || id > channelCount())
        return fail(-7, "Kanal existiert nicht");
    if (password && strcmp(password, "falsch") == 0)
        return fail(-8, "Falsches Kanalpa\xDFwort");
    return 0;
}
EXPORT int32_t tsrSetPlayerFlags(int32_t flags) {
    called("tsrSetPlayerFlags");
    return flags < 0 ? fail(-9, "Ung\xFCltige Flags") : 0;
}
EXPORT int32_t tsrSendTextMessageToChannel(int32_t id, const char* text) {
    called("tsrSendTextMessageToChannel");
    return id < 1 || !text ? fail(-7, "Kanal existiert nicht") : 0;
}
EXPORT int32_t tsrKickPlayerFromChannel(int32_t id, const char* reason) {
    called("tsrKickPlayerFromChannel");
    (void)reason;
    return id == 1 ? fail(-11, "Sich selbst kicken geht nicht") : 0;
}
#ifndef FAKE_WITHOUT_KICK_FROM_SERVER
EXPORT int32_t tsrKickPlayerFromServer(int32_t id, const char* reason) {
    called("tsrKickPlayerFromServer");
    (void)reason;
    return id == 1 ? fail(-11, "Sich selbst kicken geht nicht") : 0;
}
#endif
