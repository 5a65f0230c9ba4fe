#include "PulsePlayback.h"

#include "PulseSession.h"

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

// Small enough that the first sample leaves within a few milliseconds, large enough
// that a loaded machine does not run the stream dry.
constexpr int TargetLatencyMs = 40;
constexpr sf_count_t ChunkFrames = 4096;
// A new stream is mixed in at "now", but the server has already rendered the sink some
// milliseconds ahead (about 10 ms beside a low-latency recorder): it rewinds, and what
// a monitor (a recording, a virtual cable to the radio) has passed on by then misses the
// stream's head. Silence longer than that lead takes the head's place, so the file's
// first sample, its fade-in included, reaches every listener.
constexpr int LeadInMs = 20;

struct FileCloser {
    void operator()(SNDFILE* f) const { sf_close(f); }
};

bool isWave(int format) {
    const int major = format & SF_FORMAT_TYPEMASK;
    return major == SF_FORMAT_WAV || major == SF_FORMAT_WAVEX || major == SF_FORMAT_RF64;
}

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

    Session s(cancel);
    if (!s.connect(request.applicationName, serverBound))
        return fail(s.error());
    s.stream = pa_stream_new(s.context, "Ton", &sampleFormat, &map);
    if (!s.stream)
        return fail("stream refused: " + s.contextError());
    if (request.onStarted) {
        pa_stream_set_started_callback(
            s.stream,
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
    if (pa_stream_connect_playback(s.stream, nullptr, &attr, PA_STREAM_ADJUST_LATENCY, nullptr,
                                   nullptr) < 0)
        return fail("stream refused: " + s.contextError());
    if (!s.streamReady(serverBound))
        return fail(s.error());

    const std::vector<float> lead(
        static_cast<std::size_t>(info.samplerate) * sampleFormat.channels * LeadInMs / 1000, 0.0f);
    if (pa_stream_write(s.stream, lead.data(), lead.size() * sizeof(float), nullptr, 0,
                        PA_SEEK_RELATIVE) < 0)
        return fail("stream failed: " + s.contextError());
    // Feed the stream as the server asks; a server that stops asking is a failure.
    int drained = 0; // 1 drained, -1 refused
    const std::size_t frameBytes = sizeof(float) * sampleFormat.channels;
    std::vector<float> buffer;
    bool atEnd = false;
    while (!atEnd) {
        const std::size_t writable = pa_stream_writable_size(s.stream);
        if (writable == static_cast<std::size_t>(-1))
            return fail("stream failed: " + s.contextError());
        if (writable < frameBytes) {
            if (!s.waitFor(
                    [&] {
                        s.streamState();
                        return pa_stream_writable_size(s.stream) >= frameBytes;
                    },
                    SteadyClock::now() + serverBound, "playback"))
                return fail(s.error());
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
        if (pa_stream_write(s.stream, buffer.data(), static_cast<std::size_t>(got) * frameBytes,
                            nullptr, 0, PA_SEEK_RELATIVE) < 0)
            return fail("stream failed: " + s.contextError());
    }

    s.operation = pa_stream_drain(
        s.stream,
        [](pa_stream*, int success, void* user) { *static_cast<int*>(user) = success ? 1 : -1; },
        &drained);
    if (!s.operation)
        return fail("stream failed: " + s.contextError());
    // What is still buffered is at most the whole file.
    if (!s.waitFor(
            [&] {
                s.streamState();
                return drained != 0;
            },
            SteadyClock::now() + fileDuration + serverBound, "drain"))
        return fail(s.error());
    if (drained < 0)
        return fail("drain refused: " + s.contextError());
    result.played = true;
    return result;
}

} // namespace platform::pulse
