#include "SquelchInput.h"

#include "Clock.h"
#include "Prompts.h"
#include "SerialLine.h"
#include "SharedState.h"
#include "TSRemote.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

using Source = SquelchSettings::Source;
using State = SquelchGate::State;

namespace {

constexpr std::int64_t MissingToldAfterMs = 2000; // start-up and short glitches stay quiet
constexpr std::int64_t CaptureRetryMs = 3000;
constexpr int CaptureBoundMs = 300;
constexpr int CapturePieceMs = 20; // the recording's thread wakes 50 times a second
constexpr int BlockSamples = SquelchInput::CaptureRate / 100; // 10 ms

// The status line a source listens to; a CM108's buttons and a radio's DCD come from the
// keying process as status lines too (VolUp Dcd, VolDown Cts, PlayMute Dsr, RecMute Ri).
int lineBit(const SquelchSettings& s) {
    switch (s.source) {
    case Source::Dcd:
    case Source::Hamlib:
    case Source::Gpio:
        return platform::SerialLine::Dcd;
    case Source::Cts:
        return platform::SerialLine::Cts;
    case Source::Dsr:
        return platform::SerialLine::Dsr;
    case Source::Ri:
        return platform::SerialLine::Ri;
    case Source::Cm108:
        return 1 << std::clamp(s.cm108Input, 0, 3);
    default:
        return 0;
    }
}

} // namespace

SquelchInput::SquelchInput(Parts parts, QObject* parent) : QObject(parent), m_parts(parts) {}

SquelchInput::~SquelchInput() {
    stopLine();
    m_capture.stop(); // before the members their threads use go
}

void SquelchInput::setSettings(const SquelchSettings& settings) {
    stopLine();
    m_settings = settings;
    m_audioSource = settings.source == Source::Audio;
    m_thresholdDb = settings.thresholdDb;
    const std::int64_t minute = 60LL * m_parts.secondMs;
    {
        // The gate and its generation change together: a sample sees both old or both new.
        const std::lock_guard lock(m_mutex);
        m_gate =
            SquelchGate({settings.openDelayMs, settings.hangMs, settings.timeoutMinutes * minute});
        m_published = State::Closed;
        ++m_generation;
    }
    m_lastChangeCount = -1;
    m_sampling = false; // until the next tick
    m_running = false;  // which starts from a closed squelch
    m_state = State::Closed;
    m_overridden = false;
    m_stuckTold = false;
    m_missingSince = -1;
    m_missingTold = false;
    if (lineBit(settings) != 0 && m_parts.ownThread) {
        m_lineStop = false;
        m_lineThread = std::thread([this] { runLine(); });
    }
    keepCapture();
}

void SquelchInput::stopLine() {
    if (!m_lineThread.joinable())
        return;
    {
        const std::lock_guard lock(m_lineMutex);
        m_lineStop = true;
    }
    m_lineWake.notify_one();
    m_parts.line.interruptWait();
    m_lineThread.join();
}

void SquelchInput::runLine() {
    bool driverWaits = true;
    while (!m_lineStop) {
        // Only a line that was read can be waited on: after a failed read (a port gone or
        // not yet back) it is looked at again, never waited for.
        const bool read = pollLine();
        bool settled = false;
        {
            const std::lock_guard lock(m_mutex);
            settled = m_gate.settled();
        }
        int pauseMs = StepMs;
        if (settled && !read) {
            pauseMs = NoPortMs;
        } else if (settled && driverWaits) {
            switch (m_parts.line.waitInputChange()) {
            case platform::SerialLine::Result::Ok:
                continue; // a line changed (or we were woken): read it at once
            case platform::SerialLine::Result::Unsupported:
                driverWaits = false; // this driver cannot wait: sample every 10 ms
                break;
            default:
                pauseMs = NoPortMs;
                break;
            }
        }
        std::unique_lock lock(m_lineMutex);
        m_lineWake.wait_for(lock, std::chrono::milliseconds(pauseMs),
                            [this] { return m_lineStop.load(); });
    }
}

