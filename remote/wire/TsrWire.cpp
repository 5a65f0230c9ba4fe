#include "TsrWire.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace tsrwire {
namespace {

void putU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void putU16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

std::uint32_t getU32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

std::uint16_t getU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

// A private folder: ours, not a link, nobody else may enter.
bool privateFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return false;
    return (st.st_mode & 077) == 0 || ::chmod(path.c_str(), 0700) == 0;
}

} // namespace

Writer& Writer::i32(std::int32_t v) {
    putU32(m_data, static_cast<std::uint32_t>(v));
    return *this;
}

Writer& Writer::text(std::string_view s) {
    if (s.size() > MaxText)
        s = s.substr(0, MaxText);
    putU32(m_data, static_cast<std::uint32_t>(s.size()));
    m_data.insert(m_data.end(), s.begin(), s.end());
    return *this;
}

Writer& Writer::bytes(const void* data, std::size_t n) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    m_data.insert(m_data.end(), p, p + n);
    return *this;
}

std::optional<std::int32_t> Reader::i32() {
    if (!m_ok || m_left < 4) {
        m_ok = false;
        return std::nullopt;
    }
    const auto v = static_cast<std::int32_t>(getU32(m_p));
    m_p += 4;
    m_left -= 4;
    return v;
}

std::optional<std::string> Reader::text() {
    const auto n = i32();
    if (!n || *n < 0 || static_cast<std::uint32_t>(*n) > MaxText ||
        static_cast<std::size_t>(*n) > m_left) {
        m_ok = false;
        return std::nullopt;
    }
    std::string s(reinterpret_cast<const char*>(m_p), static_cast<std::size_t>(*n));
    m_p += *n;
    m_left -= static_cast<std::size_t>(*n);
    return s;
}

bool Reader::bytes(void* out, std::size_t n) {
    if (!m_ok || m_left < n) {
        m_ok = false;
        return false;
    }
    std::memcpy(out, m_p, n);
    m_p += n;
    m_left -= n;
    return true;
}

std::vector<std::uint8_t> encodeHeader(const Header& h) {
    std::vector<std::uint8_t> out;
    out.reserve(HeaderSize);
    putU32(out, h.magic);
    putU16(out, h.version);
    putU16(out, h.op);
    putU32(out, h.length);
    return out;
}

std::vector<std::uint8_t> frame(Op op, const std::vector<std::uint8_t>& payload) {
    Header h;
    h.op = static_cast<std::uint16_t>(op);
    h.length = static_cast<std::uint32_t>(payload.size());
    std::vector<std::uint8_t> out = encodeHeader(h);
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

std::optional<Header> decodeHeader(const std::uint8_t* bytes) {
    Header h;
    h.magic = getU32(bytes);
    h.version = getU16(bytes + 4);
    h.op = getU16(bytes + 6);
    h.length = getU32(bytes + 8);
    if (h.magic != Magic || h.version != Version || h.op < FirstOp || h.op > LastOp ||
        h.length > MaxPayload)
        return std::nullopt;
    return h;
}

std::string defaultSocketPath() {
    if (const char* explicitPath = std::getenv("TSREMOTE_SOCKET"); explicitPath && *explicitPath)
        return explicitPath;
    std::string folder;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        folder = runtime;
    } else {
        folder = "/tmp/tsremote-" + std::to_string(::getuid());
    }
    if (!privateFolder(folder))
        return {};
    return folder + "/tsremote.sock";
}

} // namespace tsrwire

namespace tsrwire {

std::string socketFolderHint() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
        return std::string(runtime) + "/tsremote.sock: the folder is missing or not private";
    return "/tmp/tsremote-" + std::to_string(::getuid()) +
           "/tsremote.sock: the folder is missing or not private";
}

} // namespace tsrwire
