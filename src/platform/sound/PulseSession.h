#pragma once

#include <pulse/pulseaudio.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>

// One connection to the sound server with its stream, run on the calling thread's own
// main loop, every wait bounded; released in the right order whatever happened.
namespace platform::pulse {

class Session {
public:
    using Deadline = std::chrono::steady_clock::time_point;
    // The loop wakes at least this often, so a cancel is seen without a wake-up call.
    static constexpr int StepMs = 20;

    explicit Session(const std::atomic<bool>& cancel);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Connects without starting a server of its own: a missing server fails at once.
    bool connect(const std::string& applicationName, std::chrono::milliseconds bound);
    // Waits for the stream (made by the caller) to become ready.
    bool streamReady(std::chrono::milliseconds bound);
    // Runs the loop until done() holds; false on failure, cancel or the deadline.
    bool waitFor(const std::function<bool()>& done, Deadline deadline, const char* what);
    // A failed stream sets the error; returns its state.
    pa_stream_state_t streamState();

    std::string contextError() const;
    const std::string& error() const { return m_error; }
    void setError(std::string why) { m_error = std::move(why); }

    pa_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    pa_stream* stream = nullptr;
    pa_operation* operation = nullptr; // one pending operation (a drain, a listing)

    // One turn of the loop, waiting at most timeoutMs (< 0: until woken) for something to
    // happen.
    bool step(int timeoutMs);

private:
    const std::atomic<bool>& m_cancel;
    std::string m_error;
};

} // namespace platform::pulse
