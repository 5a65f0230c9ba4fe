#include "MumbleClient.h"

#include "Windows1252.h"

#include <QDBusMessage>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace platform {
namespace {

// The client's names of its failures.
const QString ConnectionError = QStringLiteral("net.sourceforge.mumble.Error.connection");
const QString ServiceUnknown = QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown");
const QString NameHasNoOwner = QStringLiteral("org.freedesktop.DBus.Error.NameHasNoOwner");
const QString NoReply = QStringLiteral("org.freedesktop.DBus.Error.NoReply");
const QString Timeout = QStringLiteral("org.freedesktop.DBus.Error.Timeout");

constexpr std::int32_t OwnChannelId = 1;
constexpr std::int32_t MicMuteBit = 16;
constexpr std::int32_t SoundMuteBit = 32;
constexpr std::int32_t OtherFlagBits = 1 | 4 | 8; // commander, no whisper, away
constexpr std::size_t MostNamesKept = 1000;
constexpr auto QuietAfterNoAnswer = std::chrono::seconds(1);

// A text into a fixed field, in the code page, always terminated.
template <std::size_t N> void copyField(char (&field)[N], const QString& text) {
    const std::string bytes = windows1252::encode(text);
    std::memset(field, 0, N);
    std::memcpy(field, bytes.data(), std::min(bytes.size(), N - 1));
}

} // namespace

MumbleClient::MumbleClient(std::optional<QDBusConnection> bus, int timeoutMs)
    : m_bus(std::move(bus)), m_timeoutMs(timeoutMs) {}

MumbleClient::Reach MumbleClient::call(const char* method, const QVariantList& arguments,
                                       QVariant* result) {
    const auto now = Clock::now();
    if (now < m_quietUntil)
        return Reach::NoAnswer;
    int timeout = m_timeoutMs;
    if (m_deadline) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(*m_deadline - now).count();
        if (left <= 0)
            return Reach::NoAnswer;
        timeout = static_cast<int>(std::min<std::int64_t>(timeout, left));
    }
    if (!m_bus)
        m_bus = QDBusConnection::sessionBus();
    if (!m_bus->isConnected())
        return Reach::NotRunning;
    QDBusMessage message =
        QDBusMessage::createMethodCall(QLatin1String(Service), QStringLiteral("/"),
                                       QLatin1String(Interface), QLatin1String(method));
    message.setArguments(arguments);
    const QDBusMessage reply = m_bus->call(message, QDBus::Block, timeout);
    if (reply.type() == QDBusMessage::ReplyMessage) {
        if (result)
            *result = reply.arguments().value(0);
        return Reach::Answered;
    }
    const QString name = reply.errorName();
    if (name == ServiceUnknown || name == NameHasNoOwner)
        return Reach::NotRunning;
    if (name == ConnectionError)
        return Reach::NotConnected;
    if (name == NoReply || name == Timeout) {
        m_quietUntil = Clock::now() + QuietAfterNoAnswer;
        return Reach::NoAnswer;
    }
    m_lastError = windows1252::encode(QStringLiteral("Mumble: ") + reply.errorMessage());
    return Reach::Failed;
}

const MumbleClient::Snapshot& MumbleClient::snapshot() {
    if (m_snapshot && m_deadline)
        return *m_snapshot;
    if (Clock::now() < m_oversizedUntil) {
        m_snapshot = m_lastOversized;
        return *m_snapshot;
    }
    Snapshot s;
    bool oversized = false;
    QVariant url;
    s.reach = call("getCurrentUrl", {}, &url);
    if (s.reach == Reach::Answered) {
        // Only so much of an answer is used: a client that answers with a megabyte must
        // not take the tick (a URL, a name and a count of talkers no server gives).
        const QString urlText = url.toString();
        oversized = urlText.size() > MaxUrlLength;
        const auto parsed = oversized ? std::nullopt : mumble::parseCurrentUrl(urlText);
        if (parsed)
            s.url = *parsed;
        QVariant talkers, muted, deaf;
        Reach r = call("getTalkingUsers", {}, &talkers);
        if (r == Reach::Answered)
            r = call("isSelfMuted", {}, &muted);
        if (r == Reach::Answered)
            r = call("isSelfDeaf", {}, &deaf);
        s.reach = r;
        const QStringList named = talkers.toStringList();
        for (qsizetype i = 0; i < std::min<qsizetype>(named.size(), MaxTalkers); ++i) {
            oversized = oversized || named[i].size() > MaxNameLength;
            s.talkers << named[i].left(MaxNameLength);
        }
        oversized = oversized || named.size() > MaxTalkers;
        s.muted = muted.toBool();
        s.deaf = deaf.toBool();
    }
    if (oversized) {
        m_lastOversized = s;
        m_oversizedUntil = Clock::now() + OversizedPause;
        if (!std::exchange(m_toldOversized, true))
            std::fprintf(stderr, "quorvex: Mumble antwortet mit \u00FCbergro\u00DFen Daten; "
                                 "nur noch einmal je Sekunde gelesen\n");
    }
    m_snapshot = s;
    return *m_snapshot;
}

