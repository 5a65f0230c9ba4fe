#include "TSRemoteLibrary.h"

#include "Windows1252.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cstring>
#include <dlfcn.h>

namespace platform {
namespace {

constexpr int32_t NotLoaded = -1;

template <typename Fn> bool bind(void* handle, const char* name, Fn& target, QString& why) {
    dlerror();
    void* p = dlsym(handle, name);
    if (p == nullptr) {
        why = QStringLiteral("Funktion %1 fehlt").arg(QString::fromLatin1(name));
        return false;
    }
    target = reinterpret_cast<Fn>(p);
    return true;
}

} // namespace

QStringList TSRemoteLibrary::candidates(const QString& explicitPath, const QString& programFolder) {
    QStringList list;
    if (!explicitPath.isEmpty())
        list << explicitPath;
    if (!programFolder.isEmpty()) {
        list << QDir(programFolder).filePath(QString::fromLatin1(FileName));
        // An installed program keeps its own copy apart from the system's libraries.
        list << QDir::cleanPath(
            QDir(programFolder).filePath(QStringLiteral("../" QUORVEX_PRIVATE_LIBDIR "/")) +
            QLatin1Char('/') + QString::fromLatin1(FileName));
    }
    list << QString::fromLatin1(FileName);
    return list;
}

TSRemoteLibrary::TSRemoteLibrary(const QStringList& candidates) {
    QStringList reasons;
    for (const QString& path : candidates) {
        QString why;
        if (tryLoad(path, why)) {
            m_loadedPath = path;
            return;
        }
        reasons << QStringLiteral("%1: %2").arg(path, why);
    }
    m_loadError = QStringLiteral("TeamSpeak-Schnittstelle %1 nicht geladen (%2)")
                      .arg(QString::fromLatin1(FileName), reasons.join(QStringLiteral("; ")));
}

TSRemoteLibrary::~TSRemoteLibrary() {
    if (m_handle != nullptr)
        dlclose(m_handle);
}

bool TSRemoteLibrary::tryLoad(const QString& path, QString& why) {
    // A bare file name goes to the system search; a path must exist, so dlopen
    // does not fall back to the search for a misspelt explicit path.
    const bool bare = !path.contains(QLatin1Char('/'));
    if (!bare && !QFile::exists(path)) {
        why = QStringLiteral("Datei nicht gefunden");
        return false;
    }
    void* handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        // The loader's own words are English; the reason shows in German dialogs.
        const QByteArray err = dlerror();
        why = err.contains("wrong ELF class")
                  ? QStringLiteral("andere Architektur (eine 32-Bit-Bibliothek braucht "
                                   "tsremote-bridge)")
              : err.contains("undefined symbol") || err.contains("cannot open shared object")
                  ? QStringLiteral("eine Abh\u00E4ngigkeit fehlt")
                  : QStringLiteral("keine ladbare Bibliothek");
        return false;
    }
    Symbols s;
    const bool ok = bind(handle, "tsrConnect", s.connect, why) &&
                    bind(handle, "tsrDisconnect", s.disconnect, why) &&
                    bind(handle, "tsrQuit", s.quit, why) &&
                    bind(handle, "tsrGetLastError", s.getLastError, why) &&
                    bind(handle, "tsrGetUserInfo", s.getUserInfo, why) &&
                    bind(handle, "tsrGetPlayerInfoByID", s.getPlayerInfoByID, why) &&
                    bind(handle, "tsrGetServerInfo", s.getServerInfo, why) &&
                    bind(handle, "tsrGetChannels", s.getChannels, why) &&
                    bind(handle, "tsrGetPlayers", s.getPlayers, why) &&
                    bind(handle, "tsrGetSpeakers", s.getSpeakers, why) &&
                    bind(handle, "tsrSwitchChannelID", s.switchChannelID, why) &&
                    bind(handle, "tsrSetPlayerFlags", s.setPlayerFlags, why) &&
                    bind(handle, "tsrSendTextMessageToChannel", s.sendTextMessageToChannel, why) &&
                    bind(handle, "tsrKickPlayerFromChannel", s.kickPlayerFromChannel, why) &&
                    bind(handle, "tsrKickPlayerFromServer", s.kickPlayerFromServer, why);
    if (!ok) {
        dlclose(handle);
        return false;
    }
    s.beginCallBudget =
        reinterpret_cast<decltype(s.beginCallBudget)>(dlsym(handle, "tsrBeginCallBudget"));
    s.endCallBudget =
        reinterpret_cast<decltype(s.endCallBudget)>(dlsym(handle, "tsrEndCallBudget"));
    if (s.beginCallBudget == nullptr || s.endCallBudget == nullptr) {
        s.beginCallBudget = nullptr;
        s.endCallBudget = nullptr;
    }
    m_handle = handle;
    m_sym = s;
    return true;
}

