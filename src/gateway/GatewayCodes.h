#pragma once

#include <QString>

#include <functional>
#include <optional>

class frmCOM;
namespace app {
struct SharedState;
}
namespace clientlink {
class TSRemote;
}

// The keypad's three codes, heard on the radio: open and close the gateway, send the
// identification. Off unless the recognizer's settings switch it on.
class GatewayCodes {
public:
    GatewayCodes(app::SharedState& state, frmCOM& keyer, clientlink::TSRemote& ts,
                 std::function<void()> sendIdentification);

    // The recognized string so far; when it ends in a code, acts and gives the text to show.
    std::optional<QString> act(const QString& recognized);

    bool enabled = false;
    // Digits heard after a longer pause start a new string: a stray digit from a burst
    // of noise stays no part of what is keyed later.
    static constexpr int PauseMs = 3000;

private:
    app::SharedState& m_state;
    frmCOM& m_keyer;
    clientlink::TSRemote& m_ts;
    std::function<void()> m_sendIdentification;
};
