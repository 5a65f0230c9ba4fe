#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Recording from a PulseAudio source (PipeWire's pulse server too) on a worker thread,
// as 16-bit mono at a rate of our choosing (the server converts). Every wait on the
// server is bounded: a missing or frozen server fails the start within the bound.
namespace platform::pulse {

struct Source {
    std::string name;
    std::string description;
};

// The server's sources, the monitors of its outputs included.
std::vector<Source> listSources(std::chrono::milliseconds bound, std::string* error);
// The sysfs folder of the sound card behind a source (empty name: the default input),
// "/sys/devices/…"; empty where the server knows none or does not answer within bound.
std::string sourceSysfsPath(const std::string& name, std::chrono::milliseconds bound);

class Capture {
public:
    // Called on the worker thread with each piece of samples as it arrives.
    using Samples = std::function<void(const std::int16_t* samples, std::size_t count)>;

    Capture() = default;
    ~Capture();
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;

    // source empty: the server's default. False with the reason when recording did not
    // begin within bound. The samples come in pieces of about pieceMs.
    bool start(const std::string& source, int rate, Samples onSamples,
               std::chrono::milliseconds bound, std::string* error, int pieceMs = 10);
    void stop();
    // False once stopped, or when the server ended the stream (failure() says why).
    bool running() const { return m_running.load(); }
    std::string failure() const;

private:
    void run(std::string source, int rate, int pieceMs, std::chrono::milliseconds bound,
             std::promise<std::string> ready);

    std::thread m_worker;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_running{false};
    Samples m_onSamples;
    mutable std::mutex m_mutex;
    std::string m_failure;
    void* m_loop = nullptr; // the recording's main loop, woken by stop(); under m_mutex
};

} // namespace platform::pulse
