#pragma once

// The fifteen functions of a client remote-control library, resolved from a handle.
#include "tsremote.h"

#include <string>
#include <vector>

namespace bridge {

struct ClientApi {
    decltype(&tsrConnect) connect = nullptr;
    decltype(&tsrDisconnect) disconnect = nullptr;
    decltype(&tsrQuit) quit = nullptr;
    decltype(&tsrGetLastError) getLastError = nullptr;
    decltype(&tsrGetUserInfo) getUserInfo = nullptr;
    decltype(&tsrGetPlayerInfoByID) getPlayerInfoByID = nullptr;
    decltype(&tsrGetServerInfo) getServerInfo = nullptr;
    decltype(&tsrGetChannels) getChannels = nullptr;
    decltype(&tsrGetPlayers) getPlayers = nullptr;
    decltype(&tsrGetSpeakers) getSpeakers = nullptr;
    decltype(&tsrSwitchChannelID) switchChannelID = nullptr;
    decltype(&tsrSetPlayerFlags) setPlayerFlags = nullptr;
    decltype(&tsrSendTextMessageToChannel) sendTextMessageToChannel = nullptr;
    decltype(&tsrKickPlayerFromChannel) kickPlayerFromChannel = nullptr;
    decltype(&tsrKickPlayerFromServer) kickPlayerFromServer = nullptr;
};

// Where the client keeps its library: the explicit path, the environment variable,
// then the usual install folders, each with the versioned name first.
std::vector<std::string> candidatePaths(const std::string& explicitPath,
                                        const std::string& environmentPath,
                                        const std::string& home);

// Loads the first candidate that has all fifteen functions. On failure, why names
// every path tried and what went wrong with it.
bool loadClientLibrary(const std::vector<std::string>& candidates, ClientApi& api,
                       std::string& loadedPath, std::string& why);

} // namespace bridge