int32_t MumbleClient::fail(int32_t code, const QString& text) {
    m_lastError = windows1252::encode(text);
    return code;
}

int32_t MumbleClient::failFor(Reach reach) {
    switch (reach) {
    case Reach::Answered:
        return 0;
    case Reach::NotRunning:
        return fail(TSR_NOT_RUNNING,
                    QStringLiteral("Mumble l\u00E4uft nicht (nicht am D-Bus der Sitzung)"));
    case Reach::NotConnected:
        return fail(TSR_NOT_CONNECTED, QStringLiteral("Mumble ist mit keinem Server verbunden"));
    case Reach::NoAnswer:
        return fail(NoAnswer, QStringLiteral("Mumble antwortet nicht"));
    case Reach::Failed:
        break;
    }
    return -1; // the text came with the reply
}

int32_t MumbleClient::notOffered(const QString& what) {
    return fail(NotOffered, QStringLiteral("Mit Mumble nicht verf\u00FCgbar: ") + what);
}

int32_t MumbleClient::idOf(const QString& name) {
    if (const auto found = m_ids.find(name); found != m_ids.end())
        return found->second;
    if (m_names.size() >= MostNamesKept) {
        m_ids.clear();
        m_names.clear();
    }
    m_names.push_back(name);
    const auto id = static_cast<int32_t>(m_names.size()) + OwnId;
    m_ids.emplace(name, id);
    return id;
}

void MumbleClient::fillPlayer(PlayerInfoRecord& record, int32_t id, const QString& name) const {
    record = PlayerInfoRecord{};
    record.PlayerID = id;
    record.ChannelID = OwnChannelId;
    copyField(record.NickName, name);
}

void MumbleClient::beginCallBudget(int32_t budgetMs) {
    m_deadline = Clock::now() + std::chrono::milliseconds(budgetMs);
    m_snapshot.reset();
}

void MumbleClient::endCallBudget() {
    m_deadline.reset();
    m_snapshot.reset();
}

int32_t MumbleClient::connect(const char* url) {
    if (url == nullptr)
        return fail(-1, QStringLiteral("Keine Adresse"));
    return failFor(call("openUrl", {QString::fromUtf8(url)}));
}

int32_t MumbleClient::disconnect() {
    return notOffered(QStringLiteral("Trennen"));
}

int32_t MumbleClient::quit() {
    return notOffered(QStringLiteral("Client beenden"));
}

