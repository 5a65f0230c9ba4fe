#include "PulseCapture.h"

#include "PulseSession.h"

namespace platform::pulse {

using std::chrono::milliseconds;
using SteadyClock = std::chrono::steady_clock;

std::vector<Source> listSources(milliseconds bound, std::string* error) {
    const std::atomic<bool> never{false};
    Session s(never);
    std::vector<Source> sources;
    if (!s.connect("Quorvex", bound)) {
        if (error)
            *error = s.error();
        return sources;
    }
    bool done = false;
    struct Listing {
        std::vector<Source>* out;
        bool* done;
    } listing{&sources, &done};
    s.operation = pa_context_get_source_info_list(
        s.context,
        [](pa_context*, const pa_source_info* info, int eol, void* user) {
            auto* l = static_cast<Listing*>(user);
            if (eol != 0 || !info) {
                *l->done = true;
                return;
            }
            l->out->push_back(
                {info->name ? info->name : "", info->description ? info->description : ""});
        },
        &listing);
    if (!s.operation || !s.waitFor([&done] { return done; }, SteadyClock::now() + bound, "list")) {
        if (error)
            *error = s.error().empty() ? s.contextError() : s.error();
        sources.clear();
    }
    return sources;
}

std::string sourceSysfsPath(const std::string& name, milliseconds bound) {
    const std::atomic<bool> never{false};
    Session s(never);
    if (!s.connect("Quorvex", bound))
        return {};
    struct Lookup {
        std::string path;
        bool done = false;
    } lookup;
    s.operation = pa_context_get_source_info_by_name(
        s.context, name.empty() ? "@DEFAULT_SOURCE@" : name.c_str(),
        [](pa_context*, const pa_source_info* info, int eol, void* user) {
            auto* l = static_cast<Lookup*>(user);
            if (eol != 0 || !info) {
                l->done = true;
                return;
            }
            // PulseAudio's own name, and PipeWire's pulse server's.
            for (const char* key : {"sysfs.path", "device.sysfs.path"}) {
                const char* p = pa_proplist_gets(info->proplist, key);
                if (p && *p && l->path.empty())
                    l->path = std::string(p).rfind("/sys/", 0) == 0 ? p : std::string("/sys") + p;
            }
        },
        &lookup);
    if (!s.operation ||
        !s.waitFor([&lookup] { return lookup.done; }, SteadyClock::now() + bound, "lookup"))
        return {};
    return lookup.path;
}

Capture::~Capture() {
    stop();
}

std::string Capture::failure() const {
    const std::lock_guard lock(m_mutex);
    return m_failure;
}

bool Capture::start(const std::string& source, int rate, Samples onSamples, milliseconds bound,
                    std::string* error, int pieceMs) {
    stop();
    m_stop = false;
    m_onSamples = std::move(onSamples);
    {
        const std::lock_guard lock(m_mutex);
        m_failure.clear();
    }
    std::promise<std::string> ready;
    std::future<std::string> started = ready.get_future();
    m_running = true;
    m_worker = std::thread(&Capture::run, this, source, rate, pieceMs, bound, std::move(ready));
    // The worker bounds each of its own waits; this one only guards against a stuck one.
    std::string why;
    if (started.wait_for(bound * 2 + milliseconds(500)) != std::future_status::ready)
        why = "sound server did not answer: capture";
    else
        why = started.get();
    if (why.empty())
        return true;
    stop();
    if (error)
        *error = why;
    return false;
}

void Capture::stop() {
    m_stop = true;
    {
        const std::lock_guard lock(m_mutex);
        if (m_loop)
            pa_mainloop_wakeup(static_cast<pa_mainloop*>(m_loop));
    }
    if (m_worker.joinable())
        m_worker.join();
    m_running = false;
}

void Capture::run(std::string source, int rate, int pieceMs, milliseconds bound,
                  std::promise<std::string> ready) {
    Session s(m_stop);
    const auto fail = [&](const std::string& why) {
        m_running = false;
        ready.set_value(why.empty() ? std::string("capture failed") : why);
    };
    if (!s.connect("Quorvex", bound))
        return fail(s.error());
    pa_sample_spec format{};
    format.format = PA_SAMPLE_S16LE;
    format.rate = static_cast<std::uint32_t>(rate);
    format.channels = 1;
    s.stream = pa_stream_new(s.context, "DTMF", &format, nullptr);
    if (!s.stream)
        return fail("stream refused: " + s.contextError());
    pa_stream_set_read_callback(
        s.stream,
        [](pa_stream* stream, std::size_t, void* user) {
            auto* self = static_cast<Capture*>(user);
            const void* data = nullptr;
            std::size_t bytes = 0;
            while (pa_stream_readable_size(stream) > 0) {
                if (pa_stream_peek(stream, &data, &bytes) < 0 || bytes == 0)
                    return;
                // A hole in the stream (data null) carries no samples.
                if (data && self->m_onSamples)
                    self->m_onSamples(static_cast<const std::int16_t*>(data), bytes / 2);
                pa_stream_drop(stream);
            }
        },
        this);
    pa_buffer_attr attr;
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = static_cast<std::uint32_t>(-1);
    attr.prebuf = static_cast<std::uint32_t>(-1);
    attr.minreq = static_cast<std::uint32_t>(-1);
    // Small pieces: what is heard is reported soon after it has lasted long enough.
    attr.fragsize = static_cast<std::uint32_t>(
        pa_usec_to_bytes(static_cast<pa_usec_t>(pieceMs) * 1000, &format));
    if (pa_stream_connect_record(s.stream, source.empty() ? nullptr : source.c_str(), &attr,
                                 PA_STREAM_ADJUST_LATENCY) < 0)
        return fail("stream refused: " + s.contextError());
    if (!s.streamReady(bound))
        return fail(s.error());
    ready.set_value({});

    // Asleep until the server sends something or stop() wakes the loop.
    {
        const std::lock_guard lock(m_mutex);
        m_loop = s.loop;
    }
    while (!m_stop.load()) {
        if (!s.step(-1) || s.streamState() != PA_STREAM_READY) {
            const std::lock_guard lock(m_mutex);
            m_failure =
                s.error().empty() ? std::string("sound server ended the recording") : s.error();
            break;
        }
    }
    {
        const std::lock_guard lock(m_mutex);
        m_loop = nullptr;
    }
    m_running = false;
}

} // namespace platform::pulse
