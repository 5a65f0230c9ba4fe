#include "World.h"

#include "Windows1252.h"

#include <algorithm>
#include <cstring>

namespace {

// A NUL-padded text field; one byte always stays for the terminating NUL.
template <std::size_t N> void putText(char (&field)[N], const QString& text) {
    const std::string bytes = platform::windows1252::encode(text);
    std::memset(field, 0, N);
    std::memcpy(field, bytes.data(), std::min(bytes.size(), N - 1));
}

PlayerInfoRecord toRecord(const World::Player& p) {
    PlayerInfoRecord r{};
    r.PlayerID = p.id;
    r.ChannelID = p.channel;
    putText(r.NickName, p.nickname);
    r.PlayerChannelPrivileges = p.channelPrivileges;
    r.PlayerPrivileges = p.privileges;
    r.PlayerFlags = p.flags;
    return r;
}

constexpr std::int32_t Registered = 8;
constexpr std::int32_t Unregistered = 16;
constexpr std::int32_t ServerAdminBits = 1 | 2;
constexpr std::int32_t ChannelAdminBit = 1;
constexpr std::int32_t DefaultChannelFlag = 32;
constexpr std::int32_t PasswordFlag = 8;
constexpr int NicknameLength = 29;

} // namespace

World::World() {
    addChannel({1, 0, 1 | DefaultChannelFlag, 5, QStringLiteral("Eingangshalle"), {}});
    addChannel({2, 0, 1, 7, QStringLiteral("Funkraum"), {}});
    addChannel({3, 0, 1, 5, QStringLiteral("========> ABWESEND <========"), {}});
    addChannel({4, 0, 1 | PasswordFlag, 10, QStringLiteral("Technik"), QStringLiteral("geheim")});
}

std::optional<World::ConnectRequest> World::parseUrl(const QString& url) {
    static const QString scheme = QStringLiteral("teamspeak://");
    if (!url.startsWith(scheme))
        return std::nullopt;
    const QStringList keys = {QStringLiteral("?nickname="), QStringLiteral("?loginname="),
                              QStringLiteral("?password="), QStringLiteral("?channel="),
                              QStringLiteral("?channelpassword=")};
    QStringList values;
    qsizetype from = scheme.size();
    for (const QString& key : keys) {
        const qsizetype at = url.indexOf(key, from);
        if (at < 0)
            return std::nullopt;
        values << url.mid(from, at - from);
        from = at + key.size();
    }
    values << url.mid(from);
    return ConnectRequest{values[0], values[1], values[2], values[3], values[4], values[5]};
}

std::int32_t World::defaultChannel() const {
    for (const Channel& c : m_channels) {
        if (c.flags & DefaultChannelFlag)
            return c.id;
    }
    return m_channels.empty() ? 0 : m_channels.front().id;
}

const World::Player* World::findPlayer(std::int32_t id) const {
    const auto it = std::find_if(m_players.begin(), m_players.end(),
                                 [id](const Player& p) { return p.id == id; });
    return it == m_players.end() ? nullptr : &*it;
}

World::Player* World::player(std::int32_t id) {
    return const_cast<Player*>(std::as_const(*this).findPlayer(id));
}

const World::Channel* World::findChannel(std::int32_t id) const {
    const auto it = std::find_if(m_channels.begin(), m_channels.end(),
                                 [id](const Channel& c) { return c.id == id; });
    return it == m_channels.end() ? nullptr : &*it;
}

std::int32_t World::playersIn(std::int32_t channel) const {
    return static_cast<std::int32_t>(
        std::count_if(m_players.begin(), m_players.end(),
                      [channel](const Player& p) { return p.channel == channel; }));
}

World::Result World::connect(const QString& url) {
    const auto request = parseUrl(url);
    if (!request)
        return {ErrBadUrl, QStringLiteral("Ung\u00FCltige teamspeak:// Adresse")};
    if (m_connected)
        disconnect();
    std::int32_t channel = defaultChannel();
    for (const Channel& c : m_channels) {
        if (c.name.compare(request->channel, Qt::CaseInsensitive) == 0 &&
            (c.password.isEmpty() || c.password == request->channelPassword)) {
            channel = c.id;
            break;
        }
    }
    while (findPlayer(m_nextOwnId))
        ++m_nextOwnId;
    Player own;
    own.id = m_nextOwnId++;
    own.channel = channel;
    own.nickname = request->nickname.left(NicknameLength);
    own.privileges = request->loginname.isEmpty() ? Unregistered : Registered;
    own.privileges = m_pendingPrivileges.value_or(own.privileges);
    own.channelPrivileges = m_pendingChannelPrivileges.value_or(0);
    own.flags = m_pendingFlags.value_or(0);
    m_players.push_back(own);
    m_ownId = own.id;
    m_connected = true;
    m_serverAddress = request->address;
    Q_EMIT changed();
    return {};
}

