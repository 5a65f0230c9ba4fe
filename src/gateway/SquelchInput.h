#pragma once

#include "PulseCapture.h"
#include "SquelchGate.h"
#include "SquelchSettings.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <optional>

class QTimer;

namespace app {
struct SharedState;
}
namespace clientlink {
class TSRemote;
}
namespace platform {
class Clock;
class Prompts;
class SerialLine;
} // namespace platform

// The radio-to-client direction: a gateway's own microphone follows the receiver's squelch,
// read every 10 ms from a status line of the keyer's serial port or from the level of a
// sound source. While we key the transmitter, or the gateway is closed, the squelch is not
// listened to and the microphone is off. A click on the microphone button holds until the
// squelch next opens or closes. A squelch open beyond its time limit, or an input that
// cannot be read, turns the microphone off with one message.
class SquelchInput : public QObject {
    Q_OBJECT
public:
    static constexpr int StepMs = 10;
    static constexpr int CaptureRate = 16000;

    struct Parts {
        app::SharedState& state;
        clientlink::TSRemote& ts;
        platform::SerialLine& line; // the keyer's
        const platform::Clock& clock;
        platform::Prompts& prompts;
        int secondMs = 1000; // tests shorten the minutes of the time limit
    };

    explicit SquelchInput(Parts parts, QObject* parent = nullptr);
    ~SquelchInput() override;

    void setSettings(const SquelchSettings& settings);
    const SquelchSettings& settings() const { return m_settings; }
    // The person clicked the microphone button.
    void manualMicrophone();
    // Listens to a sound source for the settings window's meter; empty optional: done.
    void preview(std::optional<QString> soundSource);
    double levelDbfs() const { return m_level.load(); }

    // The indicator: nullopt while no squelch input is used.
    std::optional<SquelchGate::State> indicator() const;
    // The main window's lamp for it: colour (0xRRGGBB) and what it means.
    std::optional<std::pair<std::uint32_t, QString>> lamp() const;
    bool overridden() const { return m_overridden; }

    void step(); // every StepMs; public for tests

private:
    bool active() const;
    std::optional<bool> readRaw(QString* why);
    void keepCapture();
    void apply(bool on);

    Parts m_parts;
    SquelchSettings m_settings;
    SquelchGate m_gate{{}};
    QTimer* m_timer = nullptr;
    bool m_running = false; // active at the last step
    bool m_wasOpen = false;
    bool m_overridden = false;
    bool m_stuckTold = false;
    std::int64_t m_missingSince = -1;
    bool m_missingTold = false;

    platform::pulse::Capture m_capture;
    std::optional<QString> m_captureSource; // what m_capture listens to
    std::optional<QString> m_preview;
    std::int64_t m_nextCaptureTry = 0;
    QString m_captureProblem;
    std::atomic<double> m_level{-120};
    double m_blockEnergy = 0; // the capture thread's running block
    int m_blockSamples = 0;
};
