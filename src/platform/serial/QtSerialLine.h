#pragma once

#include "SerialLine.h"

#include <QSerialPort>

#include <atomic>
#include <pthread.h>

namespace platform {

// The serial line through Qt Serial Port.
class QtSerialLine final : public SerialLine {
public:
    Result open(const QString& device) override;
    Result setRequestToSend(bool active) override;
    Result setDataTerminalReady(bool active) override;
    Result inputLines(int& lines) override;
    Result waitInputChange() override;
    void interruptWait() override;
    Result inputChangeCount(InputLine line, int& count) override;
    Result check() override;
    void close() override;
    bool isOpen() const override { return m_port.isOpen(); }
    int nativeHandle() const override;
    QString errorText() const override;

private:
    Result lastError() const;

    QSerialPort m_port;
    QString m_device;
    std::atomic<int> m_fd{-1}; // the open port's, for inputLines from any thread
    // The thread blocked in waitInputChange, which a signal wakes.
    std::atomic<bool> m_waiting{false};
    std::atomic<bool> m_wakeRequested{false}; // kept until the next wait sees it
    std::atomic<pthread_t> m_waiter{};
};

} // namespace platform
