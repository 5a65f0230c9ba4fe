#include "Connection.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace tsremote {
namespace {

std::int64_t nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Waits until fd is ready for events or the deadline passes.
bool waitFor(int fd, short events, std::int64_t deadline) {
    for (;;) {
        const std::int64_t left = deadline - nowMs();
        if (left <= 0)
            return false;
        pollfd p{fd, events, 0};
        const int r = ::poll(&p, 1, static_cast<int>(left));
        if (r > 0)
            return (p.revents & (events | POLLHUP | POLLERR)) != 0;
        if (r < 0 && errno != EINTR)
            return false;
    }
}

enum class Io { Done, Timeout, Broken };

Io sendAll(int fd, const std::vector<std::uint8_t>& data, std::int64_t deadline) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!waitFor(fd, POLLOUT, deadline))
                return Io::Timeout;
            continue;
        }
        return Io::Broken;
    }
    return Io::Done;
}

Io receiveAll(int fd, std::uint8_t* out, std::size_t size, std::int64_t deadline) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::recv(fd, out + done, size - done, 0);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n == 0)
            return Io::Broken;
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            if (!waitFor(fd, POLLIN, deadline))
                return Io::Timeout;
            continue;
        }
        return Io::Broken;
    }
    return Io::Done;
}

} // namespace

Connection::~Connection() {
    close();
}

void Connection::close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool Connection::open(std::int64_t deadline, bool& refused) {
    refused = false;
    const std::string path = tsrwire::defaultSocketPath();
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof addr.sun_path) {
        refused = true;
        return false;
    }
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        // On a Unix socket EAGAIN means the client's queue of connections is full: it
        // is there but does not accept (frozen), which is not answering, not absent.
        if (errno == EAGAIN) {
            ::close(fd);
            return false;
        }
        if (errno == EINPROGRESS) {
            int err = 0;
            socklen_t len = sizeof err;
            if (!waitFor(fd, POLLOUT, deadline) ||
                ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0 || err != 0) {
                ::close(fd);
                return false;
            }
        } else {
            refused = errno == ENOENT || errno == ECONNREFUSED || errno == ENOTDIR;
            ::close(fd);
            return false;
        }
    }
    m_fd = fd;
    return true;
}

void Connection::beginBudget(int budgetMs) {
    m_budgetEnd = nowMs() + std::max(budgetMs, 1);
    m_budgetNotRunning = false;
    m_budgetAnswered = false;
}

void Connection::endBudget() {
    m_budgetEnd = 0;
}

Outcome Connection::timedOut(std::int64_t deadline) {
    close();
    // Cut short by the round's budget while the client answered earlier calls of the
    // round: it is slow, not frozen, and the next round tries again at once.
    const bool slowOnly = m_budgetEnd != 0 && deadline == m_budgetEnd && m_budgetAnswered;
    if (!slowOnly) {
        m_quietUntil = nowMs() + QuietMs;
        m_quietPath = tsrwire::defaultSocketPath();
    }
    return Outcome::NoAnswer;
}

Outcome Connection::exchange(tsrwire::Op op, const std::vector<std::uint8_t>& request,
                             std::vector<std::uint8_t>& answer) {
    const Outcome outcome = [&] {
        const std::int64_t start = nowMs();
        if (m_budgetEnd != 0) {
            if (m_budgetNotRunning)
                return Outcome::NotRunning;
            if (start >= m_budgetEnd)
                return Outcome::NoAnswer;
        }
        if (start < m_quietUntil && m_quietPath == tsrwire::defaultSocketPath())
            return Outcome::NoAnswer;
        std::int64_t deadline = start + DeadlineMs;
        if (m_budgetEnd != 0 && m_budgetEnd < deadline)
            deadline = m_budgetEnd;
        return exchangeUntil(op, request, answer, deadline);
    }();
    if (m_budgetEnd != 0) {
        m_budgetNotRunning = m_budgetNotRunning || outcome == Outcome::NotRunning;
        m_budgetAnswered = m_budgetAnswered || outcome == Outcome::Answered;
    }
    return outcome;
}

Outcome Connection::exchangeUntil(tsrwire::Op op, const std::vector<std::uint8_t>& request,
                                  std::vector<std::uint8_t>& answer, std::int64_t deadline) {
    const std::vector<std::uint8_t> frame = tsrwire::frame(op, request);

    // A kept connection may have died with an earlier client: one fresh try, which is
    // safe because a request that could not be sent was never seen.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const bool fresh = m_fd < 0;
        if (fresh) {
            bool refused = false;
            if (!open(deadline, refused)) {
                if (refused)
                    return Outcome::NotRunning;
                return timedOut(deadline);
            }
        }
        const Io sent = sendAll(m_fd, frame, deadline);
        if (sent == Io::Done)
            break;
        if (sent == Io::Timeout)
            return timedOut(deadline);
        close();
        if (fresh || attempt == 1)
            return Outcome::NotRunning;
    }

    std::uint8_t head[tsrwire::HeaderSize];
    Io got = receiveAll(m_fd, head, sizeof head, deadline);
    std::optional<tsrwire::Header> header;
    if (got == Io::Done) {
        header = tsrwire::decodeHeader(head);
        if (!header || header->op != static_cast<std::uint16_t>(op)) {
            close();
            return Outcome::BadAnswer;
        }
        answer.resize(header->length);
        got = receiveAll(m_fd, answer.data(), answer.size(), deadline);
    }
    if (got == Io::Done)
        return Outcome::Answered;
    if (got == Io::Timeout)
        return timedOut(deadline);
    close();
    // The client went away in the middle of the call.
    return Outcome::NotRunning;
}

} // namespace tsremote
