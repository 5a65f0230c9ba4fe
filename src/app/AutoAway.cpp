#include "AutoAway.h"

#include "Entries.h"
#include "InputActivity.h"
#include "SharedState.h"
#include "TSRemote.h"

#include <algorithm>

namespace app {

AutoAway::AutoAway(SharedState& state, clientlink::TSRemote& ts, platform::InputActivity& input)
    : m_state(state), m_ts(ts), m_input(input) {}

void AutoAway::CheckMouseActivity() {
    if (m_state.FuncGateway)
        return;
    const auto position = m_input.cursorPosition();
    if (!position || *position == m_state.LastCursorPos)
        return;
    if (m_state.AutoAwayActive)
        LeaveAutoAway();
    m_state.IdleSeconds = 0;
    m_state.LastCursorPos = *position;
}

// Runs in gateway mode too: a key pressed at a gateway keeps its idle count at zero.
void AutoAway::CheckKeyboardActivity() {
    if (!m_input.keyPressedSinceLastCall())
        return;
    if (m_state.AutoAwayActive)
        LeaveAutoAway();
    m_state.IdleSeconds = 0;
}

void AutoAway::EnterAutoAway() {
    if (m_state.FuncGateway || !m_state.FuncAutoAway || m_state.AutoAwayActive)
        return;
    m_ts.TSSetAway(true);
    m_state.AutoAwayActive = true;
}

void AutoAway::LeaveAutoAway() {
    if (!m_state.AutoAwayActive)
        return;
    m_ts.TSSetAway(false);
    m_state.AutoAwayActive = false;
}

void AutoAway::FindAwayChannel() {
    m_state.AwayChannelName = QString::fromUtf16(AwayChannelNameText);
    m_ts.TSGetChannels();
    const auto count = m_ts.TSGetServerInfo().ChannelCount;
    const auto n = std::min<std::size_t>(static_cast<std::size_t>(std::max(count, 0)),
                                         m_ts.ChannelList.size());
    // Every match is taken: with several away channels the last one wins.
    for (std::size_t k = 0; k < n; ++k) {
        const clientlink::ChannelEntry& c = m_ts.ChannelList[k];
        if (clientlink::cutAtNul(c.Name) == m_state.AwayChannelName)
            m_state.CurrentAWAYChannelID = QString::number(c.ChannelID);
    }
}

void AutoAway::awayChannelRule(const QString& ownChannelCaption) {
    if (ownChannelCaption == m_state.AwayChannelName) {
        if (!m_state.FlagAway)
            m_ts.TSSetAway(true);
        m_state.InAwayChannel = true;
    } else if (m_state.InAwayChannel) {
        m_ts.TSSetAway(false);
        m_state.InAwayChannel = false;
    }
}

} // namespace app
