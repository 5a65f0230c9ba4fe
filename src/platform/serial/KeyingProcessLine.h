#pragma once

#include "KeyingInterface.h"
#include "SerialLine.h"

#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <sys/types.h>
#include <thread>

namespace keyerwire {
struct Answer;
enum class Verb : char;
} // namespace keyerwire

namespace platform {

// The keying line as the keying process drives it: every call goes to the process and is
// answered by it, so a frozen or killed program never holds the transmitter (the process
// drops the line on the end of its input, or when the heartbeat, every check(), stops).
// A process that dies is started again at once, unkeyed, and told once through tell.
class KeyingProcessLine final : public SerialLine {
public:
    static constexpr int HeartbeatMs = 2000;
    static constexpr int AnswerMs = 500;
    static constexpr int OpenMs = 3000;
    // How long open() waits for the interface's word before it leaves the start running
    // (a CAT radio that does not answer takes Hamlib 20 s), and how long a start may run.
    static constexpr int FirstWordMs = 100;
    static constexpr int StartLimitMs = 60000;

    // tell: a German sentence for the person at the PC; called from any thread.
    KeyingProcessLine(QString program, std::function<void(const QString&)> tell);
    ~KeyingProcessLine() override;

    // Both take effect at the next open.
    void setInterface(const KeyingInterface& chosen);
    // The process's own limit: never keyed longer than this, whatever it is told.
    void setLimitMs(std::int64_t ms);
    const KeyingInterface& interface() const { return m_interface; }

    // The serial way opens device; the other ways their own device from the interface.
    Result open(const QString& device) override;
    Result setRequestToSend(bool active) override;
    Result setDataTerminalReady(bool active) override;
    Result inputLines(int& lines) override;
    Result inputChangeCount(InputLine line, int& count) override;
    Result waitInputChange() override;
    void interruptWait() override;
    Result check() override; // the heartbeat, too
    void close() override;
    bool isOpen() const override { return m_open; }
    bool isOpening() const override;
    bool dropsWhenGone() const override { return m_interface.way != KeyingInterface::Way::Hamlib; }
    int nativeHandle() const override { return -1; }
    QString errorText() const override;

    // Answers kept for a request still to take them (tests: none is kept for ever).
    std::size_t answersHeld() const {
        const std::lock_guard lock(m_mutex);
        return m_answers.size() + m_abandoned.size();
    }

private:
    // A process started whose word on its interface has not come yet.
    struct Start {
        pid_t pid = -1;
        int in = -1, out = -1;
        std::string word;
        std::int64_t sinceMs = 0;
        KeyingInterface interface;
        QString device;
    };
    // A line's level as the process holds it, for the process of that generation.
    struct LineSet {
        int level = -1; // -1 unknown
        std::uint64_t generation = 0;
    };
    Result setLine(keyerwire::Verb verb, bool active, LineSet& set);
    Result start();
    std::optional<Result> takeWord(int waitMs);
    Result endStart(const QString& why, Result result = Result::Failed);
    void readLoop();
    std::uint32_t sendLocked(keyerwire::Verb verb, std::int64_t number);
    std::optional<keyerwire::Answer> ask(keyerwire::Verb verb, std::int64_t number, int timeoutMs);
    Result answered(const std::optional<keyerwire::Answer>& a);

    const QString m_program;
    const std::function<void(const QString&)> m_tell;
    KeyingInterface m_interface;
    std::int64_t m_limitMs = 600000;
    QString m_device; // what open() was given

    mutable std::mutex m_mutex;
    std::condition_variable m_answerCame;
    std::map<std::uint32_t, keyerwire::Answer> m_answers;
    std::set<std::uint32_t> m_abandoned; // requests that timed out: their answers are dropped
    std::uint32_t m_nextId = 1;
    int m_toProcess = -1;
    int m_fromProcess = -1;
    pid_t m_pid = -1;
    std::uint64_t m_generation = 0; // a new process each time
    bool m_closing = false;
    bool m_restarting = false;   // a new process is being started after one ended
    Start m_start;               // its pid under the mutex: close() may end it from outside
    std::uint32_t m_checkId = 0; // the check on its way, 0 none
    std::uint64_t m_checkGeneration = 0;
    std::int64_t m_checkSentMs = 0;
    LineSet m_rtsSet, m_dtrSet;
    bool m_silent = false; // a check went unanswered: close() ends the process at once
    QString m_error;
    std::atomic<bool> m_open{false};
    std::atomic<int> m_lastInputs{0}; // as the last reading found them; a wait starts from them
    std::thread m_reader;
};

} // namespace platform
