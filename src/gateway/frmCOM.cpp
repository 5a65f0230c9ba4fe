#include "frmCOM.h"

#include "Clock.h"
#include "LineGuard.h"
#include "Prompts.h"
#include "SerialLine.h"
#include "SharedState.h"

#include <QTimer>

#include <algorithm>
#include <cstdio>

using Result = platform::SerialLine::Result;

namespace {

// The device and why it did not open, in words a radio operator can act on.
QString openFailure(Result why, const QString& device) {
    if (device.isEmpty())
        return QStringLiteral("\n\nDem Port ist kein Ger\u00E4t zugeordnet.");
    QString reason;
    switch (why) {
    case Result::NotFound:
        reason = QStringLiteral("Das Ger\u00E4t ist nicht vorhanden (Adapter eingesteckt?).");
        break;
    case Result::Busy:
        reason = QStringLiteral("Der Port wird schon von einem anderen Programm benutzt.");
        break;
    case Result::PermissionDenied:
        reason = QStringLiteral("Keine Berechtigung f\u00FCr das Ger\u00E4t.\nAbhilfe: den "
                                "Benutzer in die Gruppe \"dialout\" aufnehmen (sudo adduser "
                                "$USER dialout), dann ab- und wieder anmelden.");
        break;
    case Result::Unsupported:
        reason = QStringLiteral("Das Ger\u00E4t kann die Leitungen RTS und DTR nicht schalten.");
        break;
    case Result::Gone:
        reason = QStringLiteral("Das Ger\u00E4t ist nicht mehr vorhanden.");
        break;
    default:
        reason = QStringLiteral("Das Ger\u00E4t l\u00E4sst sich nicht \u00F6ffnen.");
        break;
    }
    return QStringLiteral("\n\nGer\u00E4t: %1\n%2").arg(device, reason);
}

} // namespace

frmCOM::frmCOM(app::SharedState& state, platform::SerialLine& line, const platform::Clock& clock,
               platform::Prompts& prompts, KeyerSettings settings, QObject* parent)
    : QObject(parent), m_state(state), m_line(line), m_clock(clock), m_prompts(prompts),
      m_settings(std::move(settings)) {
    Delay = new QTimer(this);
    Watchdog = new QTimer(this);
    Delay->setTimerType(Qt::PreciseTimer);
    Delay->setInterval(DelayIntervalMs);
    Watchdog->setInterval(m_settings.secondMs > 0 ? m_settings.secondMs : WatchdogIntervalMs);
    connect(Delay, &QTimer::timeout, this, &frmCOM::Delay_Timer);
    connect(Watchdog, &QTimer::timeout, this, &frmCOM::Watchdog_Timer);
}

frmCOM::~frmCOM() {
    // Whatever ends the program, the transmitter is not left keyed.
    m_closeCause = ProgramEnded;
    if (m_line.isOpen())
        COM_schliessen(m_state.frmOptions.COMPortAuswahl);
}

bool frmCOM::COM_ini(std::int16_t port) {
    if (m_reporting)
        return false;
    const bool lost = m_lostPort != NoLostPort && m_lostPort == port;
    if (lost && m_clock.monotonicMs() < m_nextRetryMs)
        return false;
    const QString device = m_settings.devicePath ? m_settings.devicePath(port) : QString();
    const Result opened = m_line.open(device);
    if (opened == Result::Ok) {
        m_state.frmCOM.COMPortOffen = true;
        if (lost)
            tell(interfaceName() + QStringLiteral(" wieder da"));
        m_lostPort = NoLostPort;
        platform::LineGuard::watch(m_line.nativeHandle());
        return true;
    }
    if (m_line.isOpening()) {
        // The interface has not said yet whether it opens: asked again at the next tick
        // (or retry), quietly; a failure is told when it comes.
        return false;
    }
    if (lost) {
        // The adapter is still away; it was reported when it went.
        m_nextRetryMs = m_clock.monotonicMs() + RetryLostMs;
        return false;
    }
    const QString& own = m_state.frmCOM.Schnittstelle;
    if (!own.isEmpty()) {
        // An interface of its own is told once and then tried again quietly, as a
        // vanished adapter is: there is no port choice to fall back to.
        m_lostPort = port;
        m_nextRetryMs = m_clock.monotonicMs() + RetryLostMs;
        m_reporting = true;
        m_prompts.warn(
            QStringLiteral("Die Sender-Schnittstelle %1 konnte nicht ge\u00F6ffnet werden !\n\n%2")
                .arg(own, m_line.errorText()));
        m_reporting = false;
        return false;
    }
    m_reporting = true;
    m_prompts.warn(QStringLiteral("COM-Port %1 konnte nicht ge\u00F6ffnet werden !")
                       .arg(m_state.frmOptions.COMPortAuswahl) +
                   openFailure(opened, device));
    m_reporting = false;
    if (m_settings.resetPortChoice)
        m_settings.resetPortChoice();
    m_state.frmOptions.COMPortAuswahl = 0;
    return false;
}

