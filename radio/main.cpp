// quorvex-keyer: the keying process. It owns the radio interface, keys and unkeys it as
// the program asks on standard input and answers on standard output, and drops the line
// by itself when the program is gone (end of input), silent (no heartbeat) or has held it
// past a time limit of its own, whatever it was told.
//   quorvex-keyer [--art COM|CM108|Hamlib|GPIO] [--geraet DEVICE] [--soundkarte SYSFS]
//                 [--modell N] [--baud N] [--pin N] [--eingang N] [--invertiert]
//                 [--limit-ms MS] [--heartbeat-ms MS]
#include "Choices.h"
#include "Cm108Line.h"
#include "GpioLine.h"
#include "HamlibLine.h"
#include "KeyerWire.h"
#include "QtSerialLine.h"

#include <QCoreApplication>

#include <atomic>
#include <chrono>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <poll.h>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

using Result = platform::SerialLine::Result;
using Clock = std::chrono::steady_clock;

constexpr const char* Usage =
    "usage: quorvex-keyer [--art COM|CM108|Hamlib|GPIO] [--geraet DEVICE] [--soundkarte SYSFS]\n"
    "                     [--modell N] [--baud N] [--pin N] [--eingang N] [--invertiert]\n"
    "                     [--limit-ms MS] [--heartbeat-ms MS]\n"
    "       quorvex-keyer --liste | --help | --version\n"
    "Quorvex's keying process: keys the radio interface as Quorvex asks on standard input,\n"
    "and drops the line by itself when Quorvex ends, stops answering (no heartbeat within\n"
    "--heartbeat-ms, 2000) or has kept it keyed longer than --limit-ms (600000).\n"
    "--eingang: GPIO only, a line of the same chip that carries the squelch (read as DCD).\n";

struct Options {
    std::string art = "COM";
    QString device;
    QString soundCard; // CM108 without a device: the sysfs folder of the card it sits on
    int model = 2;
    int baud = 0;
    int pin = 3;
    int inputLine = -1; // GPIO: the squelch's line, -1 none
    bool inverted = false;
    long long limitMs = 600000;
    long long heartbeatMs = 2000;
};

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char c = 1;
    if (::write(signalPipe[1], &c, 1) < 0) {
        // The pipe is full: the loop ends anyway.
    }
}

std::mutex outputMutex;

void say(const keyerwire::Answer& a) {
    const std::string line = keyerwire::format(a);
    const std::lock_guard lock(outputMutex);
    if (::write(STDOUT_FILENO, line.data(), line.size()) < 0) {
        // The program is gone: the end of input ends the loop.
    }
}

std::unique_ptr<platform::SerialLine> lineFor(const Options& o) {
    if (o.art == "CM108")
        return std::make_unique<Cm108Line>(o.pin, o.inverted, o.soundCard);
    if (o.art == "Hamlib")
        return std::make_unique<HamlibLine>(o.model, o.baud);
    if (o.art == "GPIO")
        return std::make_unique<GpioLine>(o.pin, o.inverted, o.inputLine);
    return std::make_unique<platform::QtSerialLine>();
}

bool parse(int argc, char* argv[], Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool more = i + 1 < argc;
        if (a == "--invertiert")
            o.inverted = true;
        else if (a == "--art" && more)
            o.art = argv[++i];
        else if (a == "--geraet" && more)
            o.device = QString::fromLocal8Bit(argv[++i]);
        else if (a == "--eingang" && more)
            o.inputLine = std::atoi(argv[++i]);
        else if (a == "--soundkarte" && more)
            o.soundCard = QString::fromLocal8Bit(argv[++i]);
        else if (a == "--modell" && more)
            o.model = std::atoi(argv[++i]);
        else if (a == "--baud" && more)
            o.baud = std::atoi(argv[++i]);
        else if (a == "--pin" && more)
            o.pin = std::atoi(argv[++i]);
        else if (a == "--limit-ms" && more)
            o.limitMs = std::max(1000LL, std::atoll(argv[++i]));
        else if (a == "--heartbeat-ms" && more)
            o.heartbeatMs = std::max(100LL, std::atoll(argv[++i]));
        else
            return false;
    }
    return o.art == "COM" || o.art == "CM108" || o.art == "Hamlib" || o.art == "GPIO";
}

