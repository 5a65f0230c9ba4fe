#pragma once

#include <QString>

namespace app {
struct SharedState;
}
namespace clientlink {
class TSRemote;
}
namespace platform {
class InputActivity;
}

namespace app {

// Away without doing anything: after the set time without mouse or keyboard input
// (the idle rule), and while the own player sits in the away channel (the away-channel
// rule). Each rule keeps its own marker and clears only the flag it set.
class AutoAway {
public:
    AutoAway(SharedState& state, clientlink::TSRemote& ts, platform::InputActivity& input);

    void CheckMouseActivity();
    void CheckKeyboardActivity();
    void EnterAutoAway();
    void LeaveAutoAway();
    void FindAwayChannel();
    // At the end of ShowChannelUsers, with the own channel's caption.
    void awayChannelRule(const QString& ownChannelCaption);

private:
    SharedState& m_state;
    clientlink::TSRemote& m_ts;
    platform::InputActivity& m_input;
};

} // namespace app
