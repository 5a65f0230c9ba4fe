#include "KeyingProcessLine.h"

#include "KeyerWire.h"

#include <QFile>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace platform {
namespace {

using keyerwire::Verb;

const char* wayName(KeyingInterface::Way way) {
    switch (way) {
    case KeyingInterface::Way::Cm108:
        return "CM108";
    case KeyingInterface::Way::Hamlib:
        return "Hamlib";
    case KeyingInterface::Way::Gpio:
        return "GPIO";
    case KeyingInterface::Way::Com:
        break;
    }
    return "COM";
}

// A write to the process that never blocks and never raises SIGPIPE: a process that died
// (or stopped reading) must cost a failed request, not the program; a hung one whose pipe
// is full must not hold the window's thread. SIGPIPE is blocked in this thread for the
// write and a pending one taken back, so the program's own disposition stays as it is.
bool writeAll(int fd, const std::string& line) {
    sigset_t pipeSignal, before;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &before);
    const ssize_t n = ::write(fd, line.data(), line.size());
    if (n < 0 && errno == EPIPE) {
        const timespec none{};
        while (sigtimedwait(&pipeSignal, nullptr, &none) == SIGPIPE) {
        }
    }
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    return n == static_cast<ssize_t>(line.size());
}

std::int64_t nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void endChild(pid_t pid) {
    if (pid <= 0)
        return;
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

} // namespace

KeyingProcessLine::KeyingProcessLine(QString program, std::function<void(const QString&)> tell)
    : m_program(std::move(program)), m_tell(std::move(tell)) {}

KeyingProcessLine::~KeyingProcessLine() {
    close();
}

void KeyingProcessLine::setInterface(const KeyingInterface& chosen) {
    m_interface = chosen;
}

void KeyingProcessLine::setLimitMs(std::int64_t ms) {
    m_limitMs = ms;
}

SerialLine::Result KeyingProcessLine::open(const QString& device) {
    const QString wanted =
        m_interface.way == KeyingInterface::Way::Com ? device : m_interface.device;
    // A start still under way for the same interface is asked again, not begun anew.
    const bool going = isOpening() && m_start.interface == m_interface && m_start.device == wanted;
    if (!going) {
        close();
        m_device = wanted;
        {
            const std::lock_guard lock(m_mutex);
            m_closing = false;
        }
        const Result r = start();
        if (r != Result::Ok)
            return r;
    }
    const std::optional<Result> word = takeWord(going ? 0 : FirstWordMs);
    if (!word) {
        const std::lock_guard lock(m_mutex);
        m_error = QStringLiteral("die Schnittstelle meldet sich noch nicht");
        return Result::Busy;
    }
    if (*word != Result::Ok)
        return *word;
    m_open = true;
    m_reader = std::thread([this] { readLoop(); });
    return Result::Ok;
}

bool KeyingProcessLine::isOpening() const {
    const std::lock_guard lock(m_mutex);
    return m_start.pid > 0 && !m_open;
}

// Starts the process; its word on the interface is taken later (takeWord). The caller
// owns no lock.
SerialLine::Result KeyingProcessLine::start() {
    std::vector<std::string> args{QFile::encodeName(m_program).toStdString(),
                                  "--art",
                                  wayName(m_interface.way),
                                  "--geraet",
                                  m_device.toLocal8Bit().toStdString(),
                                  "--modell",
                                  std::to_string(m_interface.model),
                                  "--baud",
                                  std::to_string(m_interface.baud),
                                  "--pin",
                                  std::to_string(m_interface.pin),
                                  "--limit-ms",
                                  std::to_string(m_limitMs),
                                  "--heartbeat-ms",
                                  std::to_string(HeartbeatMs)};
    if (m_interface.inverted)
        args.emplace_back("--invertiert");
    if (m_interface.way == KeyingInterface::Way::Gpio && m_interface.inputLine >= 0) {
        args.emplace_back("--eingang");
        args.push_back(std::to_string(m_interface.inputLine));
    }
    if (m_interface.way == KeyingInterface::Way::Cm108 && !m_interface.soundCard.isEmpty()) {
        args.emplace_back("--soundkarte");
        args.push_back(QFile::encodeName(m_interface.soundCard).toStdString());
    }
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0)
        return Result::Failed;
    if (::pipe2(out, O_CLOEXEC) != 0) {
        ::close(in[0]);
        ::close(in[1]);
        return Result::Failed;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    if (spawned != 0) {
        ::close(in[1]);
        ::close(out[0]);
        const std::lock_guard lock(m_mutex);
        m_error =
            QStringLiteral("der Sendeprozess %1 l\u00E4sst sich nicht starten").arg(m_program);
        return Result::Failed;
    }
    ::fcntl(in[1], F_SETFL, ::fcntl(in[1], F_GETFL) | O_NONBLOCK);
    const std::lock_guard lock(m_mutex);
    m_start = Start{pid, in[1], out[0], {}, nowMs(), m_interface, m_device};
    return Result::Ok;
}

