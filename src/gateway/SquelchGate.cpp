#include "SquelchGate.h"

void SquelchGate::step(std::int64_t now, std::optional<bool> raw, bool inhibited) {
    if (!raw || inhibited) {
        // Opening again takes the full delay: what the receiver heard while we could not
        // listen is no part of the next opening.
        m_rawOpenSince.reset();
        m_state = !raw ? State::Missing : State::Inhibited;
        return;
    }
    if (!*raw) {
        m_rawOpenSince.reset();
        m_stuck = false; // it has closed: it may open again
        m_state = open() && now - m_lastRawOpen < m_timing.hangMs ? State::Hanging : State::Closed;
        return;
    }
    if (!m_rawOpenSince)
        m_rawOpenSince = now;
    m_lastRawOpen = now;
    if (m_stuck) {
        m_state = State::Stuck;
        return;
    }
    if (!open()) {
        if (now - *m_rawOpenSince < m_timing.openDelayMs) {
            m_state = State::Closed;
            return;
        }
        m_openSince = now;
    }
    m_state = State::Open;
    if (m_timing.limitMs > 0 && now - m_openSince >= m_timing.limitMs) {
        m_stuck = true;
        m_state = State::Stuck;
    }
}