void frmCOM::COM_senden(bool send) {
    if (send)
        COM_ein();
    else if (m_state.frmCOM.DelayEIN)
        COM_aus(HangTimeOver);
}

void frmCOM::COM_ein() {
    if (m_state.frmCOM.COMPortsperren || m_ended)
        return;
    if (!setKeyingLine(true))
        return;
    // The hang time counts from this request: it has not run out now.
    m_lastSendMs = m_clock.monotonicMs();
    m_state.frmCOM.DelayEIN = false;
    DelayTakt = 0;
    Delay->start();
    if (!Watchdog->isActive()) {
        m_watchdogStartMs = m_lastSendMs;
        Watchdog->start();
    }
}

void frmCOM::COM_aus(const char* cause) {
    m_state.frmCOM.WatchdogRestSek = -1;
    setKeyingLine(false, cause);
    m_state.frmCOM.DelayEIN = false;
    Delay->stop();
    Watchdog->stop();
    WatchdogSek = 0;
    WatchdogMin = 0;
}

// Drives the keying line of an open port and shows it; false when the line was lost.
bool frmCOM::setKeyingLine(bool up, const char* cause) {
    bool& lamp = m_state.frmCOM.DTR ? m_state.frmCOM.DTRLit : m_state.frmCOM.RTSLit;
    if (!m_line.isOpen()) {
        lampOut(cause ? cause : PortClosed); // no line is driven while the port is closed
        return true;
    }
    const Result r =
        m_state.frmCOM.DTR ? m_line.setDataTerminalReady(up) : m_line.setRequestToSend(up);
    if (r != Result::Ok) {
        loseLine(m_line.errorText());
        return false;
    }
    if (up && !lamp && m_settings.keyingChanged)
        m_settings.keyingChanged(true, QString());
    if (!up)
        lampOut(cause ? cause : HangTimeOver);
    lamp = up;
    return true;
}

void frmCOM::lampOut(const char* cause) {
    const bool wasKeyed = m_state.frmCOM.RTSLit || m_state.frmCOM.DTRLit;
    lampsDark();
    if (wasKeyed && m_settings.keyingChanged)
        m_settings.keyingChanged(false, QString::fromUtf8(cause));
}

void frmCOM::sperren() {
    COM_aus(Blocked);
    m_state.frmCOM.COMPortsperren = true;
}

void frmCOM::gatewayOff() {
    if (m_state.frmCOM.RTSLit || m_state.frmCOM.DTRLit || Delay->isActive())
        COM_aus(GatewayOff);
}

void frmCOM::endForGood() {
    m_ended = true;
    m_closeCause = ProgramEnded;
    COM_aus(ProgramEnded);
}

void frmCOM::COM_schliessen(std::int16_t) {
    // The guard lets go first: a signal in between must not touch a closed descriptor,
    // nor one the system has handed out again.
    platform::LineGuard::watch(-1);
    m_line.close();
    m_state.frmCOM.COMPortOffen = false;
    lampOut(m_closeCause);
}

void frmCOM::checkLine() {
    if (m_line.isOpen() && m_line.check() != Result::Ok)
        loseLine(m_line.errorText());
}

