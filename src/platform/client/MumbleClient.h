#pragma once

#include "ClientLibrary.h"
#include "MumbleUrl.h"

#include <QDBusConnection>
#include <QStringList>
#include <QVariant>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// The Mumble client reached over the session D-Bus, behind the same calls as the
// TeamSpeak library. Mumble names the users it plays and tells its own URL and mute
// state; ids are handed out here (1 is ourselves). What Mumble does not offer (user
// and channel lists, counts, away, kicks, messages, channel commander, whisper block,
// disconnect, quit) fails with a German reason. Every call waits a bounded time: a
// client that does not answer costs one wait, then the calls fail at once for a second.
class MumbleClient final : public ClientLibrary {
public:
    static constexpr const char* Service = "net.sourceforge.mumble.mumble";
    static constexpr const char* Interface = "net.sourceforge.mumble.Mumble";
    static constexpr std::int32_t OwnId = 1;
    static constexpr std::int32_t NotOffered = -20;
    static constexpr std::int32_t NoAnswer = -21;
    // What is used of an answer at most.
    static constexpr qsizetype MaxUrlLength = 2048;
    static constexpr qsizetype MaxTalkers = 100;
    static constexpr qsizetype MaxNameLength = 128;
    static constexpr std::chrono::milliseconds OversizedPause{1000};

    // Without a bus: the session's, reached only once Mumble is the chosen client.
    explicit MumbleClient(std::optional<QDBusConnection> bus = std::nullopt, int timeoutMs = 200);

    ClientKind kind() const override { return ClientKind::Mumble; }
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
    using Clock = std::chrono::steady_clock;
    enum class Reach { Answered, NotConnected, NotRunning, NoAnswer, Failed };
    // What one round of calls reads once.
    struct Snapshot {
        Reach reach = Reach::NotRunning;
        mumble::CurrentUrl url;
        QStringList talkers;
        bool muted = false;
        bool deaf = false;
    };

    Reach call(const char* method, const QVariantList& arguments = {}, QVariant* result = nullptr);
    const Snapshot& snapshot();
    int32_t failFor(Reach reach);
    int32_t fail(int32_t code, const QString& text);
    int32_t notOffered(const QString& what);
    int32_t idOf(const QString& name);
    void fillPlayer(PlayerInfoRecord& record, int32_t id, const QString& name) const;

    std::optional<QDBusConnection> m_bus;
    int m_timeoutMs;
    std::optional<Clock::time_point> m_deadline; // of the current round of calls
    Clock::time_point m_quietUntil{};            // after a call went unanswered
    std::optional<Snapshot> m_snapshot;          // only within a round
    // After an answer beyond the caps the client is read once a second: receiving such an
    // answer costs the tick tens of milliseconds, whatever of it is used.
    Snapshot m_lastOversized;
    Clock::time_point m_oversizedUntil{};
    bool m_toldOversized = false;
    std::map<QString, int32_t> m_ids;
    std::vector<QString> m_names; // by id - 2
    std::string m_lastError;      // in the code page, as the library's texts are
};

} // namespace platform