World::Result World::disconnect() {
    if (!m_connected)
        return notConnected();
    removePlayer(m_ownId);
    m_connected = false;
    m_ownId = 0;
    Q_EMIT changed();
    return {};
}

World::Result World::userInfo(UserInfoRecord& out) const {
    if (!m_connected)
        return notConnected();
    out = UserInfoRecord{};
    out.Player = toRecord(*findPlayer(m_ownId));
    return {};
}

World::Result World::playerInfo(std::int32_t id, PlayerInfoRecord& out) const {
    if (!m_connected)
        return notConnected();
    const Player* p = findPlayer(id);
    if (p == nullptr)
        return {ErrNotFound, QStringLiteral("Spieler %1 nicht gefunden").arg(id)};
    out = toRecord(*p);
    return {};
}

World::Result World::serverInfo(ServerInfoRecord& out) const {
    if (!m_connected)
        return notConnected();
    out = ServerInfoRecord{};
    putText(out.ServerName, QStringLiteral("Quorvex Testserver"));
    putText(out.WelcomeMessage, QStringLiteral("Willkommen auf dem simulierten Server"));
    out.ServerVMajor = 2;
    out.ServerVMinor = 0;
    out.ServerVRelease = 24;
    out.ServerVBuild = 1;
    putText(out.ServerPlatform, QStringLiteral("Linux"));
    putText(out.ServerIp, m_serverAddress.section(QLatin1Char(':'), 0, 0));
    putText(out.ServerHost, m_serverAddress);
    out.ServerType = 4 | 2;
    out.ServerMaxUsers = 32;
    out.SupportedCodecs = 8191;
    out.ChannelCount = static_cast<std::int32_t>(m_channels.size());
    out.PlayerCount = static_cast<std::int32_t>(m_players.size());
    return {};
}

World::Result World::channels(std::vector<ChannelInfoRecord>& out, std::int32_t capacity) const {
    if (!m_connected)
        return notConnected();
    out.clear();
    for (const Channel& c : m_channels) {
        if (static_cast<std::int32_t>(out.size()) >= capacity)
            break;
        ChannelInfoRecord r{};
        r.ChannelID = c.id;
        r.ChannelParentID = c.parent;
        r.PlayerCountInChannel = playersIn(c.id);
        r.ChannelFlags = c.flags;
        r.Codec = c.codec;
        putText(r.Name, c.name);
        out.push_back(r);
    }
    return {};
}

World::Result World::players(std::vector<PlayerInfoRecord>& out, std::int32_t capacity) const {
    if (!m_connected)
        return notConnected();
    out.clear();
    for (const Player& p : m_players) {
        if (static_cast<std::int32_t>(out.size()) >= capacity)
            break;
        out.push_back(toRecord(p));
    }
    return {};
}

World::Result World::speakers(std::vector<std::int32_t>& out, std::int32_t capacity) const {
    if (!m_connected)
        return {NotConnected, QStringLiteral("Nicht mit einem Server verbunden")};
    out.assign(m_speaking.begin(),
               m_speaking.begin() +
                   std::min<std::size_t>(m_speaking.size(),
                                         static_cast<std::size_t>(std::max(0, capacity))));
    return {};
}

World::Result World::switchChannel(std::int32_t id, const QString& password) {
    if (!m_connected)
        return notConnected();
    const Channel* c = findChannel(id);
    if (c == nullptr)
        return {ErrNotFound, QStringLiteral("Channel %1 nicht gefunden").arg(id)};
    if (!c->password.isEmpty() && c->password != password)
        return {ErrPassword, QStringLiteral("Falsches Channel-Passwort")};
    movePlayer(m_ownId, id);
    return {};
}

