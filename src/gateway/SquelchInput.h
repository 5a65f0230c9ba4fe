#pragma once

#include "PulseCapture.h"
#include "SquelchGate.h"
#include "SquelchSettings.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

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
// from a status line of the keyer's serial port (on a thread of its own, which sleeps in
// the driver until a line changes and samples every 10 ms only while a delay runs) or
// from the level of a sound source (every 10 ms on the recording's thread), so the
// program's own thread wakes only when the squelch changes. While we key the transmitter, or the
// gateway is closed, the squelch is not listened to and the microphone is off. A click on
// the microphone button holds until the squelch next opens or closes. A squelch open
// beyond its time limit, or an input that cannot be read, turns the microphone off with
// one message.
class SquelchInput : public QObject {
    Q_OBJECT
public:
    static constexpr int StepMs = 10;
    // No port (not yet open, or gone): looked at again this often, so a port that
    // opens is heard within a tick.
    static constexpr int NoPortMs = 100;
    static constexpr int CaptureRate = 16000;

    struct Parts {
        app::SharedState& state;
        clientlink::TSRemote& ts;
        platform::SerialLine& line; // the keyer's
        const platform::Clock& clock;
        platform::Prompts& prompts;
        int secondMs = 1000;   // tests shorten the minutes of the time limit
        bool ownThread = true; // tests sample the line themselves (pollLine)
        std::function<void(const QString&)> event = {}; // to the event list
    };

    explicit SquelchInput(Parts parts, QObject* parent = nullptr);
    ~SquelchInput() override;

    void setSettings(const SquelchSettings& settings);
    const SquelchSettings& settings() const { return m_settings; }
    // On every monitor tick, after the keyer: what the samples must respect, and the
    // sound source kept recording.
    void tick();
    // The person clicked the microphone button.
    void manualMicrophone();
    // Listens to a sound source for the settings window's meter; nullopt: done.
    void preview(std::optional<QString> soundSource);
    double levelDbfs() const { return m_level.load(); }

    // The indicator: nullopt while no squelch input is used.
    std::optional<SquelchGate::State> indicator() const;
    // The main window's lamp for it: colour (0xRRGGBB) and what it means.
    std::optional<std::pair<std::uint32_t, QString>> lamp() const;
    bool overridden() const { return m_overridden; }

    // One sample of the status line, true when it could be read; the thread's step, public
    // for tests.
    bool pollLine();

private:
    enum class Why { None, PortClosed, Gone, Unreadable, NoRecording };
    bool active() const;
    void sample(std::optional<bool> raw, Why why);              // any thread
    void changed(bool open, SquelchGate::State state, Why why); // this object's thread
    void keepCapture();
    void runLine();
    void stopLine();
    QString reason(Why why) const;

    Parts m_parts;
    SquelchSettings m_settings;

    // What the sampling threads share.
    mutable std::mutex m_mutex;
    SquelchGate m_gate{{}};
    SquelchGate::State m_published = SquelchGate::State::Closed;
    std::atomic<bool> m_inhibited{false};
    std::atomic<bool> m_sampling{false}; // active: samples count
    int m_generation = 0; // settings applied; older samples are dropped (under m_mutex)
    std::atomic<bool> m_audioSource{false};
    std::atomic<int> m_thresholdDb{0};

    // This object's thread.
    bool m_running = false; // a squelch input is used
    bool m_wasOpen = false;
    bool m_wasInhibited = false;
    SquelchGate::State m_state = SquelchGate::State::Closed;
    bool m_overridden = false;
    bool m_stuckTold = false;
    std::int64_t m_missingSince = -1;
    Why m_missingWhy = Why::None;
    bool m_missingTold = false;

    std::thread m_lineThread;
    std::mutex m_lineMutex;
    std::condition_variable m_lineWake;
    std::atomic<bool> m_lineStop{false};
    int m_lastChangeCount = -1; // the line's changes as the driver counted them at the last look

    platform::pulse::Capture m_capture;
    std::optional<QString> m_captureSource; // what m_capture listens to
    std::optional<QString> m_preview;
    std::int64_t m_nextCaptureTry = 0;
    QString m_captureProblem;
    std::atomic<double> m_level{-120};
    double m_blockEnergy = 0; // the capture thread's running block
    int m_blockSamples = 0;
};
