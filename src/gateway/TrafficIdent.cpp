#include "TrafficIdent.h"

#include "Clock.h"

TrafficIdent::TrafficIdent(const platform::Clock& clock, std::function<void()> send, int secondMs)
    : m_clock(clock), m_send(std::move(send)), m_secondMs(secondMs) {}

void TrafficIdent::speakerKeying(bool keyed) {
    const std::int64_t now = m_clock.monotonicMs();
    m_speakerKeyed = keyed;
    if (!keyed) {
        m_droppedMs = now;
        return;
    }
    // A new stretch of traffic: its first identification is due N minutes from now.
    if (!m_traffic)
        m_periodFromMs = now;
    m_traffic = true;
}

void TrafficIdent::tick(bool lineKeyed) {
    if (!m_settings.on || !m_traffic || lineKeyed || m_speakerKeyed)
        return;
    const std::int64_t now = m_clock.monotonicMs();
    const bool ended = now - m_droppedMs >= EndDelaySeconds * m_secondMs;
    const bool due = now - m_periodFromMs >= std::int64_t(m_settings.minutes) * 60 * m_secondMs;
    if (!ended && !due)
        return;
    if (m_lastIdentMs && now - *m_lastIdentMs < MinGapSeconds * m_secondMs)
        return;
    m_lastIdentMs = now;
    m_periodFromMs = now;
    m_traffic = false;
    if (m_send)
        m_send();
}