// The started process's word on its interface, waited for up to waitMs; nullopt while it
// has not said it. Its Ok makes it the process; a failure, its end or a start past
// StartLimitMs ends it. Only one thread at a time takes the word (open(), or the reader
// starting a process again).
std::optional<SerialLine::Result> KeyingProcessLine::takeWord(int waitMs) {
    const std::int64_t until = nowMs() + waitMs;
    for (;;) {
        pollfd p{m_start.out, POLLIN, 0};
        const int ready =
            ::poll(&p, 1, static_cast<int>(std::max<std::int64_t>(0, until - nowMs())));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0 && nowMs() - m_start.sinceMs < StartLimitMs)
            return std::nullopt;
        char c = 0;
        if (ready <= 0 || ::read(m_start.out, &c, 1) != 1)
            return endStart(QStringLiteral("der Sendeprozess antwortet nicht"));
        if (c != '\n') {
            if (m_start.word.size() < keyerwire::MaxLine)
                m_start.word += c;
            continue;
        }
        const auto word = keyerwire::parseAnswer(m_start.word);
        if (!word || word->id != 0)
            return endStart(QStringLiteral("der Sendeprozess antwortet nicht"));
        if (word->code != static_cast<int>(Result::Ok))
            return endStart(QString::fromStdString(word->text), static_cast<Result>(word->code));
        const std::lock_guard lock(m_mutex);
        m_toProcess = std::exchange(m_start.in, -1);
        m_fromProcess = std::exchange(m_start.out, -1);
        m_pid = std::exchange(m_start.pid, -1);
        ++m_generation;
        return Result::Ok;
    }
}

// Ends a start that failed (or that close() no longer wants), and keeps why.
SerialLine::Result KeyingProcessLine::endStart(const QString& why, Result result) {
    pid_t pid = -1;
    {
        const std::lock_guard lock(m_mutex);
        pid = std::exchange(m_start.pid, -1);
        if (!why.isEmpty())
            m_error = why;
    }
    ::close(std::exchange(m_start.in, -1));
    ::close(std::exchange(m_start.out, -1));
    endChild(pid);
    return result;
}

// The process's answers, its own words, and its end: a process that ends unasked is
// started again at once.
void KeyingProcessLine::readLoop() {
    std::string pending;
    bool toldRestart = false;
    for (;;) {
        int fd = -1;
        {
            const std::lock_guard lock(m_mutex);
            fd = m_fromProcess;
        }
        char buffer[4096];
        const ssize_t n = fd >= 0 ? ::read(fd, buffer, sizeof buffer) : 0;
        if (n > 0) {
            pending.append(buffer, static_cast<std::size_t>(n));
            for (std::size_t end; (end = pending.find('\n')) != std::string::npos;
                 pending.erase(0, end + 1)) {
                const auto a = keyerwire::parseAnswer(std::string_view(pending).substr(0, end));
                if (!a)
                    continue;
                if (a->id == 0) {
                    {
                        // It did something by itself (dropped the line): the next
                        // request for a level is sent again.
                        const std::lock_guard lock(m_mutex);
                        m_rtsSet = m_dtrSet = LineSet{};
                    }
                    const QString said = QString::fromStdString(a->text);
                    std::fprintf(stderr, "quorvex: %s\n", said.toLocal8Bit().constData());
                    if (m_tell)
                        m_tell(said);
                    continue;
                }
                const std::lock_guard lock(m_mutex);
                if (m_abandoned.erase(a->id) == 0)
                    m_answers[a->id] = *a;
            }
            m_answerCame.notify_all();
            if (pending.size() > keyerwire::MaxLine * 4)
                pending.clear();
            continue;
        }
        pid_t gone = -1;
        {
            const std::lock_guard lock(m_mutex);
            if (m_closing)
                return;
            gone = std::exchange(m_pid, -1);
            ::close(std::exchange(m_toProcess, -1));
            ::close(std::exchange(m_fromProcess, -1));
            ++m_generation; // every waiting question fails
            m_answers.clear();
            m_abandoned.clear();
        }
        m_answerCame.notify_all();
        endChild(gone);
        pending.clear();
        {
            const std::lock_guard lock(m_mutex);
            m_restarting = true;
        }
        Result again = start();
        if (again == Result::Ok) {
            const std::optional<Result> word = takeWord(OpenMs);
            again = word ? *word : endStart(QStringLiteral("der Sendeprozess antwortet nicht"));
        }
        {
            // A close that came meanwhile ends the new process too.
            const std::lock_guard lock(m_mutex);
            m_restarting = false;
            if (m_closing) {
                endChild(std::exchange(m_pid, -1));
                return;
            }
        }
        m_answerCame.notify_all();
        std::fprintf(stderr, "quorvex: Sendeprozess beendet, neu gestartet: %s\n",
                     again == Result::Ok ? "bereit" : "ohne Schnittstelle");
        if (m_tell && !std::exchange(toldRestart, true))
            m_tell(QStringLiteral("Der Sendeprozess war beendet und wurde neu gestartet; die "
                                  "Sendeleitung war dabei abgeschaltet."));
        if (again != Result::Ok) {
            m_open = false;
            return;
        }
    }
}

