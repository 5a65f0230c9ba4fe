#include "SquelchInput.h"

#include "Clock.h"
#include "Prompts.h"
#include "SerialLine.h"
#include "SharedState.h"
#include "TSRemote.h"

#include <QTimer>

#include <cmath>
#include <cstdio>

using Source = SquelchSettings::Source;

namespace {

constexpr std::int64_t MissingToldAfterMs = 2000; // start-up and short glitches stay quiet
constexpr std::int64_t CaptureRetryMs = 3000;
constexpr int CaptureBoundMs = 300;
constexpr int BlockSamples = SquelchInput::CaptureRate / 100; // 10 ms

int lineBit(Source s) {
    switch (s) {
    case Source::Dcd:
        return platform::SerialLine::Dcd;
    case Source::Cts:
        return platform::SerialLine::Cts;
    case Source::Dsr:
        return platform::SerialLine::Dsr;
    case Source::Ri:
        return platform::SerialLine::Ri;
    default:
        return 0;
    }
}

} // namespace

SquelchInput::SquelchInput(Parts parts, QObject* parent) : QObject(parent), m_parts(parts) {
    m_timer = new QTimer(this);
    m_timer->setTimerType(Qt::PreciseTimer);
    m_timer->setInterval(StepMs);
    connect(m_timer, &QTimer::timeout, this, &SquelchInput::step);
}

SquelchInput::~SquelchInput() {
    m_capture.stop(); // before the members its thread writes go
}

void SquelchInput::setSettings(const SquelchSettings& settings) {
    m_settings = settings;
    const std::int64_t minute = 60LL * m_parts.secondMs;
    m_gate = SquelchGate({settings.openDelayMs, settings.hangMs, settings.timeoutMinutes * minute});
    m_running = false; // the next step starts from a closed squelch
    m_overridden = false;
    m_stuckTold = false;
    if (settings.source == Source::Off && !m_preview) {
        m_timer->stop();
        keepCapture();
    } else {
        m_timer->start();
    }
}

bool SquelchInput::active() const {
    return m_settings.source != Source::Off && m_parts.state.FuncGateway;
}

std::optional<SquelchGate::State> SquelchInput::indicator() const {
    if (!m_running)
        return std::nullopt;
    return m_gate.state();
}

