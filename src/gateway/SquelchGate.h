#pragma once

#include <cstdint>
#include <optional>

// Whether a receiver's squelch counts as open, from its raw input sampled over time: open
// once the input has stayed open for the open delay (short bursts are ignored), held
// through the hang time after it closes, closed at once while the gateway must not listen
// (our own transmitter keyed, the gateway closed) and, once open longer than the time
// limit, closed as stuck until the input has closed again. An input that cannot be read
// counts as closed.
class SquelchGate {
public:
    enum class State { Closed, Open, Hanging, Inhibited, Stuck, Missing };

    struct Timing {
        std::int64_t openDelayMs = 20;
        std::int64_t hangMs = 300;
        std::int64_t limitMs = 0; // 0: no limit
    };

    explicit SquelchGate(Timing timing) : m_timing(timing) {}

    // raw: the input now, nullopt when it cannot be read; inhibited: ignore it.
    void step(std::int64_t nowMs, std::optional<bool> raw, bool inhibited);

    bool open() const { return m_state == State::Open || m_state == State::Hanging; }
    // Nothing changes before the input does: no open delay, hang time or limit runs.
    bool settled() const {
        return m_state == State::Inhibited || m_state == State::Stuck ||
               m_state == State::Missing || (m_state == State::Closed && !m_rawOpenSince);
    }
    State state() const { return m_state; }

private:
    Timing m_timing;
    State m_state = State::Closed;
    std::optional<std::int64_t> m_rawOpenSince; // the input open since, uninterrupted
    std::int64_t m_lastRawOpen = 0;
    std::int64_t m_openSince = 0;
    bool m_stuck = false; // past the limit; ends when the input closes
};
