#pragma once

#include "IdentSettings.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace platform {
class Clock;
}

// Identification after traffic: while the gateway carries traffic, the identification
// goes out at least every N minutes in the next pause, and once when the traffic has
// ended (the line down for a few seconds after its hang time); never twice within a
// minute, never over a speaker, never when nothing was sent.
class TrafficIdent {
public:
    using Settings = IdentSettings;
    static constexpr int EndDelaySeconds = 3;
    static constexpr int MinGapSeconds = 60;

    // send: plays the identification (keying the line for it). secondMs: the length of a
    // second (tests shorten it).
    TrafficIdent(const platform::Clock& clock, std::function<void()> send, int secondMs = 1000);

    void setSettings(Settings settings) { m_settings = settings; }
    // A speaker's keying of the line began or ended.
    void speakerKeying(bool keyed);
    // Every monitor tick, with whether the line is keyed now (by anyone).
    void tick(bool lineKeyed);

private:
    const platform::Clock& m_clock;
    std::function<void()> m_send;
    const std::int64_t m_secondMs;
    Settings m_settings;
    bool m_traffic = false; // a speaker was sent since the last identification
    bool m_speakerKeyed = false;
    std::int64_t m_droppedMs = 0;    // when the last speaker's keying ended
    std::int64_t m_periodFromMs = 0; // the last identification, or the traffic's start
    std::optional<std::int64_t> m_lastIdentMs;
};
