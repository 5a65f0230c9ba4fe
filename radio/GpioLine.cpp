#include "GpioLine.h"

#include <gpiod.h>

#include <cerrno>

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
    return Result::Ok;
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
