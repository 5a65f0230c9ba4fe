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

// One line from fd within ms; empty on a timeout or the end.
std::string firstLine(int fd, int ms) {
    std::string line;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (line.size() < keyerwire::MaxLine) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              until - std::chrono::steady_clock::now())
                              .count();
        pollfd p{fd, POLLIN, 0};
        if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0)
            return {};
        char c = 0;
        if (::read(fd, &c, 1) != 1)
            return {};
        if (c == '\n')
            return line;
        line += c;
    }
    return {};
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
    close();
    m_device = m_interface.way == KeyingInterface::Way::Com ? device : m_interface.device;
    {
        const std::lock_guard lock(m_mutex);
        m_closing = false;
    }
    const Result r = spawn();
    if (r != Result::Ok)
        return r;
    m_open = true;
    m_reader = std::thread([this] { readLoop(); });
    return Result::Ok;
}

// Starts the process and reads its word on the interface; the caller owns no lock.
SerialLine::Result KeyingProcessLine::spawn() {
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
    const auto word = keyerwire::parseAnswer(firstLine(out[0], OpenMs));
    Result r = Result::Failed;
    QString why = QStringLiteral("der Sendeprozess antwortet nicht");
    if (word && word->id == 0) {
        r = static_cast<Result>(word->code);
        why = QString::fromStdString(word->text);
    }
    const std::lock_guard lock(m_mutex);
    if (r != Result::Ok) {
        ::close(in[1]);
        ::close(out[0]);
        endChild(pid);
        m_error = why;
        return r;
    }
    ::fcntl(in[1], F_SETFL, ::fcntl(in[1], F_GETFL) | O_NONBLOCK);
    m_toProcess = in[1];
    m_fromProcess = out[0];
    m_pid = pid;
    ++m_generation;
    return Result::Ok;
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
                    const QString said = QString::fromStdString(a->text);
                    std::fprintf(stderr, "quorvex: %s\n", said.toLocal8Bit().constData());
                    if (m_tell)
                        m_tell(said);
                    continue;
                }
                const std::lock_guard lock(m_mutex);
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
        }
        m_answerCame.notify_all();
        endChild(gone);
        pending.clear();
        {
            const std::lock_guard lock(m_mutex);
            m_restarting = true;
        }
        const Result again = spawn();
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
    // A process being started again is waited for: its start is no lost line.
    if (m_toProcess < 0 && m_restarting && timeoutMs != 0)
        m_answerCame.wait_for(lock, std::chrono::milliseconds(OpenMs),
                              [this] { return !m_restarting; });
    if (m_toProcess < 0)
        return std::nullopt;
    const std::uint32_t id = m_nextId++;
    if (m_nextId == 0)
        m_nextId = 1;
    const std::string line = keyerwire::format(keyerwire::Request{id, verb, number});
    if (!writeAll(m_toProcess, line))
        return std::nullopt;
    if (verb == Verb::Heartbeat || verb == Verb::Interrupt || verb == Verb::Quit)
        return keyerwire::Answer{id, 0, {}};
    const std::uint64_t generation = m_generation;
    const auto arrived = [&] { return m_answers.count(id) > 0 || m_generation != generation; };
    if (timeoutMs < 0)
        m_answerCame.wait(lock, arrived);
    else if (!m_answerCame.wait_for(lock, std::chrono::milliseconds(timeoutMs), arrived))
        return std::nullopt;
    const auto found = m_answers.find(id);
    if (found == m_answers.end())
        return std::nullopt;
    keyerwire::Answer a = std::move(found->second);
    m_answers.erase(found);
    if (a.code != 0 && !a.text.empty())
        m_error = QString::fromStdString(a.text);
    return a;
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

SerialLine::Result KeyingProcessLine::setRequestToSend(bool active) {
    return answered(ask(Verb::Rts, active ? 1 : 0, AnswerMs));
}

SerialLine::Result KeyingProcessLine::setDataTerminalReady(bool active) {
    return answered(ask(Verb::Dtr, active ? 1 : 0, AnswerMs));
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

SerialLine::Result KeyingProcessLine::check() {
    if (!m_open)
        return Result::Gone;
    return answered(ask(Verb::Check, 0, AnswerMs));
}

void KeyingProcessLine::close() {
    if (!m_reader.joinable() && m_pid < 0) {
        m_open = false;
        return;
    }
    pid_t pid = -1;
    {
        const std::lock_guard lock(m_mutex);
        m_closing = true;
        pid = m_pid;
    }
    ask(Verb::Quit, 0, 0);
    // It drops the line and ends at once; one that does not is ended.
    for (int i = 0; i < 50 && pid > 0 && ::waitpid(pid, nullptr, WNOHANG) == 0; ++i)
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
    m_answerCame.notify_all();
    m_open = false;
}

QString KeyingProcessLine::errorText() const {
    const std::lock_guard lock(m_mutex);
    return m_error;
}

} // namespace platform