World::Result World::setFlags(std::int32_t flags) {
    if (!m_connected)
        return notConnected();
    player(m_ownId)->flags = flags;
    Q_EMIT changed();
    return {};
}

World::Result World::sendText(std::int32_t channel, const QString&) {
    if (!m_connected)
        return notConnected();
    if (findChannel(channel) == nullptr)
        return {ErrNotFound, QStringLiteral("Channel %1 nicht gefunden").arg(channel)};
    return {};
}

World::Result World::kickFromChannel(std::int32_t id, const QString&) {
    if (!m_connected)
        return notConnected();
    const Player* own = findPlayer(m_ownId);
    if (!(own->privileges & ServerAdminBits) && !(own->channelPrivileges & ChannelAdminBit))
        return {ErrPrivileges, QStringLiteral("Keine Berechtigung zum Kicken")};
    if (findPlayer(id) == nullptr || id == m_ownId)
        return {ErrNotFound, QStringLiteral("Spieler %1 nicht gefunden").arg(id)};
    movePlayer(id, defaultChannel());
    return {};
}

World::Result World::kickFromServer(std::int32_t id, const QString&) {
    if (!m_connected)
        return notConnected();
    if (!(findPlayer(m_ownId)->privileges & ServerAdminBits))
        return {ErrPrivileges, QStringLiteral("Keine Berechtigung zum Kicken")};
    if (findPlayer(id) == nullptr || id == m_ownId)
        return {ErrNotFound, QStringLiteral("Spieler %1 nicht gefunden").arg(id)};
    removePlayer(id);
    return {};
}

bool World::addChannel(const Channel& c) {
    if (c.id <= 0 || findChannel(c.id) != nullptr || (c.parent != 0 && !findChannel(c.parent)))
        return false;
    m_channels.push_back(c);
    Q_EMIT changed();
    return true;
}

bool World::setChannelPassword(std::int32_t id, const QString& password) {
    auto it = std::find_if(m_channels.begin(), m_channels.end(),
                           [id](const Channel& c) { return c.id == id; });
    if (it == m_channels.end())
        return false;
    it->password = password;
    it->flags = password.isEmpty() ? (it->flags & ~PasswordFlag) : (it->flags | PasswordFlag);
    Q_EMIT changed();
    return true;
}

bool World::addPlayer(const Player& p) {
    if (p.id <= 0 || findPlayer(p.id) != nullptr || findChannel(p.channel) == nullptr)
        return false;
    Player copy = p;
    copy.nickname = copy.nickname.left(NicknameLength);
    m_players.push_back(copy);
    Q_EMIT changed();
    return true;
}

bool World::removePlayer(std::int32_t id) {
    const auto it = std::find_if(m_players.begin(), m_players.end(),
                                 [id](const Player& p) { return p.id == id; });
    if (it == m_players.end())
        return false;
    m_players.erase(it);
    std::erase(m_speaking, id);
    Q_EMIT changed();
    return true;
}

bool World::movePlayer(std::int32_t id, std::int32_t channel) {
    Player* p = player(id);
    if (p == nullptr || findChannel(channel) == nullptr)
        return false;
    p->channel = channel;
    Q_EMIT changed();
    return true;
}

bool World::setSpeaking(std::int32_t id, bool on) {
    if (findPlayer(id) == nullptr)
        return false;
    const bool speaking = std::find(m_speaking.begin(), m_speaking.end(), id) != m_speaking.end();
    if (on && !speaking)
        m_speaking.push_back(id);
    if (!on)
        std::erase(m_speaking, id);
    Q_EMIT changed();
    return true;
}

void World::setOwn(std::optional<std::int32_t> privileges,
                   std::optional<std::int32_t> channelPrivileges,
                   std::optional<std::int32_t> flags) {
    if (privileges)
        m_pendingPrivileges = privileges;
    if (channelPrivileges)
        m_pendingChannelPrivileges = channelPrivileges;
    if (flags)
        m_pendingFlags = flags;
    Player* own = player(m_ownId);
    if (own == nullptr)
        return;
    if (privileges)
        own->privileges = *privileges;
    if (channelPrivileges)
        own->channelPrivileges = *channelPrivileges;
    if (flags)
        own->flags = *flags;
    Q_EMIT changed();
}
