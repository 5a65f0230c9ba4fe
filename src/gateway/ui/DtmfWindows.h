#pragma once

#include "DtmfRecognizer.h"
#include "GatewayCodes.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QString>

#include <functional>

class Beacon;
class frmCOM;
class frmDTMF;
class frmDTMFSettings;
namespace app {
struct SharedState;
}
namespace clientlink {
class TSRemote;
}
namespace platform {
class Prompts;
class Sound;
} // namespace platform

// The DTMF keypad, the recognizer behind its controls, the recognizer's settings
// window and the gateway codes it acts on, wired together for the program's run.
class DtmfWindows {
public:
    struct Parts {
        app::SharedState& state;
        platform::Sound& sound;
        platform::Prompts& prompts;
        QString soundsFolder;
        frmCOM& keyer;
        clientlink::TSRemote& ts;
        Beacon& beacon;
        std::function<void()> showMainWindow;
        std::function<void()> showOptions;
        std::function<void(const QString&)> event = {}; // a code heard, to the event list
    };

    explicit DtmfWindows(Parts parts);
    ~DtmfWindows();
    DtmfWindows(const DtmfWindows&) = delete;
    DtmfWindows& operator=(const DtmfWindows&) = delete;

    // The keypad: made hidden when needed, made again after each close. In a "-dtmf"
    // run every keypad, not only the first, offers the recognition controls.
    frmDTMF* keypad();

private:
    void startRecognizer();
    void showRecognizerSettings();
    void heard(QChar digit);

    Parts m_parts;
    DtmfRecognizer m_recognizer;
    GatewayCodes m_codes;
    QElapsedTimer m_sinceDigit; // since the last heard digit
    QPointer<frmDTMF> m_keypad;
    QPointer<frmDTMFSettings> m_settings;
};