// The keying line and what it may do: up only as asked, down whenever anything is wrong.
class Keying {
public:
    Keying(platform::SerialLine& line, const Options& o)
        : m_line(line), m_invert(o.art == "COM" && o.inverted), m_limitMs(o.limitMs) {}

    // Both lines at their inactive level (for an inverted serial wiring that is up).
    Result settle() {
        if (!m_invert)
            return Result::Ok;
        const Result r = m_line.setRequestToSend(true);
        return r == Result::Ok ? m_line.setDataTerminalReady(true) : r;
    }
    Result set(bool rts, bool up) {
        if (up && m_cut)
            return Result::Ok; // cut by the time limit: held down until released once
        if (!up)
            m_cut = false;
        const bool level = up != m_invert;
        const Result r = rts ? m_line.setRequestToSend(level) : m_line.setDataTerminalReady(level);
        if (r == Result::Ok) {
            bool& keyed = rts ? m_rts : m_dtr;
            if (up && !keyed)
                m_since = Clock::now();
            keyed = up;
        }
        return r;
    }
    bool keyed() const { return m_rts || m_dtr; }
    // Drops whatever is up, and says why (empty: no word).
    void drop(const std::string& why) {
        const bool was = keyed();
        if (m_rts)
            set(true, false);
        if (m_dtr)
            set(false, false);
        if (was && !why.empty())
            say({0, static_cast<int>(Result::Ok), why});
    }
    // Milliseconds until the time limit cuts; negative when nothing is keyed.
    long long msToLimit() const {
        if (!keyed())
            return -1;
        const auto held =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - m_since);
        return std::max(0LL, m_limitMs - held.count());
    }
    void cut() {
        drop("Die Sendeleitung war " + std::to_string(m_limitMs / 1000) +
             " s getastet, l\xC3\xA4nger als die Zeitgrenze des Sendeprozesses: abgeschaltet");
        m_cut = true;
    }

private:
    platform::SerialLine& m_line;
    const bool m_invert;
    const long long m_limitMs;
    bool m_rts = false, m_dtr = false, m_cut = false;
    Clock::time_point m_since;
};

} // namespace

