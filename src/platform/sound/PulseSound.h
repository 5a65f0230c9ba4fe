#pragma once

#include "Sound.h"

#include <atomic>
#include <thread>

namespace platform {

// Sound on the PulseAudio server of the session (PipeWire's pulse server too).
// Playback runs on a worker thread. A synchronous call waits in a local event loop
// that takes no user input: the windows cannot be operated meanwhile, but timers
// keep running (the keyer's hang time and watchdog above all). Whoever plays from a
// timer must guard that timer against running again inside the wait.
class PulseSound final : public Sound {
public:
    explicit PulseSound(int serverTimeoutMs = 1000);
    ~PulseSound() override;
    PulseSound(const PulseSound&) = delete;
    PulseSound& operator=(const PulseSound&) = delete;

    bool playWaveSync(const QString& path) override;
    bool playAsync(const QString& path) override;

    // A sound of ours is playing (synchronous or not).
    bool playing() const override { return m_busy.load(); }
    // Why the last synchronous call failed; empty after a success.
    QString lastError() const { return m_lastError; }

private:
    void joinAsync();

    int m_timeoutMs;
    std::atomic<bool> m_busy{false};
    std::atomic<bool> m_asyncCancel{false};
    std::thread m_async;
    QString m_lastError;
};

} // namespace platform