int32_t MumbleClient::getLastError(char* buffer, int32_t size) {
    if (buffer == nullptr || size <= 0)
        return -1;
    const auto n = std::min(m_lastError.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(buffer, m_lastError.data(), n);
    buffer[n] = '\0';
    return 0;
}

int32_t MumbleClient::getUserInfo(UserInfoRecord* record) {
    const Snapshot& s = snapshot();
    if (s.reach != Reach::Answered)
        return failFor(s.reach);
    *record = UserInfoRecord{};
    fillPlayer(record->Player, OwnId, s.url.user);
    record->Player.PlayerFlags = (s.muted ? MicMuteBit : 0) | (s.deaf ? SoundMuteBit : 0);
    return 0;
}

int32_t MumbleClient::getPlayerInfoByID(int32_t playerId, PlayerInfoRecord* record) {
    const Snapshot& s = snapshot();
    if (s.reach != Reach::Answered)
        return failFor(s.reach);
    if (playerId == OwnId) {
        fillPlayer(*record, OwnId, s.url.user);
        return 0;
    }
    const auto index = static_cast<std::size_t>(playerId - OwnId - 1);
    if (playerId <= OwnId || index >= m_names.size())
        return fail(-5, QStringLiteral("Mumble kennt keinen Teilnehmer %1").arg(playerId));
    fillPlayer(*record, playerId, m_names[index]);
    return 0;
}

int32_t MumbleClient::getServerInfo(ServerInfoRecord* record) {
    const Snapshot& s = snapshot();
    if (s.reach != Reach::Answered)
        return failFor(s.reach);
    *record = ServerInfoRecord{};
    copyField(record->ServerName, s.url.host);
    copyField(record->ServerHost, s.url.host);
    copyField(record->ServerPlatform, QStringLiteral("Mumble"));
    record->ChannelCount = 1;
    record->PlayerCount = -1; // Mumble does not tell: unknown, never a made-up number
    return 0;
}

int32_t MumbleClient::getChannels(ChannelInfoRecord* records, int32_t* count) {
    const Snapshot& s = snapshot();
    if (s.reach != Reach::Answered) {
        *count = 0;
        return failFor(s.reach);
    }
    if (*count < 1)
        return fail(-6, QStringLiteral("Kein Platz"));
    records[0] = ChannelInfoRecord{};
    records[0].ChannelID = OwnChannelId;
    records[0].ChannelParentID = -1;
    records[0].PlayerCountInChannel = -1;
    copyField(records[0].Name,
              s.url.channelPath.isEmpty() ? QStringLiteral("Root") : s.url.channelPath.last());
    *count = 1;
    return 0;
}

int32_t MumbleClient::getPlayers(PlayerInfoRecord*, int32_t* count) {
    *count = 0;
    return notOffered(QStringLiteral("Liste der Teilnehmer"));
}

int32_t MumbleClient::getSpeakers(int32_t* playerIds, int32_t* count) {
    const Snapshot& s = snapshot();
    if (s.reach != Reach::Answered) {
        *count = 0;
        return failFor(s.reach);
    }
    // Others first: the program takes the first speaker it finds, and only another's
    // voice keys the transmitter.
    int32_t n = 0;
    bool ownVoice = false;
    for (const QString& name : s.talkers) {
        if (name == s.url.user)
            ownVoice = true;
        else if (n < *count)
            playerIds[n++] = idOf(name);
    }
    if (ownVoice && n < *count)
        playerIds[n++] = OwnId;
    *count = n;
    return 0;
}

int32_t MumbleClient::switchChannelID(int32_t, const char*) {
    return notOffered(QStringLiteral("Channel wechseln"));
}

int32_t MumbleClient::setPlayerFlags(int32_t flags) {
    const Snapshot s = snapshot();
    if (s.reach != Reach::Answered)
        return failFor(s.reach);
    const bool mute = flags & MicMuteBit;
    const bool deaf = flags & SoundMuteBit;
    Reach r = Reach::Answered;
    if (mute != s.muted)
        r = call("setSelfMuted", {mute});
    if (r == Reach::Answered && deaf != s.deaf)
        r = call("setSelfDeaf", {deaf});
    if (r != Reach::Answered)
        return failFor(r);
    if (m_snapshot) {
        m_snapshot->muted = mute;
        m_snapshot->deaf = deaf;
    }
    if (flags & OtherFlagBits)
        return notOffered(QStringLiteral("Abwesend, Channel Commander und Fl\u00FCstersperre"));
    return 0;
}

int32_t MumbleClient::sendTextMessageToChannel(int32_t, const char*) {
    return notOffered(QStringLiteral("Nachricht an den Channel"));
}

int32_t MumbleClient::kickPlayerFromChannel(int32_t, const char*) {
    return notOffered(QStringLiteral("Kick"));
}

int32_t MumbleClient::kickPlayerFromServer(int32_t, const char*) {
    return notOffered(QStringLiteral("Kick"));
}

} // namespace platform
