#include "LineGuard.h"

#include <QSocketNotifier>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

std::atomic<int> watchedFd{-1};
int wakeFds[2] = {-1, -1};

void onTermination(int sig) {
    const int saved = errno;
    platform::LineGuard::dropLines();
    const char n = static_cast<char>(sig);
    if (wakeFds[0] >= 0 && ::write(wakeFds[0], &n, 1) < 0) {
        // Nothing to do: the lines are down already.
    }
    errno = saved;
}

// After the program stopped listening: the lines drop, and the exit already under way
// finishes its tear-down (a default action would cut it short).
void onLateTermination(int) {
    const int saved = errno;
    platform::LineGuard::dropLines();
    errno = saved;
}

void onCrash(int sig) {
    platform::LineGuard::dropLines();
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

} // namespace

namespace platform::LineGuard {

void watch(int fd) {
    watchedFd.store(fd);
}

int watched() {
    return watchedFd.load();
}

void dropLines() {
    const int fd = watchedFd.load();
    if (fd < 0)
        return;
    int bits = TIOCM_RTS | TIOCM_DTR;
    ::ioctl(fd, TIOCMBIC, &bits);
}

} // namespace platform::LineGuard

namespace platform {

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, wakeFds) != 0)
        return;
    ::fcntl(wakeFds[0], F_SETFL, O_NONBLOCK);
    m_notifier = new QSocketNotifier(wakeFds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char n = 0;
        if (::read(wakeFds[1], &n, 1) == 1)
            Q_EMIT received(n);
    });
    struct sigaction term {};
    term.sa_handler = onTermination;
    sigemptyset(&term.sa_mask);
    term.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sig, &term, nullptr);
    // A stack overflow leaves no stack for the handler: it runs on one of its own.
    static char crashStack[64 * 1024];
    stack_t alternate{};
    alternate.ss_sp = crashStack;
    alternate.ss_size = sizeof crashStack;
    ::sigaltstack(&alternate, nullptr);
    struct sigaction crash {};
    crash.sa_handler = onCrash;
    sigemptyset(&crash.sa_mask);
    crash.sa_flags = SA_RESETHAND | SA_ONSTACK;
    for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT})
        ::sigaction(sig, &crash, nullptr);
}

TerminationSignals::~TerminationSignals() {
    struct sigaction late {};
    late.sa_handler = onLateTermination;
    sigemptyset(&late.sa_mask);
    late.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sig, &late, nullptr);
}

} // namespace platform
