#include "Bridge.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace bridge {

using tsrwire::Op;

namespace {

// Windows-1252, as every text of the library is.
constexpr const char* NoAnswerText = "TeamSpeak 2 antwortet nicht";
constexpr const char* BadRequestText = "Ung\xFCltige Anfrage";
constexpr std::int32_t BadRequestResult = -3;

const char* opName(Op op) {
    static const char* names[] = {"",
                                  "tsrConnect",
                                  "tsrDisconnect",
                                  "tsrQuit",
                                  "tsrGetUserInfo",
                                  "tsrGetPlayerInfoByID",
                                  "tsrGetServerInfo",
                                  "tsrGetChannels",
                                  "tsrGetPlayers",
                                  "tsrGetSpeakers",
                                  "tsrSwitchChannelID",
                                  "tsrSetPlayerFlags",
                                  "tsrSendTextMessageToChannel",
                                  "tsrKickPlayerFromChannel",
                                  "tsrKickPlayerFromServer"};
    const auto i = static_cast<std::size_t>(op);
    return i < std::size(names) ? names[i] : "?";
}

// One call's inputs and outputs. Shared with the library thread, so a call that
// outlasts its bound still writes into memory that exists.
struct Job {
    std::int32_t id = 0;
    std::string text;
    std::int32_t capacity = 0;
    std::int32_t result = 0;
    std::string error;
    std::vector<std::uint8_t> data; // the record or the listing's items
    std::int32_t count = 0;
};

std::vector<std::uint8_t> reply(std::int32_t result, const std::string& error,
                                const std::vector<std::uint8_t>& data = {}) {
    tsrwire::Writer w;
    w.i32(result).text(error);
    if (result == 0)
        w.bytes(data.data(), data.size());
    return w.data();
}

} // namespace

Bridge::Bridge(const ClientApi& api, bool verbose) : m_api(api), m_verbose(verbose) {}

