#include "PulseSession.h"

#include <algorithm>

namespace platform::pulse {

using std::chrono::milliseconds;
using SteadyClock = std::chrono::steady_clock;

Session::Session(const std::atomic<bool>& cancel) : loop(pa_mainloop_new()), m_cancel(cancel) {}

Session::~Session() {
    if (operation) {
        pa_operation_cancel(operation);
        pa_operation_unref(operation);
    }
    if (stream) {
        pa_stream_disconnect(stream);
        pa_stream_unref(stream);
    }
    if (context) {
        pa_context_disconnect(context);
        pa_context_unref(context);
    }
    if (loop)
        pa_mainloop_free(loop);
}

bool Session::step(int timeoutMs) {
    if (pa_mainloop_prepare(loop, timeoutMs < 0 ? -1 : timeoutMs * 1000) < 0)
        return false;
    if (pa_mainloop_poll(loop) < 0)
        return false;
    return pa_mainloop_dispatch(loop) >= 0;
}

std::string Session::contextError() const {
    return pa_strerror(context ? pa_context_errno(context) : PA_ERR_UNKNOWN);
}

bool Session::waitFor(const std::function<bool()>& done, Deadline deadline, const char* what) {
    while (!done()) {
        if (!m_error.empty())
            return false;
        if (m_cancel.load())
            return (m_error = "cancelled"), false;
        const auto left =
            std::chrono::duration_cast<milliseconds>(deadline - SteadyClock::now()).count();
        if (left <= 0)
            return (m_error = std::string("sound server did not answer: ") + what), false;
        if (!step(static_cast<int>(std::min<long long>(left, StepMs))))
            return (m_error = "main loop failed"), false;
    }
    return true;
}

bool Session::connect(const std::string& applicationName, milliseconds bound) {
    if (!loop)
        return (m_error = "no main loop"), false;
    context = pa_context_new(pa_mainloop_get_api(loop), applicationName.c_str());
    if (!context)
        return (m_error = "no context"), false;
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return (m_error = "no sound server: " + contextError()), false;
    return waitFor(
        [this] {
            const pa_context_state_t st = pa_context_get_state(context);
            if (st == PA_CONTEXT_FAILED || st == PA_CONTEXT_TERMINATED)
                m_error = "no sound server: " + contextError();
            return st == PA_CONTEXT_READY;
        },
        SteadyClock::now() + bound, "connect");
}

pa_stream_state_t Session::streamState() {
    const pa_stream_state_t st = pa_stream_get_state(stream);
    if ((st == PA_STREAM_FAILED || st == PA_STREAM_TERMINATED) && m_error.empty())
        m_error = "stream failed: " + contextError();
    return st;
}

bool Session::streamReady(milliseconds bound) {
    return waitFor([this] { return streamState() == PA_STREAM_READY; }, SteadyClock::now() + bound,
                   "stream");
}

} // namespace platform::pulse
