#include "Beacon.h"

#include "Clock.h"
#include "SharedState.h"

#include <QTimer>

Beacon::Beacon(app::SharedState& state, const platform::Clock& clock, BeaconRoutes routes,
               QObject* parent)
    : QObject(parent), m_state(state), m_clock(clock), m_routes(std::move(routes)) {}

void Beacon::Bake() {
    if (!m_state.BakeEINAUS)
        return;
    const int minute = m_clock.localNow().time().minute();
    const int wanted = m_state.frmOptions2.BakeWann;
    if (minute != wanted)
        BeaconFired = false;
    if (BeaconFired)
        return;
    if (minute == wanted) {
        sendNow();
        BeaconFired = true;
    }
}

void Beacon::sendNow(std::function<void(bool)> keying) {
    if (m_state.frmOptions2.ExtPlayer) {
        // Another program plays it, for a time nobody here knows: it is not keyed.
        if (m_routes.ShellFile)
            m_routes.ShellFile(m_routes.beaconFile ? m_routes.beaconFile() : QString());
    } else if (m_routes.DateiInternAbspielen) {
        // The sound plays right after the current handler, not inside it: the monitor
        // goes on ticking (and the keyer with it) while the beacon plays.
        const std::int64_t deadline = m_clock.monotonicMs() + WaitLimitMs;
        if (keying)
            keying(true);
        QTimer::singleShot(keying ? KeyAheadMs : 0, this,
                           [this, deadline, keying] { playWhenFree(deadline, keying); });
    }
}

// Our sounds never overlap: a beacon due while a DTMF string plays waits for its end
// (within its minute) instead of failing as busy and staying silent for an hour.
void Beacon::playWhenFree(std::int64_t deadlineMs, const std::function<void(bool)>& keying) {
    if (m_routes.soundBusy && m_routes.soundBusy()) {
        if (m_clock.monotonicMs() < deadlineMs)
            QTimer::singleShot(RetryMs, this,
                               [this, deadlineMs, keying] { playWhenFree(deadlineMs, keying); });
        else if (keying)
            keying(false);
        return;
    }
    m_routes.DateiInternAbspielen();
    if (keying)
        keying(false);
}
