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

void Beacon::sendNow() {
    if (m_state.frmOptions2.ExtPlayer) {
        if (m_routes.ShellFile)
            m_routes.ShellFile(m_routes.beaconFile ? m_routes.beaconFile() : QString());
    } else if (m_routes.DateiInternAbspielen) {
        // The sound plays right after the current handler, not inside it: the monitor
        // goes on ticking (and the keyer with it) while the beacon plays.
        QTimer::singleShot(0, this, [this] { m_routes.DateiInternAbspielen(); });
    }
}
