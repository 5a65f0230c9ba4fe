#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>

class QTimer;

namespace app {
struct SharedState;
}
namespace platform {
class Clock;
class Prompts;
class SerialLine;
} // namespace platform

// What the keyer reads from the settings page and the port mapping.
struct KeyerSettings {
    std::function<int()> hangTimeMs;        // sldDelay
    std::function<int()> watchdogMinutes;   // sldWatchdog
    std::function<QString(int)> devicePath; // COM1..COM4 to a device
    std::function<void()> resetPortChoice;  // cmbCOMPort back to "(ohne)"
    // The transmitter went up (cause empty) or down, and why: for the transmission log.
    std::function<void(bool keyed, const QString& cause)> keyingChanged;
    // The watchdog's second; shortened only by tests.
    int secondMs = 1000;
    // What happened, for the operator's event list (German).
    std::function<void(const QString&)> event;
};

// The COM keyer: keys a transmitter with the RTS or DTR line of a serial port, holds
// it for the hang time after the last send request, and cuts and blocks keying when
// the watchdog runs out. Never shown; its public variables live in state.frmCOM.
class frmCOM : public QObject {
    Q_OBJECT
public:
    static constexpr int DelayIntervalMs = 10;
    static constexpr int WatchdogIntervalMs = 1000;
    // A port that vanished is tried again this often, without a message.
    static constexpr int RetryLostMs = 1000;
    // What ends a keying, as the transmission log records it.
    static constexpr const char* HangTimeOver = "Haltezeit abgelaufen";
    static constexpr const char* WatchdogCut = "Watchdog";
    static constexpr const char* Blocked = "Gesperrt";
    static constexpr const char* AdapterLost = "Adapter getrennt";
    static constexpr const char* PortClosed = "Port geschlossen";
    static constexpr const char* ProgramEnded = "Programm beendet";
    static constexpr const char* GatewayOff = "Gateway aus";

    frmCOM(app::SharedState& state, platform::SerialLine& line, const platform::Clock& clock,
           platform::Prompts& prompts, KeyerSettings settings, QObject* parent = nullptr);
    ~frmCOM() override;

    bool COM_ini(std::int16_t port);
    void COM_senden(bool send);
    void COM_schliessen(std::int16_t port);
    // Drops the line at once and keys no more until the block is lifted.
    void sperren();
    // Finds a port whose adapter went away since the last tick.
    void checkLine();
    // The gateway was switched off: the line drops now, the port stays as it is.
    void gatewayOff();
    // The program is ending: the line drops and nothing keys it again, whatever is
    // still queued.
    void endForGood();

    // Timer work; the timers only call these.
    void Delay_Timer();
    void Watchdog_Timer();

    std::int16_t DelayTakt = 0;
    std::int16_t WatchdogSek = 0;
    std::int16_t WatchdogMin = 0;
    QString lblDelayTaktIst;
    QTimer* Delay = nullptr;
    QTimer* Watchdog = nullptr;

private:
    void COM_ein();
    void COM_aus(const char* cause);
    bool setKeyingLine(bool up, const char* cause = nullptr);
    void lampOut(const char* cause); // the keying line is down, whatever brought it down
    void loseLine(const QString& why);
    void lampsDark();
    QString interfaceName() const;  // for messages: the COM port or the interface of its own
    void tell(const QString& what); // to the event list

    app::SharedState& m_state;
    platform::SerialLine& m_line;
    const platform::Clock& m_clock;
    platform::Prompts& m_prompts;
    KeyerSettings m_settings;
    std::int64_t m_lastSendMs = 0;
    bool m_reporting = false; // a message is showing: no new open attempt
    const char* m_closeCause = PortClosed;
    static constexpr int NoLostPort = -1;
    int m_lostPort = NoLostPort; // the port whose adapter vanished (0: the interface's own)
    std::int64_t m_nextRetryMs = 0;
    std::int64_t m_watchdogStartMs = 0; // when the present continuous sending began
    bool m_ended = false;
};