std::vector<std::uint8_t> Bridge::answer(Op op, tsrwire::Reader& in) {
    auto job = std::make_shared<Job>();
    // The request's arguments, as our library sends them.
    switch (op) {
    case Op::Connect:
        job->text = in.text().value_or(std::string());
        break;
    case Op::GetPlayerInfoByID:
    case Op::SetPlayerFlags:
        job->id = in.i32().value_or(0);
        break;
    case Op::GetChannels:
    case Op::GetPlayers:
    case Op::GetSpeakers:
        job->capacity = std::clamp<std::int32_t>(in.i32().value_or(0), 0, TSR_MAX_RECORDS);
        break;
    case Op::SwitchChannelID:
    case Op::SendTextMessageToChannel:
    case Op::KickPlayerFromChannel:
    case Op::KickPlayerFromServer:
        job->id = in.i32().value_or(0);
        job->text = in.text().value_or(std::string());
        break;
    default:
        break;
    }
    if (!in.ok())
        return reply(BadRequestResult, BadRequestText);

    const ClientApi& api = m_api;
    const auto call = [op, job, &api] {
        Job& j = *job;
        const auto record = [&j](std::size_t size) {
            j.data.assign(size, 0);
            return j.data.data();
        };
        switch (op) {
        case Op::Connect:
            j.result = api.connect(j.text.c_str());
            break;
        case Op::Disconnect:
            j.result = api.disconnect();
            break;
        case Op::Quit:
            j.result = api.quit();
            break;
        case Op::GetUserInfo:
            j.result =
                api.getUserInfo(reinterpret_cast<UserInfoRecord*>(record(sizeof(UserInfoRecord))));
            break;
        case Op::GetPlayerInfoByID:
            j.result = api.getPlayerInfoByID(
                j.id, reinterpret_cast<PlayerInfoRecord*>(record(sizeof(PlayerInfoRecord))));
            break;
        case Op::GetServerInfo:
            j.result = api.getServerInfo(
                reinterpret_cast<ServerInfoRecord*>(record(sizeof(ServerInfoRecord))));
            break;
        case Op::GetChannels:
            j.count = j.capacity;
            j.result = api.getChannels(reinterpret_cast<ChannelInfoRecord*>(record(
                                           sizeof(ChannelInfoRecord) * std::size_t(j.capacity))),
                                       &j.count);
            break;
        case Op::GetPlayers:
            j.count = j.capacity;
            j.result = api.getPlayers(reinterpret_cast<PlayerInfoRecord*>(record(
                                          sizeof(PlayerInfoRecord) * std::size_t(j.capacity))),
                                      &j.count);
            break;
        case Op::GetSpeakers:
            j.count = j.capacity;
            j.result = api.getSpeakers(reinterpret_cast<std::int32_t*>(
                                           record(sizeof(std::int32_t) * std::size_t(j.capacity))),
                                       &j.count);
            break;
        case Op::SwitchChannelID:
            j.result = api.switchChannelID(j.id, j.text.c_str());
            break;
        case Op::SetPlayerFlags:
            j.result = api.setPlayerFlags(j.id);
            break;
        case Op::SendTextMessageToChannel:
            j.result = api.sendTextMessageToChannel(j.id, j.text.c_str());
            break;
        case Op::KickPlayerFromChannel:
            j.result = api.kickPlayerFromChannel(j.id, j.text.c_str());
            break;
        case Op::KickPlayerFromServer:
            j.result = api.kickPlayerFromServer(j.id, j.text.c_str());
            break;
        }
        if (j.result != 0) {
            char text[TSR_ERROR_BUFFER] = {};
            api.getLastError(text, TSR_ERROR_BUFFER);
            j.error.assign(text, strnlen(text, TSR_ERROR_BUFFER));
        }
    };
    const auto start = std::chrono::steady_clock::now();
    const bool finished = m_thread.run(call, CallBoundMs);
    if (m_verbose) {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - start)
                            .count();
        if (finished)
            std::fprintf(stderr, "tsremote-bridge: %s -> %d (%lld ms)\n", opName(op), job->result,
                         static_cast<long long>(ms));
        else
            std::fprintf(stderr, "tsremote-bridge: %s did not return within %d ms\n", opName(op),
                         CallBoundMs);
    }
    if (!finished)
        return reply(NoAnswerResult, NoAnswerText);
    if (job->result != 0)
        return reply(job->result, job->error);
    switch (op) {
    case Op::GetChannels:
    case Op::GetPlayers:
    case Op::GetSpeakers: {
        // Never more entries than there was room for, whatever the library says.
        const std::size_t item = op == Op::GetChannels  ? sizeof(ChannelInfoRecord)
                                 : op == Op::GetPlayers ? sizeof(PlayerInfoRecord)
                                                        : sizeof(std::int32_t);
        const std::int32_t count = std::clamp(job->count, 0, job->capacity);
        tsrwire::Writer w;
        w.i32(count).bytes(job->data.data(), item * std::size_t(count));
        return reply(0, {}, w.data());
    }
    default:
        return reply(0, {}, job->data);
    }
}