int main(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0)
            return std::fputs(Usage, stdout) < 0;
        if (std::strcmp(argv[i], "--version") == 0)
            return std::printf("quorvex-keyer %s\n", QUORVEX_VERSION_TEXT) < 0;
        if (std::strcmp(argv[i], "--liste") == 0) {
            QCoreApplication application(argc, argv);
            for (const QString& choice : interfaceChoices())
                std::printf("%s\n", choice.toUtf8().constData());
            return 0;
        }
    }
    Options options;
    if (!parse(argc, argv, options)) {
        std::fputs(Usage, stderr);
        return 2;
    }
    QCoreApplication application(argc, argv);
    // Hamlib switches LC_NUMERIC to "C" and back through a name it has let go (a read of
    // freed memory): with "C" from the start there is nothing to switch.
    std::setlocale(LC_NUMERIC, "C");
    std::signal(SIGPIPE, SIG_IGN);
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return 1;
    struct sigaction action {};
    action.sa_handler = onSignal;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sig, &action, nullptr);

    const std::unique_ptr<platform::SerialLine> line = lineFor(options);
    Result opened = line->open(options.device);
    Keying keying(*line, options);
    if (opened == Result::Ok)
        opened = keying.settle();
    say({0, static_cast<int>(opened),
         opened == Result::Ok ? std::string() : line->errorText().toStdString()});
    if (opened != Result::Ok)
        return 1;

    // One call on the interface at a time (Hamlib's rig is not to be shared between
    // threads); only the driver's blocking wait runs beside the others.
    std::mutex lineMutex;
    std::thread waiter;
    std::atomic<bool> waiting{false};
    auto lastHeard = Clock::now();
    bool silentTold = false;
    std::string pending;
    for (;;) {
        // Wakes for the next deadline: the heartbeat's (only while keyed) or the limit's.
        long long timeout = -1;
        if (keying.keyed()) {
            const long long sinceHeard =
                std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - lastHeard)
                    .count();
            timeout = std::min(std::max(0LL, options.heartbeatMs - sinceHeard), keying.msToLimit());
        }
        pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {signalPipe[0], POLLIN, 0}};
        const int ready = ::poll(fds, 2, static_cast<int>(std::min(timeout, 60000LL)));
        if (ready < 0 && errno != EINTR)
            break;
        if (fds[1].revents & POLLIN)
            break;
        const std::lock_guard lineLock(lineMutex);
        if (keying.keyed() && keying.msToLimit() == 0)
            keying.cut();
        if (keying.keyed() &&
            Clock::now() - lastHeard >= std::chrono::milliseconds(options.heartbeatMs)) {
            keying.drop(silentTold ? std::string()
                                   : "Quorvex antwortet nicht mehr: Sendeleitung abgeschaltet");
            silentTold = true;
        }
        if (!(fds[0].revents & (POLLIN | POLLHUP | POLLERR)))
            continue;
        char buffer[4096];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0)
            break; // the program is gone
        lastHeard = Clock::now();
        silentTold = false;
        pending.append(buffer, static_cast<std::size_t>(n));
        bool quit = false;
        for (std::size_t end; !quit && (end = pending.find('\n')) != std::string::npos;
             pending.erase(0, end + 1)) {
            const auto request = keyerwire::parseRequest(std::string_view(pending).substr(0, end));
            if (!request)
                continue;
            const auto answer = [&](Result r, std::string text = {}) {
                say({request->id, static_cast<int>(r), std::move(text)});
            };
            switch (request->verb) {
            case keyerwire::Verb::Rts:
            case keyerwire::Verb::Dtr: {
                const Result r =
                    keying.set(request->verb == keyerwire::Verb::Rts, request->number != 0);
                answer(r, r == Result::Ok ? std::string() : line->errorText().toStdString());
                break;
            }
            case keyerwire::Verb::Inputs: {
                int bits = 0;
                const Result r = line->inputLines(bits);
                answer(r, std::to_string(bits));
                break;
            }
            case keyerwire::Verb::Changes: {
                int count = 0;
                const Result r = line->inputChangeCount(
                    static_cast<platform::SerialLine::InputLine>(request->number), count);
                answer(r, std::to_string(count));
                break;
            }
            case keyerwire::Verb::Wait:
                if (waiting) {
                    answer(Result::Failed);
                    break;
                }
                if (waiter.joinable())
                    waiter.join();
                waiting = true;
                waiter = std::thread(
                    [&line, &lineMutex, &waiting, id = request->id, seen = request->number] {
                        // A change since the program last looked is answered at once: the
                        // driver's wait sees only changes after it began.
                        int now = 0;
                        Result r = Result::Ok;
                        {
                            const std::lock_guard lock(lineMutex);
                            r = line->inputLines(now);
                        }
                        if (r == Result::Ok && now == seen)
                            r = line->waitInputChange();
                        waiting = false;
                        say({id, static_cast<int>(r), {}});
                    });
                break;
            case keyerwire::Verb::Interrupt:
                line->interruptWait();
                break;
            case keyerwire::Verb::Check: {
                const Result r = line->check();
                answer(r, r == Result::Ok ? std::string() : line->errorText().toStdString());
                break;
            }
            case keyerwire::Verb::Heartbeat:
                break;
            case keyerwire::Verb::Quit:
                quit = true;
                break;
            }
        }
        if (quit || pending.size() > keyerwire::MaxLine * 4)
            break;
    }
    {
        const std::lock_guard lineLock(lineMutex);
        keying.drop({});
    }
    line->interruptWait();
    if (waiter.joinable())
        waiter.join();
    line->close();
    std::fflush(stdout);
    return 0;
}
