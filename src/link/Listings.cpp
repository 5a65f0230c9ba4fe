// The listing operations of TSRemote: the client's records into the program's entries.
#include "TSRemote.h"

#include "BitTexts.h"
#include "Windows1252.h"

#include <algorithm>
#include <cstring>

namespace clientlink {
namespace {

// A fixed-width field at its full width, NUL padding included.
template <std::size_t N> QString text(const char (&field)[N]) {
    return platform::windows1252::decode(std::string_view(field, N));
}

PlayerEntry toEntry(const PlayerInfoRecord& r) {
    return {r.PlayerID,
            r.ChannelID,
            text(r.NickName),
            bittexts::channelPrivileges(r.PlayerChannelPrivileges),
            bittexts::privileges(r.PlayerPrivileges),
            bittexts::playerFlags(r.PlayerFlags)};
}

ChannelEntry toEntry(const ChannelInfoRecord& r) {
    return {r.ChannelID,
            r.ChannelParentID,
            r.PlayerCountInChannel,
            bittexts::channelFlags(r.ChannelFlags),
            bittexts::codec(r.Codec),
            text(r.Name)};
}

// A count the client reported, held to what the list can hold.
std::size_t usable(std::int32_t count) {
    return static_cast<std::size_t>(std::clamp<std::int32_t>(count, 0, TSRemote::Capacity));
}

// Room for 1024 records, all zero when offered. The room is kept between ticks and
// only the part the last call filled is cleared again: the client writes no further
// than the count it reports.
template <typename Record> void offerZeroed(std::vector<Record>& room, std::size_t& filled) {
    if (room.size() != static_cast<std::size_t>(TSRemote::Capacity))
        room.assign(TSRemote::Capacity, Record{});
    else
        std::fill_n(room.begin(), filled, Record{});
    filled = 0;
}

} // namespace

ServerEntry TSRemote::TSGetServerInfo() {
    ServerInfoRecord r{};
    m_lib.getServerInfo(&r);
    // Asked every tick for the user count; the texts are made again only when the
    // record changed.
    if (m_lastServer && std::memcmp(&m_lastServer->record, &r, sizeof r) == 0)
        return m_lastServer->entry;
    ServerEntry e;
    e.ServerName = text(r.ServerName);
    e.WelcomeMessage = text(r.WelcomeMessage);
    e.Version = bittexts::version(r.ServerVMajor, r.ServerVMinor, r.ServerVRelease, r.ServerVBuild);
    e.ServerPlatform = text(r.ServerPlatform);
    e.ServerIp = text(r.ServerIp);
    e.ServerHost = text(r.ServerHost);
    e.ServerType = bittexts::serverType(r.ServerType);
    e.MaxUsers = r.ServerMaxUsers;
    e.SupportedCodecs = bittexts::supportedCodecs(r.SupportedCodecs);
    e.ChannelCount = r.ChannelCount;
    e.PlayerCount = r.PlayerCount;
    m_lastServer = LastServer{r, e};
    return e;
}

PlayerEntry TSRemote::TSGetPlayerInfo(std::int32_t playerId) {
    PlayerInfoRecord r{};
    check(m_lib.getPlayerInfoByID(playerId, &r));
    return toEntry(r);
}

// One listing: 1024 zero-filled records offered, the list replaced only on success.
template <typename Record, typename Entry>
bool TSRemote::fetchList(std::int32_t (platform::ClientLibrary::*call)(Record*, std::int32_t*),
                         std::vector<Record>& raw, std::size_t& filled, std::vector<Entry>& list) {
    offerZeroed(raw, filled);
    std::int32_t count = Capacity;
    const std::int32_t result = (m_lib.*call)(raw.data(), &count);
    filled = usable(count);
    if (result != 0) {
        // A failed call may have written anything: clear it all next time.
        filled = raw.size();
        TSFetchLastError();
        return false;
    }
    const std::size_t n = usable(count);
    list.clear();
    list.reserve(n);
    for (std::size_t i = 0; i < n; ++i)
        list.push_back(toEntry(raw[i]));
    return true;
}

bool TSRemote::TSGetChannels() {
    return fetchList(&platform::ClientLibrary::getChannels, m_rawChannels, m_channelsFilled,
                     ChannelList);
}

bool TSRemote::TSGetPlayers() {
    return fetchList(&platform::ClientLibrary::getPlayers, m_rawPlayers, m_playersFilled,
                     PlayerList);
}

int TSRemote::TSGetSpeakers() {
    SpeakerList.assign(Capacity, 0);
    std::int32_t count = Capacity;
    const std::int32_t result = m_lib.getSpeakers(SpeakerList.data(), &count);
    switch (result) {
    case TSR_NOT_RUNNING:
        return NotRunning;
    case TSR_NOT_CONNECTED:
        return NotConnected;
    case 0:
        if (const std::size_t n = usable(count); n > 0)
            SpeakerList.resize(n);
        return Connected;
    default:
        TSFetchLastError();
        return ListingFailed;
    }
}

} // namespace clientlink
