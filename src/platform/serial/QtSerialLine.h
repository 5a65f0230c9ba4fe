#pragma once

#include "SerialLine.h"

#include <QSerialPort>

namespace platform {

// The serial line through Qt Serial Port.
class QtSerialLine final : public SerialLine {
public:
    Result open(const QString& device) override;
    Result setRequestToSend(bool active) override;
    Result setDataTerminalReady(bool active) override;
    Result inputLines(int& lines) override;
    Result check() override;
    void close() override;
    bool isOpen() const override { return m_port.isOpen(); }
    int nativeHandle() const override;
    QString errorText() const override;

private:
    Result lastError() const;

    QSerialPort m_port;
    QString m_device;
};

} // namespace platform