bool SquelchInput::pollLine() {
    int lines = 0;
    switch (m_parts.line.inputLines(lines)) {
    case platform::SerialLine::Result::Ok: {
        const int bit = lineBit(m_settings);
        const bool open = ((lines & bit) != 0) == m_settings.activeHigh;
        // A line that changed twice or more since the last look went the other way in
        // between, which a look every 10 ms cannot see: that change restarts the open
        // delay, so a chattering line never counts as open.
        int count = 0;
        if (m_parts.line.inputChangeCount(static_cast<platform::SerialLine::InputLine>(bit),
                                          count) == platform::SerialLine::Result::Ok) {
            if (m_lastChangeCount >= 0 && count - m_lastChangeCount >= 2)
                sample(!open, Why::None);
            m_lastChangeCount = count;
        }
        sample(open, Why::None);
        return true;
    }
    case platform::SerialLine::Result::Gone:
        sample(std::nullopt, Why::Gone);
        break;
    case platform::SerialLine::Result::Failed:
        sample(std::nullopt, Why::PortClosed);
        break;
    default:
        sample(std::nullopt, Why::Unreadable);
        break;
    }
    return false;
}

void SquelchInput::sample(std::optional<bool> raw, Why why) {
    if (!m_sampling)
        return;
    int generation = 0;
    bool open = false;
    State state{};
    {
        const std::lock_guard lock(m_mutex);
        generation = m_generation;
        m_gate.step(m_parts.clock.monotonicMs(), raw, m_inhibited);
        state = m_gate.state();
        if (state == m_published)
            return;
        m_published = state;
        open = m_gate.open();
    }
    QMetaObject::invokeMethod(
        this,
        [this, generation, open, state, why] {
            if (generation == m_generation && m_running)
                changed(open, state, why);
        },
        Qt::AutoConnection);
}

void SquelchInput::changed(bool open, State state, Why why) {
    m_state = state;
    if (open != m_wasOpen) {
        // A change of the squelch ends a hand-made setting.
        m_overridden = false;
        m_wasOpen = open;
        m_parts.ts.TSSetMicMute(!open);
    }
    if (state == State::Stuck && !m_stuckTold) {
        m_stuckTold = true;
        if (m_parts.event)
            m_parts.event(QStringLiteral("Squelch l\u00E4nger als %1 Minuten offen: Mikrofon aus")
                              .arg(m_settings.timeoutMinutes));
        m_parts.prompts.warnLater(
            QStringLiteral("Die Squelch ist l\u00E4nger als %1 Minuten offen: das Mikrofon "
                           "bleibt aus, bis sie schlie\u00DFt.")
                .arg(m_settings.timeoutMinutes));
    } else if (state == State::Closed) {
        m_stuckTold = false;
    }
    if (state == State::Missing) {
        if (m_missingSince < 0)
            m_missingSince = m_parts.clock.monotonicMs();
        m_missingWhy = why;
    } else if (state != State::Inhibited) {
        if (m_missingTold)
            std::fprintf(stderr, "quorvex: Squelch-Eingang wieder verf\u00FCgbar\n");
        m_missingSince = -1;
        m_missingTold = false;
    }
}

bool SquelchInput::active() const {
    return m_settings.source != Source::Off && m_parts.state.FuncGateway;
}

void SquelchInput::tick() {
    const bool act = active();
    m_sampling = act;
    keepCapture();
    if (!act) {
        m_running = false;
        return;
    }
    const app::ComKeyerVariables& keyer = m_parts.state.frmCOM;
    const bool inhibited = keyer.RTSLit || keyer.DTRLit || keyer.COMPortsperren;
    m_inhibited = inhibited;
    if (inhibited != m_wasInhibited)
        m_parts.line.interruptWait(); // the line's thread looks again
    if (!m_running) {
        m_running = true;
        m_wasOpen = false;
        m_parts.ts.TSSetMicMute(true); // closed until the squelch opens
    }
    if (inhibited && (m_wasOpen || m_overridden)) {
        // Keying turns the microphone off now, not at the next sample, and ends a
        // hand-made setting.
        m_overridden = false;
        m_wasOpen = false;
        m_parts.ts.TSSetMicMute(true);
    }
    m_wasInhibited = inhibited;
    if (m_settings.source == Source::Audio && !m_capture.running())
        sample(std::nullopt, Why::NoRecording);
    if (m_missingSince >= 0 && !m_missingTold &&
        m_parts.clock.monotonicMs() - m_missingSince >= MissingToldAfterMs) {
        m_missingTold = true;
        m_parts.prompts.warnLater(
            QStringLiteral("Der Squelch-Eingang ist nicht verf\u00FCgbar (%1): das Mikrofon "
                           "bleibt aus, bis er wieder da ist.")
                .arg(reason(m_missingWhy)));
    }
}