// The adapter went away or refused a line change: nothing may claim the line is up.
void frmCOM::loseLine(const QString& why) {
    const int port = m_state.frmOptions.COMPortAuswahl;
    platform::LineGuard::watch(-1);
    m_line.close();
    m_state.frmCOM.COMPortOffen = false;
    lampOut(AdapterLost);
    // A radio that stopped answering may still be sending: its hang time and watchdog
    // go on counting, so it is cut and blocked in time if it is back and still keyed.
    if (m_line.dropsWhenGone()) {
        m_state.frmCOM.DelayEIN = false;
        Delay->stop();
        Watchdog->stop();
        WatchdogSek = 0;
        WatchdogMin = 0;
    }
    m_lostPort = port;
    m_nextRetryMs = m_clock.monotonicMs() + RetryLostMs;
    const QString& own = m_state.frmCOM.Schnittstelle;
    tell(interfaceName() + QStringLiteral(" getrennt (%1)").arg(why));
    m_prompts.warnLater(
        (own.isEmpty() ? QStringLiteral("Die Verbindung zu COM-Port %1").arg(port)
                       : QStringLiteral("Die Verbindung zur Sender-Schnittstelle %1").arg(own)) +
        QStringLiteral(" ist abgerissen (%1).\r"
                       "Die Sendeleitung ist abgeschaltet; sobald der Adapter wieder "
                       "da ist, wird der Port erneut ge\u00F6ffnet.")
            .arg(why));
}

QString frmCOM::interfaceName() const {
    return m_state.frmCOM.Schnittstelle.isEmpty()
               ? QStringLiteral("COM-Port %1").arg(m_state.frmOptions.COMPortAuswahl)
               : QStringLiteral("Sender-Schnittstelle %1").arg(m_state.frmCOM.Schnittstelle);
}

void frmCOM::tell(const QString& what) {
    if (m_settings.event)
        m_settings.event(what);
    else
        std::fprintf(stderr, "quorvex: %s\n", what.toLocal8Bit().constData());
}

void frmCOM::lampsDark() {
    m_state.frmCOM.RTSLit = false;
    m_state.frmCOM.DTRLit = false;
}

void frmCOM::Delay_Timer() {
    if (!m_state.FuncGateway)
        return;
    const std::int64_t elapsed = m_clock.monotonicMs() - m_lastSendMs;
    DelayTakt =
        static_cast<std::int16_t>(std::clamp<std::int64_t>(elapsed / DelayIntervalMs, 0, 3276));
    lblDelayTaktIst = QString::number(DelayTakt);
    const int hang = m_settings.hangTimeMs ? m_settings.hangTimeMs() : 0;
    if (elapsed >= hang) {
        m_state.frmCOM.DelayEIN = true;
        Delay->stop(); // nothing more to count until the next send request
    }
}

// The count is taken from the clock, not from its own ticks, and the cut comes once it
// reaches or passes the limit: a limit lowered during a long transmission cuts at once.
void frmCOM::Watchdog_Timer() {
    const std::int64_t now = m_clock.monotonicMs();
    if (!m_state.WatchdogEIN) {
        m_watchdogStartMs = now;
        WatchdogSek = 0;
        WatchdogMin = 0;
        m_state.frmCOM.WatchdogRestSek = -1;
        return;
    }
    const int second = m_settings.secondMs > 0 ? m_settings.secondMs : 1000;
    const std::int64_t seconds = std::max<std::int64_t>(0, now - m_watchdogStartMs) / second;
    WatchdogSek = static_cast<std::int16_t>(seconds % 60);
    WatchdogMin = static_cast<std::int16_t>(std::min<std::int64_t>(seconds / 60, 32767));
    const int limit = m_settings.watchdogMinutes ? m_settings.watchdogMinutes() : 1;
    m_state.frmCOM.WatchdogRestSek =
        static_cast<int>(std::clamp<std::int64_t>(limit * 60LL - seconds, 0, 1 << 30));
    if (WatchdogMin >= limit) {
        COM_aus(WatchdogCut);
        COM_schliessen(m_state.frmOptions.COMPortAuswahl);
        m_state.frmCOM.COMPortsperren = true;
        m_state.frmCOM.AbgebrochenNachMin = std::max(1, limit);
        tell(QStringLiteral("Watchdog: Sendung nach %1 Min. abgebrochen, Senden gesperrt")
                 .arg(m_state.frmCOM.AbgebrochenNachMin));
    }
}
