#pragma once

#include <QObject>

#include <array>
#include <functional>

class QTimer;
class frmCOM;

namespace app {
struct SharedState;
}
namespace clientlink {
class TSRemote;
}

// Ten times a second: opens the chosen port when needed and asks the keyer to send
// while a foreign player speaks, to release otherwise. Also the one-shot switch into
// the default channel after a connect.
class GatewaySwitching : public QObject {
    Q_OBJECT
public:
    static constexpr int SwitchenDelayMs = 5000;

    struct DefaultChannel {
        std::function<QString()> idText;   // lblDefaultChannelID
        std::function<QString()> password; // txtChannelPassword
    };

    GatewaySwitching(app::SharedState& state, frmCOM& keyer, clientlink::TSRemote& ts,
                     DefaultChannel defaultChannel, QObject* parent = nullptr);

    void DriveKeyer();
    void armSwitchen();
    void Switchen_Timer();

    QTimer* Switchen = nullptr;

private:
    app::SharedState& m_state;
    frmCOM& m_keyer;
    clientlink::TSRemote& m_ts;
    DefaultChannel m_defaultChannel;
};

// Where COM1 to COM4 lead: the section "Schnittstellen" of ts.ini, else /dev/ttyS0..3.
std::array<QString, 4> readPortMap(const QString& iniFile);
