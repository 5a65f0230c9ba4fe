#pragma once

// The frames between libTSRemote.so and a client: a 12-byte header (magic "TSR2",
// version, operation, payload length; little-endian) and a bounded payload. Every
// answer starts with the call's result and its error text; records travel packed.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tsrwire {

inline constexpr std::uint32_t Magic = 0x32525354; // "TSR2"
inline constexpr std::uint16_t Version = 1;
inline constexpr std::size_t HeaderSize = 12;
inline constexpr std::uint32_t MaxPayload = 64 * 1024;
inline constexpr std::uint32_t MaxText = 4096;

enum class Op : std::uint16_t {
    Connect = 1,
    Disconnect,
    Quit,
    GetUserInfo,
    GetPlayerInfoByID,
    GetServerInfo,
    GetChannels,
    GetPlayers,
    GetSpeakers,
    SwitchChannelID,
    SetPlayerFlags,
    SendTextMessageToChannel,
    KickPlayerFromChannel,
    KickPlayerFromServer,
};
inline constexpr std::uint16_t FirstOp = 1;
inline constexpr std::uint16_t LastOp = static_cast<std::uint16_t>(Op::KickPlayerFromServer);

struct Header {
    std::uint32_t magic = Magic;
    std::uint16_t version = Version;
    std::uint16_t op = 0;
    std::uint32_t length = 0;
};

// Serialises one payload.
class Writer {
public:
    Writer& i32(std::int32_t v);
    Writer& text(std::string_view s); // length-prefixed, cut to MaxText
    Writer& bytes(const void* data, std::size_t n);
    const std::vector<std::uint8_t>& data() const { return m_data; }

private:
    std::vector<std::uint8_t> m_data;
};

// Reads one payload; every read checks the bounds and a failed read sticks.
class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : m_p(data), m_left(size) {}
    std::optional<std::int32_t> i32();
    std::optional<std::string> text();
    bool bytes(void* out, std::size_t n);
    std::size_t left() const { return m_left; }
    bool ok() const { return m_ok; }

private:
    const std::uint8_t* m_p;
    std::size_t m_left;
    bool m_ok = true;
};

std::vector<std::uint8_t> frame(Op op, const std::vector<std::uint8_t>& payload);
std::vector<std::uint8_t> encodeHeader(const Header& h);
// nullopt unless the magic, version, operation and length are acceptable.
std::optional<Header> decodeHeader(const std::uint8_t* bytes);

// The socket a client listens on: TSREMOTE_SOCKET, else tsremote.sock in
// $XDG_RUNTIME_DIR, else in /tmp/tsremote-<uid>/ (created 0700, must be ours).
// Empty when no safe place exists.
std::string defaultSocketPath();
// Where that socket was looked for, for a message when the folder is unusable.
std::string socketFolderHint();

} // namespace tsrwire
