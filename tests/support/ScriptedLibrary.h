#pragma once

#include "ClientLibrary.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

// A client library whose answers a test sets field by field; it records what it was
// asked. Failed calls leave the caller's records untouched, as a real library does.
class ScriptedLibrary : public platform::ClientLibrary {
public:
    std::vector<std::string> calls;
    std::int32_t result = 0; // result of every call but those below
    std::int32_t userInfoResult = 0;
    std::int32_t speakersResult = 0;
    std::string error = "Fehler";
    PlayerInfoRecord own{};
    ServerInfoRecord server{};
    std::vector<ChannelInfoRecord> channels;
    std::vector<PlayerInfoRecord> players;
    std::vector<std::int32_t> speaking;
    std::int32_t reportedCount = -1; // when >= 0, the count the listings report
    bool writeOnFailure = false;     // a failing listing still writes its records
    std::int32_t setFlags = 0;
    std::string lastText;
    platform::ClientKind kindIs = platform::ClientKind::TeamSpeak2;

    platform::ClientKind kind() const override { return kindIs; }

    int32_t connect(const char* url) override { return log("connect", url); }
    int32_t disconnect() override { return log("disconnect"); }
    int32_t quit() override { return log("quit"); }
    int32_t getLastError(char* buffer, int32_t size) override {
        calls.push_back("getLastError");
        std::memset(buffer, 0, static_cast<size_t>(size));
        std::memcpy(buffer, error.data(), std::min(error.size(), static_cast<size_t>(size)));
        return 0;
    }
    int32_t getUserInfo(UserInfoRecord* r) override {
        calls.push_back("getUserInfo");
        if (userInfoResult == 0)
            r->Player = own;
        return userInfoResult;
    }
    int32_t getPlayerInfoByID(int32_t id, PlayerInfoRecord* r) override {
        calls.push_back("getPlayerInfoByID " + std::to_string(id));
        for (const auto& p : players) {
            if (p.PlayerID == id) {
                *r = p;
                return 0;
            }
        }
        return 3;
    }
    int32_t getServerInfo(ServerInfoRecord* r) override {
        calls.push_back("getServerInfo");
        *r = server;
        return result;
    }
    int32_t getChannels(ChannelInfoRecord* r, int32_t* count) override {
        return list("getChannels", channels, r, count);
    }
    int32_t getPlayers(PlayerInfoRecord* r, int32_t* count) override {
        return list("getPlayers", players, r, count);
    }
    int32_t getSpeakers(int32_t* ids, int32_t* count) override {
        calls.push_back("getSpeakers " + std::to_string(*count));
        if (speakersResult != 0)
            return speakersResult;
        std::copy_n(speaking.begin(), speaking.size(), ids);
        *count = reportedCount >= 0 ? reportedCount : static_cast<int32_t>(speaking.size());
        return 0;
    }
    int32_t switchChannelID(int32_t id, const char* pw) override {
        return log("switchChannelID " + std::to_string(id), pw);
    }
    int32_t setPlayerFlags(int32_t flags) override {
        setFlags = flags;
        return log("setPlayerFlags " + std::to_string(flags));
    }
    int32_t sendTextMessageToChannel(int32_t id, const char* text) override {
        return log("sendText " + std::to_string(id), text);
    }
    int32_t kickPlayerFromChannel(int32_t id, const char* reason) override {
        return log("kickFromChannel " + std::to_string(id), reason);
    }
    int32_t kickPlayerFromServer(int32_t id, const char* reason) override {
        return log("kickFromServer " + std::to_string(id), reason);
    }

private:
    int32_t log(const std::string& call, const char* text = nullptr) {
        calls.push_back(call);
        if (text != nullptr)
            lastText = text;
        return result;
    }
    template <typename R>
    int32_t list(const char* name, const std::vector<R>& src, R* out, int32_t* count) {
        calls.push_back(std::string(name) + " " + std::to_string(*count));
        if (result != 0) {
            // A sloppy library: records written, none reported, and a failure.
            if (writeOnFailure)
                std::copy_n(src.begin(), std::min(src.size(), static_cast<size_t>(*count)), out);
            *count = 0;
            return result;
        }
        const size_t n = std::min(src.size(), static_cast<size_t>(*count));
        std::copy_n(src.begin(), n, out);
        *count = reportedCount >= 0 ? reportedCount : static_cast<int32_t>(n);
        return 0;
    }
};

inline PlayerInfoRecord playerRecord(int32_t id, int32_t channel, const char* nick,
                                     int32_t chPriv = 0, int32_t priv = 0, int32_t flags = 0) {
    PlayerInfoRecord r{};
    r.PlayerID = id;
    r.ChannelID = channel;
    std::strncpy(r.NickName, nick, sizeof r.NickName);
    r.PlayerChannelPrivileges = chPriv;
    r.PlayerPrivileges = priv;
    r.PlayerFlags = flags;
    return r;
}
