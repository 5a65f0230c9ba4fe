#pragma once

#include <QObject>

class QSocketNotifier;

// Keeps a transmitter from staying keyed when the program ends in any way: on
// SIGTERM, SIGINT and SIGHUP (logout, kill) and on a crash the modem lines of the
// watched serial port are dropped at once, inside the signal handler.
namespace platform::LineGuard {

// The open keying port's descriptor; -1 when none is open.
void watch(int fd);
int watched();
// Drops RTS and DTR of the watched port; safe inside a signal handler.
void dropLines();

} // namespace platform::LineGuard

namespace platform {

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal, after the lines were dropped,
// so the program can end through its normal path. Crashes drop the lines and end.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

Q_SIGNALS:
    void received(int signalNumber);

private:
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace platform
