#include "PulsePlayback.h"

#include <pulse/pulseaudio.h>
#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

namespace platform::pulse {
namespace {

using SteadyClock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// The loop wakes at least this often, so a cancel is seen without a wake-up call.
constexpr int StepMs = 20;
// Small enough that the first sample leaves within a few milliseconds, large enough
// that a loaded machine does not run the stream dry.
constexpr int TargetLatencyMs = 40;
constexpr sf_count_t ChunkFrames = 4096;

struct FileCloser {
    void operator()(SNDFILE* f) const { sf_close(f); }
};

bool isWave(int format) {
    const int major = format & SF_FORMAT_TYPEMASK;
    return major == SF_FORMAT_WAV || major == SF_FORMAT_WAVEX || major == SF_FORMAT_RF64;
}

// The server objects of one playback, released in the right order whatever happened.
class Session {
public:
    Session() : m_loop(pa_mainloop_new()) {}
    ~Session() {
        if (m_drain) {
            pa_operation_cancel(m_drain);
            pa_operation_unref(m_drain);
        }
        if (m_stream) {
            pa_stream_disconnect(m_stream);
            pa_stream_unref(m_stream);
        }
        if (m_context) {
            pa_context_disconnect(m_context);
            pa_context_unref(m_context);
        }
        if (m_loop)
            pa_mainloop_free(m_loop);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    pa_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
    pa_stream* m_stream = nullptr;
    pa_operation* m_drain = nullptr;
    int m_drained = 0; // 1 drained, -1 refused

    bool step(int timeoutMs) {
        if (pa_mainloop_prepare(m_loop, timeoutMs * 1000) < 0)
            return false;
        if (pa_mainloop_poll(m_loop) < 0)
            return false;
        return pa_mainloop_dispatch(m_loop) >= 0;
    }

    std::string contextError() const {
        return pa_strerror(m_context ? pa_context_errno(m_context) : PA_ERR_UNKNOWN);
    }
};

} // namespace

PlaybackResult playFile(const PlaybackRequest& request, const std::atomic<bool>& cancel) {
    PlaybackResult result;
    const auto fail = [&result](std::string why) {
        result.error = std::move(why);
        return result;
    };

    SF_INFO info{};
    std::unique_ptr<SNDFILE, FileCloser> file(sf_open(request.path.c_str(), SFM_READ, &info));
    if (!file)
        return fail("cannot read " + request.path + ": " + sf_strerror(nullptr));
    if (request.waveOnly && !isWave(info.format))
        return fail(request.path + " is not a wave file");
    if (info.channels < 1 || info.channels > static_cast<int>(PA_CHANNELS_MAX) ||
        info.samplerate < 1 || static_cast<unsigned>(info.samplerate) > PA_RATE_MAX)
        return fail(request.path + ": unsupported channel count or rate");

    pa_sample_spec sampleFormat{};
    sampleFormat.format = PA_SAMPLE_FLOAT32NE;
    sampleFormat.rate = static_cast<std::uint32_t>(info.samplerate);
    sampleFormat.channels = static_cast<std::uint8_t>(info.channels);
    pa_channel_map map;
    pa_channel_map_init_extend(&map, sampleFormat.channels, PA_CHANNEL_MAP_DEFAULT);
    const auto fileDuration = milliseconds(info.frames * 1000 / info.samplerate);
    const auto serverBound = milliseconds(request.serverTimeoutMs);

    Session s;
    if (!s.m_loop)
        return fail("no main loop");
    s.m_context = pa_context_new(pa_mainloop_get_api(s.m_loop), request.applicationName.c_str());
    if (!s.m_context)
        return fail("no context");

    // Runs the loop until done() holds; false on failure, cancel or the deadline.
    std::string waitError;
    const auto waitFor = [&](const std::function<bool()>& done, SteadyClock::time_point deadline,
                             const char* what) {
        while (!done()) {
            if (!waitError.empty())
                return false;
            if (cancel.load())
                return (waitError = "cancelled"), false;
            const auto left =
                std::chrono::duration_cast<milliseconds>(deadline - SteadyClock::now()).count();
            if (left <= 0)
                return (waitError = std::string("sound server did not answer: ") + what), false;
            if (!s.step(static_cast<int>(std::min<long long>(left, StepMs))))
                return (waitError = "main loop failed"), false;
        }
        return true;
    };

    // The client never starts a server of its own: a missing server fails at once.
    if (pa_context_connect(s.m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return fail("no sound server: " + s.contextError());
    const bool ready = waitFor(
        [&] {
            const pa_context_state_t st = pa_context_get_state(s.m_context);
            if (st == PA_CONTEXT_FAILED || st == PA_CONTEXT_TERMINATED)
                waitError = "no sound server: " + s.contextError();
            return st == PA_CONTEXT_READY;
        },
        SteadyClock::now() + serverBound, "connect");
    if (!ready)
        return fail(waitError);

    s.m_stream = pa_stream_new(s.m_context, "Ton", &sampleFormat, &map);
    if (!s.m_stream)
        return fail("stream refused: " + s.contextError());
    if (request.onStarted) {
        pa_stream_set_started_callback(
            s.m_stream,
            [](pa_stream*, void* user) { (*static_cast<const std::function<void()>*>(user))(); },
            const_cast<std::function<void()>*>(&request.onStarted));
    }
    pa_buffer_attr attr;
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength =
        static_cast<std::uint32_t>(pa_usec_to_bytes(TargetLatencyMs * 1000, &sampleFormat));
    attr.prebuf = static_cast<std::uint32_t>(-1);
    attr.minreq = static_cast<std::uint32_t>(-1);
    attr.fragsize = static_cast<std::uint32_t>(-1);
    if (pa_stream_connect_playback(s.m_stream, nullptr, &attr, PA_STREAM_ADJUST_LATENCY, nullptr,
                                   nullptr) < 0)
        return fail("stream refused: " + s.contextError());
    const auto streamFailed = [&] {
        const pa_stream_state_t st = pa_stream_get_state(s.m_stream);
        if (st == PA_STREAM_FAILED || st == PA_STREAM_TERMINATED)
            waitError = "stream failed: " + s.contextError();
        return st;
    };
    if (!waitFor([&] { return streamFailed() == PA_STREAM_READY; },
                 SteadyClock::now() + serverBound, "stream"))
        return fail(waitError);

    // Feed the stream as the server asks; a server that stops asking is a failure.
    const std::size_t frameBytes = sizeof(float) * sampleFormat.channels;
    std::vector<float> buffer;
    bool atEnd = false;
    while (!atEnd) {
        const std::size_t writable = pa_stream_writable_size(s.m_stream);
        if (writable == static_cast<std::size_t>(-1))
            return fail("stream failed: " + s.contextError());
        if (writable < frameBytes) {
            if (!waitFor(
                    [&] {
                        streamFailed();
                        return pa_stream_writable_size(s.m_stream) >= frameBytes;
                    },
                    SteadyClock::now() + serverBound, "playback"))
                return fail(waitError);
            continue;
        }
        const sf_count_t want =
            std::min<sf_count_t>(static_cast<sf_count_t>(writable / frameBytes), ChunkFrames);
        buffer.resize(static_cast<std::size_t>(want) * sampleFormat.channels);
        const sf_count_t got = sf_readf_float(file.get(), buffer.data(), want);
        if (got <= 0) {
            atEnd = true;
            break;
        }
        if (pa_stream_write(s.m_stream, buffer.data(), static_cast<std::size_t>(got) * frameBytes,
                            nullptr, 0, PA_SEEK_RELATIVE) < 0)
            return fail("stream failed: " + s.contextError());
    }

    s.m_drain = pa_stream_drain(
        s.m_stream,
        [](pa_stream*, int success, void* user) { *static_cast<int*>(user) = success ? 1 : -1; },
        &s.m_drained);
    if (!s.m_drain)
        return fail("stream failed: " + s.contextError());
    // What is still buffered is at most the whole file.
    if (!waitFor(
            [&] {
                streamFailed();
                return s.m_drained != 0;
            },
            SteadyClock::now() + fileDuration + serverBound, "drain"))
        return fail(waitError);
    if (s.m_drained < 0)
        return fail("drain refused: " + s.contextError());
    result.played = true;
    return result;
}

} // namespace platform::pulse