namespace {

// Answers are small and a client waits for each before it asks again, so one that
// cannot take an answer at once does not read its answers: it is dropped, never waited on.
bool sendAnswer(int fd, const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t sent =
            ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent <= 0) {
            if (sent < 0 && errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(sent);
    }
    return true;
}

// A connected client and the part of its next frame that has arrived.
struct Client {
    int fd = -1;
    std::vector<std::uint8_t> pending;
    std::chrono::steady_clock::time_point frameStarted;
};

enum class Turn { Waiting, Answered, Drop };

// Answers the client's next complete frame, one per turn, so every client gets its turn.
Turn answerOne(Client& c, Bridge& bridge) {
    if (c.pending.size() < tsrwire::HeaderSize)
        return Turn::Waiting;
    const auto header = tsrwire::decodeHeader(c.pending.data());
    if (!header)
        return Turn::Drop;
    const std::size_t total = tsrwire::HeaderSize + header->length;
    if (c.pending.size() < total)
        return Turn::Waiting;
    tsrwire::Reader reader(c.pending.data() + tsrwire::HeaderSize, header->length);
    const auto op = static_cast<Op>(header->op);
    if (!sendAnswer(c.fd, tsrwire::frame(op, bridge.answer(op, reader))))
        return Turn::Drop;
    c.pending.erase(c.pending.begin(), c.pending.begin() + static_cast<std::ptrdiff_t>(total));
    c.frameStarted = std::chrono::steady_clock::now();
    return Turn::Answered;
}

// Reads what the client sent; false when it closed or failed.
bool receive(Client& c) {
    std::uint8_t buffer[4096];
    const ssize_t got = ::recv(c.fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (got < 0)
        return errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK;
    if (got == 0)
        return false;
    if (c.pending.empty())
        c.frameStarted = std::chrono::steady_clock::now();
    c.pending.insert(c.pending.end(), buffer, buffer + got);
    return true;
}

} // namespace

int serve(const std::string& socketPath, Bridge& bridge, const std::atomic<bool>& stop) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.empty() || socketPath.size() >= sizeof address.sun_path) {
        std::fprintf(stderr, "tsremote-bridge: no usable socket path (%s)\n",
                     socketPath.empty() ? tsrwire::socketFolderHint().c_str() : socketPath.c_str());
        return 1;
    }
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size());
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener < 0) {
        std::perror("tsremote-bridge: socket");
        return 1;
    }
    // A socket left by an ended peer is replaced; one a live peer answers on is not.
    struct stat st {};
    if (::lstat(socketPath.c_str(), &st) == 0 && S_ISSOCK(st.st_mode)) {
        const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const bool live =
            ::connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        ::close(probe);
        if (live) {
            std::fprintf(stderr, "tsremote-bridge: %s is in use by a running client\n",
                         socketPath.c_str());
            ::close(listener);
            return 1;
        }
        ::unlink(socketPath.c_str());
    }
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::chmod(socketPath.c_str(), 0600) != 0 || ::listen(listener, 4) != 0) {
        std::fprintf(stderr, "tsremote-bridge: cannot listen on %s: %s\n", socketPath.c_str(),
                     std::strerror(errno));
        ::close(listener);
        return 1;
    }
    // Every client is served as its frames arrive: an idle one, one that stopped in the
    // middle of a frame or one that does not read its answers never holds up the others.
    std::vector<Client> clients;
    bool more = false; // a client has another complete frame waiting
    while (!stop.load()) {
        std::vector<pollfd> fds{{listener, POLLIN, 0}};
        for (const Client& c : clients)
            fds.push_back({c.fd, POLLIN, 0});
        const int ready = ::poll(fds.data(), fds.size(), more ? 0 : 500);
        if (ready < 0 && errno != EINTR)
            break;
        const auto now = std::chrono::steady_clock::now();
        more = false;
        for (std::size_t i = clients.size(); i-- > 0;) {
            Client& c = clients[i];
            bool keep = true;
            if (fds[i + 1].revents & (POLLIN | POLLHUP | POLLERR))
                keep = receive(c);
            if (keep) {
                const Turn turn = answerOne(c, bridge);
                keep = turn != Turn::Drop;
                more = more || (turn == Turn::Answered && c.pending.size() >= tsrwire::HeaderSize);
            }
            // Half a frame for this long: the client is stuck.
            if (keep && !c.pending.empty() && now - c.frameStarted > PartialFrameLimit)
                keep = false;
            if (!keep) {
                ::close(c.fd);
                clients.erase(clients.begin() + static_cast<std::ptrdiff_t>(i));
            }
        }
        if (fds[0].revents & POLLIN) {
            const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0 && clients.size() >= MaxClients)
                ::close(fd);
            else if (fd >= 0)
                clients.push_back({fd, {}, now});
        }
    }
    for (const Client& c : clients)
        ::close(c.fd);
    ::close(listener);
    ::unlink(socketPath.c_str());
    return 0;
}

} // namespace bridge