std::optional<std::pair<std::uint32_t, QString>> SquelchInput::lamp() const {
    using State = SquelchGate::State;
    const auto state = indicator();
    if (!state)
        return std::nullopt;
    if (m_overridden)
        return std::pair{0xFFC800u, QStringLiteral("Mikrofon von Hand geschaltet, bis die Squelch "
                                                   "öffnet oder schließt")};
    switch (*state) {
    case State::Open:
        return std::pair{0x00FF00u, QStringLiteral("Squelch offen: Mikrofon an")};
    case State::Hanging:
        return std::pair{0x00FF00u, QStringLiteral("Squelch offen (Haltezeit): Mikrofon an")};
    case State::Inhibited:
        return std::pair{0x808080u, QStringLiteral("Squelch nicht beachtet: Sender aktiv oder "
                                                   "Gateway geschlossen")};
    case State::Stuck:
        return std::pair{0xFF0000u, QStringLiteral("Squelch länger offen als das Zeitlimit: "
                                                   "Mikrofon aus")};
    case State::Missing:
        return std::pair{0xFF0000u, QStringLiteral("Squelch-Eingang nicht verfügbar")};
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
    if (m_preview)
        m_timer->start();
    keepCapture();
}

std::optional<bool> SquelchInput::readRaw(QString* why) {
    if (m_settings.source == Source::Audio) {
        if (!m_capture.running()) {
            *why = m_captureProblem.isEmpty() ? QStringLiteral("keine Aufnahme vom Toneingang")
                                              : m_captureProblem;
            return std::nullopt;
        }
        return m_level.load() >= m_settings.thresholdDb;
    }
    platform::SerialLine& line = m_parts.line;
    if (!line.isOpen()) {
        *why = QStringLiteral("der COM-Port des Gateways ist nicht offen");
        return std::nullopt;
    }
    int lines = 0;
    switch (line.inputLines(lines)) {
    case platform::SerialLine::Result::Ok:
        return ((lines & lineBit(m_settings.source)) != 0) == m_settings.activeHigh;
    case platform::SerialLine::Result::Gone:
        *why = QStringLiteral("Adapter getrennt");
        return std::nullopt;
    default:
        *why = QStringLiteral("die Statusleitungen des COM-Ports sind nicht lesbar");
        return std::nullopt;
    }
}

// Records from the sound source the squelch or the meter needs, and from no other.
void SquelchInput::keepCapture() {
    std::optional<QString> wanted = m_preview;
    if (!wanted && active() && m_settings.source == Source::Audio)
        wanted = m_settings.soundSource;
    if (m_captureSource != wanted ||
        (wanted && !m_capture.running() && m_parts.clock.monotonicMs() >= m_nextCaptureTry)) {
        m_capture.stop();
        m_captureSource.reset();
        m_level = -120;
    }
    if (!wanted || m_captureSource)
        return;
    m_nextCaptureTry = m_parts.clock.monotonicMs() + CaptureRetryMs;
    m_blockEnergy = 0;
    m_blockSamples = 0;
    std::string error;
    const bool started = m_capture.start(
        wanted->toStdString(), CaptureRate,
        [this](const std::int16_t* samples, std::size_t count) {
            for (std::size_t i = 0; i < count; ++i) {
                m_blockEnergy += double(samples[i]) * samples[i];
                if (++m_blockSamples == BlockSamples) {
                    m_level = 10 * std::log10(std::max(m_blockEnergy / BlockSamples, 1e-3) /
                                              (32768.0 * 32768.0));
                    m_blockEnergy = 0;
                    m_blockSamples = 0;
                }
            }
        },
        std::chrono::milliseconds(CaptureBoundMs), &error);
    m_captureSource = wanted;
    m_captureProblem = started ? QString() : QString::fromStdString(error);
}

void SquelchInput::apply(bool on) {
    m_parts.ts.TSSetMicMute(!on);
}

void SquelchInput::step() {
    keepCapture();
    if (!active()) {
        m_running = false;
        if (!m_preview && m_settings.source == Source::Off)
            m_timer->stop();
        return;
    }
    const std::int64_t now = m_parts.clock.monotonicMs();
    const app::ComKeyerVariables& keyer = m_parts.state.frmCOM;
    const bool inhibited = keyer.RTSLit || keyer.DTRLit || keyer.COMPortsperren;
    QString why;
    const std::optional<bool> raw = readRaw(&why);
    m_gate.step(now, raw, inhibited);
    const bool open = m_gate.open();

    if (!m_running || open != m_wasOpen || (inhibited && m_overridden)) {
        // A change of the squelch ends a hand-made setting; keying always turns it off.
        m_overridden = false;
        apply(open);
    }
    m_running = true;
    m_wasOpen = open;

    if (m_gate.state() == SquelchGate::State::Stuck && !m_stuckTold) {
        m_stuckTold = true;
        m_parts.prompts.warnLater(
            QStringLiteral("Die Squelch ist l\u00E4nger als %1 Minuten offen: das Mikrofon "
                           "bleibt aus, bis sie schlie\u00DFt.")
                .arg(m_settings.timeoutMinutes));
    } else if (m_gate.state() != SquelchGate::State::Stuck && raw && !*raw) {
        m_stuckTold = false;
    }

    if (raw) {
        if (m_missingTold)
            std::fprintf(stderr, "quorvex: Squelch-Eingang wieder verf\u00FCgbar\n");
        m_missingSince = -1;
        m_missingTold = false;
    } else if (m_missingSince < 0) {
        m_missingSince = now;
    } else if (!m_missingTold && now - m_missingSince >= MissingToldAfterMs) {
        m_missingTold = true;
        m_parts.prompts.warnLater(
            QStringLiteral("Der Squelch-Eingang ist nicht verf\u00FCgbar (%1): das Mikrofon "
                           "bleibt aus, bis er wieder da ist.")
                .arg(why));
    }
}