std::optional<keyerwire::Answer> KeyingProcessLine::ask(Verb verb, std::int64_t number,
                                                        int timeoutMs) {
    std::unique_lock lock(m_mutex);
    // A process being started again is waited for a moment: its start is no lost line.
    if (m_toProcess < 0 && m_restarting && timeoutMs != 0)
        m_answerCame.wait_for(lock, std::chrono::milliseconds(AnswerMs),
                              [this] { return !m_restarting; });
    const std::uint32_t id = sendLocked(verb, number);
    if (id == 0)
        return std::nullopt;
    if (verb == Verb::Heartbeat || verb == Verb::Interrupt || verb == Verb::Quit)
        return keyerwire::Answer{id, 0, {}};
    const std::uint64_t generation = m_generation;
    const auto arrived = [&] { return m_answers.count(id) > 0 || m_generation != generation; };
    if (timeoutMs < 0)
        m_answerCame.wait(lock, arrived);
    else if (!m_answerCame.wait_for(lock, std::chrono::milliseconds(timeoutMs), arrived)) {
        m_abandoned.insert(id); // its answer, should it come, is nobody's
        return std::nullopt;
    }
    const auto found = m_answers.find(id);
    if (found == m_answers.end())
        return std::nullopt;
    keyerwire::Answer a = std::move(found->second);
    m_answers.erase(found);
    if (a.code != 0 && !a.text.empty())
        m_error = QString::fromStdString(a.text);
    return a;
}

// Writes a request under the caller's lock; its id, or 0 when it could not be written.
std::uint32_t KeyingProcessLine::sendLocked(Verb verb, std::int64_t number) {
    if (m_toProcess < 0)
        return 0;
    const std::uint32_t id = m_nextId++;
    if (m_nextId == 0)
        m_nextId = 1;
    return writeAll(m_toProcess, keyerwire::format(keyerwire::Request{id, verb, number})) ? id : 0;
}

SerialLine::Result KeyingProcessLine::answered(const std::optional<keyerwire::Answer>& a) {
    if (!a) {
        const std::lock_guard lock(m_mutex);
        m_error = QStringLiteral("der Sendeprozess antwortet nicht");
        return Result::Gone;
    }
    return a->code >= 0 && a->code <= static_cast<int>(Result::Failed)
               ? static_cast<Result>(a->code)
               : Result::Failed;
}

// The keyer sets its line on every tick while it keys: what this process already holds is
// not asked again (for a CAT radio each would be a command to the radio, waited for).
// A new process starts unkeyed, so after a restart the level is asked for again.
SerialLine::Result KeyingProcessLine::setLine(Verb verb, bool active, LineSet& set) {
    std::uint64_t generation = 0;
    {
        const std::lock_guard lock(m_mutex);
        if (set.level == (active ? 1 : 0) && set.generation == m_generation)
            return Result::Ok;
        generation = m_generation;
    }
    const Result r = answered(ask(verb, active ? 1 : 0, AnswerMs));
    const std::lock_guard lock(m_mutex);
    set = r == Result::Ok ? LineSet{active ? 1 : 0, generation} : LineSet{};
    return r;
}

