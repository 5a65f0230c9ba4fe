#include "ClientApi.h"

#include <dlfcn.h>

namespace bridge {

std::vector<std::string> candidatePaths(const std::string& explicitPath,
                                        const std::string& environmentPath,
                                        const std::string& home) {
    std::vector<std::string> paths;
    if (!explicitPath.empty())
        paths.push_back(explicitPath);
    if (!environmentPath.empty())
        paths.push_back(environmentPath);
    std::vector<std::string> folders{"/usr/local/lib/teamspeak2/client_sdk/",
                                     "/opt/teamspeak2/client_sdk/"};
    if (!home.empty())
        folders.push_back(home + "/teamspeak2/client_sdk/");
    for (const std::string& folder : folders) {
        paths.push_back(folder + "libTSRemote.so.0.4");
        paths.push_back(folder + "libTSRemote.so");
    }
    return paths;
}

namespace {

template <typename F> bool resolve(void* handle, const char* name, F& out, std::string& missing) {
    out = reinterpret_cast<F>(dlsym(handle, name));
    if (!out)
        missing += std::string(missing.empty() ? "" : ", ") + name;
    return out != nullptr;
}

bool resolveAll(void* h, ClientApi& a, std::string& missing) {
    bool ok = true;
    ok &= resolve(h, "tsrConnect", a.connect, missing);
    ok &= resolve(h, "tsrDisconnect", a.disconnect, missing);
    ok &= resolve(h, "tsrQuit", a.quit, missing);
    ok &= resolve(h, "tsrGetLastError", a.getLastError, missing);
    ok &= resolve(h, "tsrGetUserInfo", a.getUserInfo, missing);
    ok &= resolve(h, "tsrGetPlayerInfoByID", a.getPlayerInfoByID, missing);
    ok &= resolve(h, "tsrGetServerInfo", a.getServerInfo, missing);
    ok &= resolve(h, "tsrGetChannels", a.getChannels, missing);
    ok &= resolve(h, "tsrGetPlayers", a.getPlayers, missing);
    ok &= resolve(h, "tsrGetSpeakers", a.getSpeakers, missing);
    ok &= resolve(h, "tsrSwitchChannelID", a.switchChannelID, missing);
    ok &= resolve(h, "tsrSetPlayerFlags", a.setPlayerFlags, missing);
    ok &= resolve(h, "tsrSendTextMessageToChannel", a.sendTextMessageToChannel, missing);
    ok &= resolve(h, "tsrKickPlayerFromChannel", a.kickPlayerFromChannel, missing);
    ok &= resolve(h, "tsrKickPlayerFromServer", a.kickPlayerFromServer, missing);
    return ok;
}

} // namespace

bool loadClientLibrary(const std::vector<std::string>& candidates, ClientApi& api,
                       std::string& loadedPath, std::string& why) {
    for (const std::string& path : candidates) {
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char* e = dlerror();
            why += "  " + path + ": " + (e ? e : "cannot be loaded") + "\n";
            continue;
        }
        std::string missing;
        if (!resolveAll(handle, api, missing)) {
            why += "  " + path + ": missing " + missing + "\n";
            dlclose(handle);
            api = ClientApi{};
            continue;
        }
        loadedPath = path;
        return true;
    }
    return false;
}

} // namespace bridge
