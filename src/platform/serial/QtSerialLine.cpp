#include "QtSerialLine.h"

#include <cerrno>
#include <sys/ioctl.h>

#include <QFileInfo>

namespace platform {

SerialLine::Result QtSerialLine::lastError() const {
    switch (m_port.error()) {
    case QSerialPort::NoError:
        return Result::Ok;
    case QSerialPort::DeviceNotFoundError:
        return Result::NotFound;
    case QSerialPort::PermissionError:
        // Qt reports a port held by another program (its lock) as a permission error.
        return QFileInfo(m_device).isWritable() ? Result::Busy : Result::PermissionDenied;
    case QSerialPort::OpenError:
        return Result::Busy;
    case QSerialPort::ResourceError:
        return Result::Gone;
    case QSerialPort::UnsupportedOperationError:
        return Result::Unsupported;
    default:
        return Result::Failed;
    }
}

// German, like every dialog the text ends up in; Qt's own texts follow no locale.
QString QtSerialLine::errorText() const {
    switch (lastError()) {
    case Result::NotFound:
    case Result::Gone:
        return QStringLiteral("Ger\u00E4t nicht mehr vorhanden");
    case Result::PermissionDenied:
        return QStringLiteral("keine Berechtigung");
    case Result::Busy:
        return QStringLiteral("von einem anderen Programm belegt");
    case Result::Unsupported:
        return QStringLiteral("Leitungen nicht schaltbar");
    default:
        return QStringLiteral("Ein-/Ausgabefehler");
    }
}

SerialLine::Result QtSerialLine::open(const QString& device) {
    close();
    m_device = device;
    m_port.setPortName(device);
    m_port.setBaudRate(QSerialPort::Baud9600);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    m_port.clearError();
    if (!m_port.open(QIODevice::ReadWrite))
        return lastError() == Result::Ok ? Result::Failed : lastError();
    // The driver raises both lines on every open; a transmitter on either would key.
    const bool rts = m_port.setRequestToSend(false);
    const bool dtr = m_port.setDataTerminalReady(false);
    if (!rts || !dtr) {
        const Result why = lastError();
        m_port.close();
        return why == Result::Ok ? Result::Failed : why;
    }
    return Result::Ok;
}

SerialLine::Result QtSerialLine::setRequestToSend(bool active) {
    if (!m_port.isOpen())
        return Result::Failed;
    if (m_port.setRequestToSend(active))
        return Result::Ok;
    const Result why = lastError();
    return why == Result::Ok ? Result::Failed : why;
}

SerialLine::Result QtSerialLine::setDataTerminalReady(bool active) {
    if (!m_port.isOpen())
        return Result::Failed;
    if (m_port.setDataTerminalReady(active))
        return Result::Ok;
    const Result why = lastError();
    return why == Result::Ok ? Result::Failed : why;
}

SerialLine::Result QtSerialLine::inputLines(int& lines) {
    if (!m_port.isOpen())
        return Result::Failed;
    // Read directly: QSerialPort would keep a failed read as the port's error, which the
    // keyer's own checks read.
    int bits = 0;
    if (::ioctl(static_cast<int>(m_port.handle()), TIOCMGET, &bits) != 0)
        return errno == EIO || errno == ENXIO || errno == ENODEV ? Result::Gone : Result::Failed;
    lines = ((bits & TIOCM_CAR) ? Dcd : 0) | ((bits & TIOCM_CTS) ? Cts : 0) |
            ((bits & TIOCM_DSR) ? Dsr : 0) | ((bits & TIOCM_RNG) ? Ri : 0);
    return Result::Ok;
}

SerialLine::Result QtSerialLine::check() {
    if (!m_port.isOpen())
        return Result::Failed;
    if (m_port.error() == QSerialPort::ResourceError || !QFileInfo::exists(m_device))
        return Result::Gone;
    return Result::Ok;
}

void QtSerialLine::close() {
    if (!m_port.isOpen())
        return;
    m_port.setRequestToSend(false);
    m_port.setDataTerminalReady(false);
    m_port.close();
}

int QtSerialLine::nativeHandle() const {
    return m_port.isOpen() ? static_cast<int>(m_port.handle()) : -1;
}

} // namespace platform