SerialLine::Result KeyingProcessLine::setRequestToSend(bool active) {
    return setLine(Verb::Rts, active, m_rtsSet);
}

SerialLine::Result KeyingProcessLine::setDataTerminalReady(bool active) {
    return setLine(Verb::Dtr, active, m_dtrSet);
}

SerialLine::Result KeyingProcessLine::inputLines(int& lines) {
    const auto a = ask(Verb::Inputs, 0, AnswerMs);
    const Result r = answered(a);
    if (r == Result::Ok) {
        lines = std::atoi(a->text.c_str());
        m_lastInputs = lines;
    }
    return r;
}

SerialLine::Result KeyingProcessLine::inputChangeCount(InputLine line, int& count) {
    const auto a = ask(Verb::Changes, static_cast<int>(line), AnswerMs);
    const Result r = answered(a);
    if (r == Result::Ok)
        count = std::atoi(a->text.c_str());
    return r;
}

SerialLine::Result KeyingProcessLine::waitInputChange() {
    if (!m_open)
        return Result::Failed;
    const auto a = ask(Verb::Wait, m_lastInputs, -1);
    return a ? static_cast<Result>(a->code) : Result::Failed;
}

void KeyingProcessLine::interruptWait() {
    ask(Verb::Interrupt, 0, 0);
}

// Called every tick from the window's thread, so it never waits: it says what the
// previous check found and sends the next (the heartbeat, too). A check unanswered for
// AnswerMs is a process that no longer answers.
SerialLine::Result KeyingProcessLine::check() {
    if (!m_open)
        return Result::Gone;
    const std::lock_guard lock(m_mutex);
    if (m_checkId != 0 && m_checkGeneration == m_generation) {
        const auto found = m_answers.find(m_checkId);
        if (found == m_answers.end()) {
            if (nowMs() - m_checkSentMs < AnswerMs)
                return Result::Ok;
            m_checkId = 0;
            m_silent = true;
            m_error = QStringLiteral("der Sendeprozess antwortet nicht");
            return Result::Gone;
        }
        const keyerwire::Answer a = std::move(found->second);
        m_answers.erase(found);
        m_checkId = 0;
        if (a.code != static_cast<int>(Result::Ok)) {
            m_error = QString::fromStdString(a.text);
            return a.code > 0 && a.code <= static_cast<int>(Result::Failed)
                       ? static_cast<Result>(a.code)
                       : Result::Failed;
        }
    }
    if (m_toProcess < 0 && m_restarting)
        return Result::Ok; // a new process is on its way; a failed start closes the line
    m_checkId = sendLocked(Verb::Check, 0);
    m_checkGeneration = m_generation;
    m_checkSentMs = nowMs();
    if (m_checkId != 0)
        return Result::Ok;
    m_error = QStringLiteral("der Sendeprozess antwortet nicht");
    return Result::Gone;
}

void KeyingProcessLine::close() {
    {
        // A start under way ends here; the reader's own start ends with its process.
        const std::lock_guard lock(m_mutex);
        m_checkId = 0;
        if (m_start.pid > 0 && m_reader.joinable())
            ::kill(m_start.pid, SIGKILL);
    }
    if (!m_reader.joinable() && m_start.pid > 0)
        endStart({});
    if (!m_reader.joinable() && m_pid < 0) {
        m_open = false;
        return;
    }
    pid_t pid = -1;
    bool silent = false;
    {
        const std::lock_guard lock(m_mutex);
        m_closing = true;
        pid = m_pid;
        silent = std::exchange(m_silent, false);
    }
    ask(Verb::Quit, 0, 0);
    // It drops the line and ends at once; one that does not (or that stopped answering
    // before: it hangs, and holds the line) is ended.
    for (int i = 0; i < 50 && !silent && pid > 0 && ::waitpid(pid, nullptr, WNOHANG) == 0; ++i)
        ::usleep(10000);
    endChild(pid);
    if (m_reader.joinable())
        m_reader.join();
    const std::lock_guard lock(m_mutex);
    if (m_toProcess >= 0)
        ::close(std::exchange(m_toProcess, -1));
    if (m_fromProcess >= 0)
        ::close(std::exchange(m_fromProcess, -1));
    m_pid = -1;
    ++m_generation;
    m_answers.clear();
    m_abandoned.clear();
    m_answerCame.notify_all();
    m_open = false;
}

QString KeyingProcessLine::errorText() const {
    const std::lock_guard lock(m_mutex);
    return m_error;
}

} // namespace platform
