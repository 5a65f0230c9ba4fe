#include "GatewayCodes.h"

#include "SharedState.h"
#include "TSRemote.h"
#include "frmCOM.h"

GatewayCodes::GatewayCodes(app::SharedState& state, frmCOM& keyer, clientlink::TSRemote& ts,
                           std::function<void()> sendIdentification)
    : m_state(state), m_keyer(keyer), m_ts(ts),
      m_sendIdentification(std::move(sendIdentification)) {}

std::optional<QString> GatewayCodes::act(const QString& recognized) {
    if (!enabled)
        return std::nullopt;
    const app::DtmfCodeVariables& codes = m_state.frmDTMF;
    // A code counts when heard, whatever stray digits came before it.
    const auto heard = [&recognized](const QString& code) {
        return !code.isEmpty() && recognized.endsWith(code);
    };
    if (heard(codes.open)) {
        m_state.frmCOM.COMPortsperren = false;
        m_ts.TSSetMicMute(false);
        return QStringLiteral("Gateway offen");
    }
    if (heard(codes.close)) {
        m_keyer.sperren();
        m_ts.TSSetMicMute(true);
        return QStringLiteral("Gateway geschlossen");
    }
    if (heard(codes.id)) {
        if (m_sendIdentification)
            m_sendIdentification();
        return QStringLiteral("Kennung gesendet");
    }
    return std::nullopt;
}
