#include "QtSerialLine.h"

#include <QThread>

#include <cerrno>
#include <csignal>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <QFileInfo>

namespace platform {
namespace {

// Ends a wait for the status lines: a signal without SA_RESTART makes the driver's
// TIOCMIWAIT return EINTR. A real-time signal nothing else in the program uses.
int wakeSignal() {
    static const int number = [] {
        struct sigaction action {};
        action.sa_handler = [](int) {};
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGRTMIN + 5, &action, nullptr);
        return SIGRTMIN + 5;
    }();
    return number;
}

} // namespace

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
    m_fd = static_cast<int>(m_port.handle());
    // The kernel drops both lines on the last close while HUPCL is set: what keeps a
    // transmitter from staying keyed when the program is killed outright.
    termios t{};
    if (::tcgetattr(m_fd, &t) == 0 && !(t.c_cflag & HUPCL)) {
        t.c_cflag |= HUPCL;
        ::tcsetattr(m_fd, TCSANOW, &t);
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
    // Read directly, not through QSerialPort, which belongs to the keyer's thread (and
    // would keep a failed read as the port's error). A read racing a close reads a closed
    // descriptor, or one opened anew for something else: either fails, as a read of a
    // port that is going away may.
    const int fd = m_fd.load();
    if (fd < 0)
        return Result::Failed;
    int bits = 0;
    if (::ioctl(fd, TIOCMGET, &bits) != 0)
        return errno == EIO || errno == ENXIO || errno == ENODEV ? Result::Gone
                                                                 : Result::Unsupported;
    lines = ((bits & TIOCM_CAR) ? Dcd : 0) | ((bits & TIOCM_CTS) ? Cts : 0) |
            ((bits & TIOCM_DSR) ? Dsr : 0) | ((bits & TIOCM_RNG) ? Ri : 0);
    return Result::Ok;
}

SerialLine::Result QtSerialLine::inputChangeCount(InputLine line, int& count) {
    const int fd = m_fd.load();
    if (fd < 0)
        return Result::Failed;
    serial_icounter_struct counts{};
    if (::ioctl(fd, TIOCGICOUNT, &counts) != 0)
        return errno == EIO || errno == ENXIO || errno == ENODEV ? Result::Gone
                                                                 : Result::Unsupported;
    switch (line) {
    case Dcd:
        count = counts.dcd;
        break;
    case Cts:
        count = counts.cts;
        break;
    case Dsr:
        count = counts.dsr;
        break;
    case Ri:
        count = counts.rng;
        break;
    }
    return Result::Ok;
}

// The waiter announces itself before it looks for a request, the waker leaves its
// request before it looks for a waiter: one of the two always sees the other, so a wake
// in the moment before the wait is kept, not lost.
SerialLine::Result QtSerialLine::waitInputChange() {
    wakeSignal();
    m_waiter = ::pthread_self();
    m_waiting = true;
    if (m_wakeRequested.exchange(false)) {
        m_waiting = false;
        return Result::Ok;
    }
    const int fd = m_fd.load(); // after m_waiting: a close from now on wakes us
    int result = 0;
    if (fd >= 0)
        result = ::ioctl(fd, TIOCMIWAIT, TIOCM_CAR | TIOCM_CTS | TIOCM_DSR | TIOCM_RNG);
    const int error = errno;
    m_waiting = false;
    m_wakeRequested = false; // whatever asked is answered by this return
    if (fd < 0)
        return Result::Failed;
    if (result == 0 || error == EINTR)
        return Result::Ok;
    if (error == EIO || error == ENXIO || error == ENODEV)
        return Result::Gone;
    return error == EINVAL || error == ENOTTY ? Result::Unsupported : Result::Failed;
}

void QtSerialLine::interruptWait() {
    m_wakeRequested = true;
    // A waiter may not be inside the driver's wait yet, where the signal is needed: it is
    // sent again until the waiter has left (it cannot stay: the wait ends on a signal).
    for (int i = 0; i < 20000 && m_waiting; ++i) {
        ::pthread_kill(m_waiter, wakeSignal());
        QThread::usleep(250);
    }
}

SerialLine::Result QtSerialLine::check() {
    if (!m_port.isOpen())
        return Result::Failed;
    if (m_port.error() == QSerialPort::ResourceError || !QFileInfo::exists(m_device))
        return Result::Gone;
    // An adapter in trouble may keep its device file: its driver says so when asked.
    int lines = 0;
    return inputLines(lines) == Result::Gone ? Result::Gone : Result::Ok;
}

void QtSerialLine::close() {
    if (!m_port.isOpen())
        return;
    m_fd = -1;
    interruptWait(); // a wait holds the device open; it must let go first
    m_port.setRequestToSend(false);
    m_port.setDataTerminalReady(false);
    m_port.close();
}

int QtSerialLine::nativeHandle() const {
    return m_port.isOpen() ? static_cast<int>(m_port.handle()) : -1;
}

} // namespace platform
