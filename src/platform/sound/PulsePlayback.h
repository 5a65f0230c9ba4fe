#pragma once

#include <atomic>
#include <functional>
#include <string>

// One sound file played to the default output of a PulseAudio server (also PipeWire's
// pulse server), from start to drained. Plain C++: it runs on a worker thread.
namespace platform::pulse {

struct PlaybackRequest {
    std::string path;
    bool waveOnly = false;      // refuse anything that is not a RIFF/RF64 wave file
    int serverTimeoutMs = 1000; // connecting and each later wait on the server
    std::string applicationName = "Quorvex";
    // Called on the playing thread when the server starts to play the stream.
    std::function<void()> onStarted;
};

struct PlaybackResult {
    bool played = false;
    std::string error; // empty when played
};

// Blocks until the sound has drained, the server failed or stalled past its bound,
// or cancel became true (checked at least every 20 ms).
PlaybackResult playFile(const PlaybackRequest& request, const std::atomic<bool>& cancel);

} // namespace platform::pulse