int32_t TSRemoteLibrary::connect(const char* url) {
    return m_handle ? m_sym.connect(url) : NotLoaded;
}

int32_t TSRemoteLibrary::disconnect() {
    return m_handle ? m_sym.disconnect() : NotLoaded;
}

int32_t TSRemoteLibrary::quit() {
    return m_handle ? m_sym.quit() : NotLoaded;
}

int32_t TSRemoteLibrary::getLastError(char* buffer, int32_t size) {
    if (m_handle)
        return m_sym.getLastError(buffer, size);
    if (buffer == nullptr || size <= 0)
        return NotLoaded;
    const std::string text = windows1252::encode(m_loadError);
    const size_t n = std::min(text.size(), static_cast<size_t>(size) - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return 0;
}

int32_t TSRemoteLibrary::getUserInfo(UserInfoRecord* record) {
    return m_handle ? m_sym.getUserInfo(record) : NotLoaded;
}

int32_t TSRemoteLibrary::getPlayerInfoByID(int32_t playerId, PlayerInfoRecord* record) {
    return m_handle ? m_sym.getPlayerInfoByID(playerId, record) : NotLoaded;
}

int32_t TSRemoteLibrary::getServerInfo(ServerInfoRecord* record) {
    return m_handle ? m_sym.getServerInfo(record) : NotLoaded;
}

int32_t TSRemoteLibrary::getChannels(ChannelInfoRecord* records, int32_t* count) {
    if (m_handle)
        return m_sym.getChannels(records, count);
    if (count != nullptr)
        *count = 0;
    return NotLoaded;
}

int32_t TSRemoteLibrary::getPlayers(PlayerInfoRecord* records, int32_t* count) {
    if (m_handle)
        return m_sym.getPlayers(records, count);
    if (count != nullptr)
        *count = 0;
    return NotLoaded;
}

int32_t TSRemoteLibrary::getSpeakers(int32_t* playerIds, int32_t* count) {
    if (m_handle)
        return m_sym.getSpeakers(playerIds, count);
    if (count != nullptr)
        *count = 0;
    return TSR_NOT_RUNNING;
}

int32_t TSRemoteLibrary::switchChannelID(int32_t channelId, const char* channelPassword) {
    return m_handle ? m_sym.switchChannelID(channelId, channelPassword) : NotLoaded;
}

int32_t TSRemoteLibrary::setPlayerFlags(int32_t flags) {
    return m_handle ? m_sym.setPlayerFlags(flags) : NotLoaded;
}

int32_t TSRemoteLibrary::sendTextMessageToChannel(int32_t channelId, const char* text) {
    return m_handle ? m_sym.sendTextMessageToChannel(channelId, text) : NotLoaded;
}

int32_t TSRemoteLibrary::kickPlayerFromChannel(int32_t playerId, const char* reason) {
    return m_handle ? m_sym.kickPlayerFromChannel(playerId, reason) : NotLoaded;
}

int32_t TSRemoteLibrary::kickPlayerFromServer(int32_t playerId, const char* reason) {
    return m_handle ? m_sym.kickPlayerFromServer(playerId, reason) : NotLoaded;
}

void TSRemoteLibrary::beginCallBudget(int32_t budgetMs) {
    if (m_sym.beginCallBudget != nullptr)
        m_sym.beginCallBudget(budgetMs);
}

void TSRemoteLibrary::endCallBudget() {
    if (m_sym.endCallBudget != nullptr)
        m_sym.endCallBudget();
}

} // namespace platform
