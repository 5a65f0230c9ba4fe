// Records of any content, and counts of any size, from a client library: the program's
// entries and texts are made from them without reading or writing out of bounds.
#include "BitTexts.h"
#include "TSRemote.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstring>

namespace {

class FuzzLibrary final : public platform::ClientLibrary {
public:
    explicit FuzzLibrary(FuzzedDataProvider& in) : m_in(in) {}

    int32_t connect(const char*) override { return result(); }
    int32_t disconnect() override { return result(); }
    int32_t quit() override { return result(); }
    int32_t getLastError(char* buffer, int32_t size) override {
        const std::string text = m_in.ConsumeRandomLengthString(2 * static_cast<std::size_t>(size));
        const auto n = std::min(text.size(), static_cast<std::size_t>(size));
        if (n > 0)
            std::memcpy(buffer, text.data(), n); // possibly without a closing NUL
        return 0;
    }
    int32_t getUserInfo(UserInfoRecord* r) override { return fill(r, 1); }
    int32_t getPlayerInfoByID(int32_t, PlayerInfoRecord* r) override { return fill(r, 1); }
    int32_t getServerInfo(ServerInfoRecord* r) override { return fill(r, 1); }
    int32_t getChannels(ChannelInfoRecord* r, int32_t* count) override { return list(r, count); }
    int32_t getPlayers(PlayerInfoRecord* r, int32_t* count) override { return list(r, count); }
    int32_t getSpeakers(int32_t* ids, int32_t* count) override { return list(ids, count); }
    int32_t switchChannelID(int32_t, const char*) override { return result(); }
    int32_t setPlayerFlags(int32_t) override { return result(); }
    int32_t sendTextMessageToChannel(int32_t, const char*) override { return result(); }
    int32_t kickPlayerFromChannel(int32_t, const char*) override { return result(); }
    int32_t kickPlayerFromServer(int32_t, const char*) override { return result(); }

private:
    int32_t result() { return m_in.ConsumeBool() ? 0 : m_in.ConsumeIntegral<int32_t>(); }
    template <typename T> int32_t fill(T* items, std::size_t n) {
        const auto bytes = m_in.ConsumeBytes<std::uint8_t>(n * sizeof(T));
        if (!bytes.empty())
            std::memcpy(items, bytes.data(), bytes.size());
        return result();
    }
    // A library honours the room it is given; the count it reports need not be sane.
    template <typename T> int32_t list(T* items, int32_t* count) {
        const auto room = static_cast<std::size_t>(std::max(*count, 0));
        fill(items, std::min<std::size_t>(room, m_in.ConsumeIntegralInRange<std::size_t>(0, 40)));
        *count = m_in.ConsumeIntegral<int32_t>();
        return result();
    }

    FuzzedDataProvider& m_in;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    FuzzLibrary library(in);
    clientlink::TSRemote ts(library);
    while (in.remaining_bytes() > 0) {
        switch (in.ConsumeIntegralInRange(0, 9)) {
        case 0:
            (void)ts.TSGetServerInfo();
            break;
        case 1:
            (void)ts.TSGetPlayerInfo(in.ConsumeIntegral<int32_t>());
            break;
        case 2:
            (void)ts.TSGetChannels();
            break;
        case 3:
            (void)ts.TSGetPlayers();
            break;
        case 4:
            (void)ts.TSGetSpeakers();
            break;
        case 5:
            ts.TSReadOwnID();
            (void)ts.TSReadOwnFlags();
            (void)ts.TSReadOwnPrivileges();
            break;
        case 6:
            ts.TSFetchLastError();
            break;
        case 7:
            ts.TSSetAway(in.ConsumeBool());
            break;
        default: {
            const auto bits = in.ConsumeIntegral<std::int32_t>();
            (void)clientlink::bittexts::channelPrivileges(bits);
            (void)clientlink::bittexts::privileges(bits);
            (void)clientlink::bittexts::playerFlags(bits);
            (void)clientlink::bittexts::channelFlags(bits);
            (void)clientlink::bittexts::codec(bits);
            (void)clientlink::bittexts::serverType(bits);
            (void)clientlink::bittexts::supportedCodecs(bits);
            (void)clientlink::bittexts::version(bits, bits >> 8, bits >> 16, bits >> 24);
            break;
        }
        }
    }
    return 0;
}