QString SquelchInput::reason(Why why) const {
    switch (why) {
    case Why::PortClosed:
        return QStringLiteral("der COM-Port des Gateways ist nicht offen");
    case Why::Gone:
        return QStringLiteral("Adapter getrennt");
    case Why::Unreadable:
        return QStringLiteral("die Statusleitungen des COM-Ports sind nicht lesbar");
    case Why::NoRecording:
        return m_captureProblem.isEmpty() ? QStringLiteral("keine Aufnahme vom Toneingang")
                                          : m_captureProblem;
    case Why::None:
        break;
    }
    return {};
}

std::optional<State> SquelchInput::indicator() const {
    if (!m_running)
        return std::nullopt;
    return m_state;
}

std::optional<std::pair<std::uint32_t, QString>> SquelchInput::lamp() const {
    const auto state = indicator();
    if (!state)
        return std::nullopt;
    if (m_overridden)
        return std::pair{0xFFC800u, QStringLiteral("Mikrofon von Hand geschaltet, bis die Squelch "
                                                   "\u00F6ffnet oder schlie\u00DFt")};
    switch (*state) {
    case State::Open:
        return std::pair{0x00FF00u, QStringLiteral("Squelch offen: Mikrofon an")};
    case State::Hanging:
        return std::pair{0x00FF00u, QStringLiteral("Squelch offen (Haltezeit): Mikrofon an")};
    case State::Inhibited:
        return std::pair{0x808080u, QStringLiteral("Squelch nicht beachtet: Sender aktiv oder "
                                                   "Gateway geschlossen")};
    case State::Stuck:
        return std::pair{0xFF0000u, QStringLiteral("Squelch l\u00E4nger offen als das Zeitlimit: "
                                                   "Mikrofon aus")};
    case State::Missing:
        return std::pair{0xFF0000u, QStringLiteral("Squelch-Eingang nicht verf\u00FCgbar")};
    case State::Closed:
        break;
    }
    return std::pair{0x008000u, QStringLiteral("Squelch zu: Mikrofon aus")};
}

void SquelchInput::manualMicrophone() {
    if (m_running)
        m_overridden = true;
}

void SquelchInput::preview(std::optional<QString> soundSource) {
    m_preview = std::move(soundSource);
    keepCapture();
}

// Records from the sound source the squelch or the meter needs, and from no other; a
// recording that failed is tried again every few seconds.
void SquelchInput::keepCapture() {
    std::optional<QString> wanted = m_preview;
    if (!wanted && active() && m_settings.source == Source::Audio)
        wanted = m_settings.soundSource;
    const std::int64_t now = m_parts.clock.monotonicMs();
    if (m_captureSource != wanted || (wanted && !m_capture.running() && now >= m_nextCaptureTry)) {
        m_capture.stop();
        m_captureSource.reset();
        m_level = -120;
    }
    if (!wanted || m_captureSource)
        return;
    m_nextCaptureTry = now + CaptureRetryMs;
    m_blockEnergy = 0;
    m_blockSamples = 0;
    std::string error;
    const bool started = m_capture.start(
        wanted->toStdString(), CaptureRate,
        [this](const std::int16_t* samples, std::size_t count) {
            for (std::size_t i = 0; i < count; ++i) {
                m_blockEnergy += double(samples[i]) * samples[i];
                if (++m_blockSamples < BlockSamples)
                    continue;
                const double db = 10 * std::log10(std::max(m_blockEnergy / BlockSamples, 1e-3) /
                                                  (32768.0 * 32768.0));
                m_level = db;
                m_blockEnergy = 0;
                m_blockSamples = 0;
                if (m_audioSource)
                    sample(db >= m_thresholdDb, Why::None);
            }
        },
        std::chrono::milliseconds(CaptureBoundMs), &error, CapturePieceMs);
    m_captureSource = wanted;
    m_captureProblem = started ? QString() : QString::fromStdString(error);
}
