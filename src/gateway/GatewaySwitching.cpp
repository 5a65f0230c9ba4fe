#include "GatewaySwitching.h"

#include "INIfile.h"
#include "SharedState.h"
#include "TSRemote.h"
#include "frmCOM.h"

#include <QTimer>

GatewaySwitching::GatewaySwitching(app::SharedState& state, frmCOM& keyer, clientlink::TSRemote& ts,
                                   DefaultChannel defaultChannel, QObject* parent)
    : QObject(parent), m_state(state), m_keyer(keyer), m_ts(ts),
      m_defaultChannel(std::move(defaultChannel)) {
    Switchen = new QTimer(this);
    Switchen->setSingleShot(true);
    connect(Switchen, &QTimer::timeout, this, &GatewaySwitching::Switchen_Timer);
}

void GatewaySwitching::DriveKeyer() {
    // The line follows the gateway switch at once, whatever else is still open.
    if (!m_state.FuncGateway) {
        m_keyer.gatewayOff();
        return;
    }
    // An interface of its own keys without a COM port.
    if (m_state.frmOptions.COMPortAuswahl < 1 && m_state.frmCOM.Schnittstelle.isEmpty())
        return;
    if (!m_state.frmCOM.COMPortOffen)
        m_keyer.COM_ini(m_state.frmOptions.COMPortAuswahl);
    else
        m_keyer.checkLine();
    if (m_state.COMSenden || m_state.IdentKeying || m_state.TestKeying) {
        if (!m_state.frmCOM.COMPortsperren)
            m_keyer.COM_senden(true);
    } else {
        m_keyer.COM_senden(false);
    }
}

void GatewaySwitching::armSwitchen() {
    Switchen->start(SwitchenDelayMs);
}

void GatewaySwitching::Switchen_Timer() {
    Switchen->stop();
    bool isNumber = false;
    const int channel =
        m_defaultChannel.idText ? m_defaultChannel.idText().trimmed().toInt(&isNumber) : 0;
    if (isNumber)
        m_ts.TSSwitchChannel(channel,
                             m_defaultChannel.password ? m_defaultChannel.password() : QString());
}

std::array<QString, 4> readPortMap(const QString& iniFile) {
    std::array<QString, 4> map;
    for (int n = 1; n <= 4; ++n) {
        const QString device = INIfile::INIRead(iniFile, QStringLiteral("Schnittstellen"),
                                                QStringLiteral("COM%1").arg(n))
                                   .trimmed();
        map[static_cast<std::size_t>(n - 1)] =
            device.isEmpty() ? QStringLiteral("/dev/ttyS%1").arg(n - 1) : device;
    }
    return map;
}
