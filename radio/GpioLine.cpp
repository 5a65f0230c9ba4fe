#include "GpioLine.h"

#include <gpiod.h>

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

platform::SerialLine::Result GpioLine::open(const QString& chip) {
    close();
    const QByteArray name = (chip.isEmpty() ? QStringLiteral("gpiochip0") : chip).toLocal8Bit();
    m_chip = gpiod_chip_open_lookup(name.constData());
    if (m_chip == nullptr) {
        const int error = errno;
        m_error = error == EACCES || error == EPERM
                      ? QStringLiteral("keine Berechtigung f\u00FCr %1 (Gruppe \"gpio\"?)")
                            .arg(QString::fromLocal8Bit(name))
                      : QStringLiteral("GPIO-Baustein %1 nicht vorhanden")
                            .arg(QString::fromLocal8Bit(name));
        return error == EACCES || error == EPERM ? Result::PermissionDenied : Result::NotFound;
    }
    m_line = gpiod_chip_get_line(m_chip, static_cast<unsigned>(m_offset));
    const int flags = m_activeLow ? GPIOD_LINE_REQUEST_FLAG_ACTIVE_LOW : 0;
    if (m_line == nullptr || gpiod_line_request_output_flags(m_line, "quorvex", flags, 0) != 0) {
        m_error = QStringLiteral("GPIO-Leitung %1 nicht verf\u00FCgbar (belegt?)").arg(m_offset);
        m_line = nullptr;
        close();
        return Result::Busy;
    }
    if (m_inputOffset >= 0) {
        m_input = gpiod_chip_get_line(m_chip, static_cast<unsigned>(m_inputOffset));
        if (m_input == nullptr || gpiod_line_request_both_edges_events(m_input, "quorvex") != 0) {
            m_error = QStringLiteral("GPIO-Leitung %1 (Squelch) nicht verf\u00FCgbar (belegt?)")
                          .arg(m_inputOffset);
            m_input = nullptr;
            close();
            return Result::Busy;
        }
        m_wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    }
    return Result::Ok;
}

platform::SerialLine::Result GpioLine::inputLines(int& lines) {
    lines = 0;
    if (m_line == nullptr)
        return Result::Failed;
    if (m_input == nullptr)
        return Result::Ok;
    const int value = gpiod_line_get_value(m_input);
    if (value < 0) {
        m_error = QStringLiteral("GPIO-Leitung %1 l\u00E4sst sich nicht lesen").arg(m_inputOffset);
        return Result::Gone;
    }
    lines = value ? Dcd : 0;
    return Result::Ok;
}

// Until an edge of the squelch line, or a wake.
platform::SerialLine::Result GpioLine::waitInputChange() {
    if (m_input == nullptr)
        return m_line ? Result::Unsupported : Result::Failed;
    pollfd fds[2] = {{gpiod_line_event_get_fd(m_input), POLLIN, 0}, {m_wake, POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0 && errno != EINTR)
        return Result::Failed;
    if (fds[1].revents & POLLIN) {
        std::uint64_t n = 0;
        if (::read(m_wake, &n, sizeof n) < 0) {
            // Read to be empty again; nothing else to do.
        }
    }
    if (fds[0].revents & POLLIN) {
        gpiod_line_event event{};
        if (gpiod_line_event_read(m_input, &event) != 0)
            return Result::Gone;
    }
    return Result::Ok;
}

void GpioLine::interruptWait() {
    if (m_wake >= 0) {
        const std::uint64_t one = 1;
        if (::write(m_wake, &one, sizeof one) < 0) {
            // A full counter wakes the waiter as well.
        }
    }
}

platform::SerialLine::Result GpioLine::key(bool up) {
    if (m_line == nullptr)
        return Result::Failed;
    if (gpiod_line_set_value(m_line, up ? 1 : 0) != 0) {
        m_error = QStringLiteral("GPIO-Leitung %1 l\u00E4sst sich nicht schalten").arg(m_offset);
        return Result::Gone;
    }
    return Result::Ok;
}

void GpioLine::close() {
    if (m_input != nullptr) {
        gpiod_line_release(m_input);
        m_input = nullptr;
    }
    if (m_wake >= 0) {
        ::close(m_wake);
        m_wake = -1;
    }
    if (m_line != nullptr) {
        gpiod_line_set_value(m_line, 0);
        gpiod_line_release(m_line);
        m_line = nullptr;
    }
    if (m_chip != nullptr) {
        gpiod_chip_close(m_chip);
        m_chip = nullptr;
    }
}
