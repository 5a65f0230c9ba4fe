#include "Cm108Line.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

// Vendor and product ids of the interfaces with a CM108-style GPIO.
bool knownInterface(unsigned vendor, unsigned product) {
    if (vendor == 0x0d8c)
        return (product >= 0x0008 && product <= 0x000f) || product == 0x0012 || product == 0x0013 ||
               product == 0x0139 || product == 0x013a || product == 0x013c;
    if (vendor == 0x0c76)
        return product == 0x1605 || product == 0x1607 || product == 0x160b;
    return vendor == 0x1209 && product == 0x7388;
}

// The status lines from the first byte of an input report.
int linesOf(unsigned char first) {
    return ((first & 0x01) ? platform::SerialLine::Dcd : 0) |
           ((first & 0x02) ? platform::SerialLine::Cts : 0) |
           ((first & 0x04) ? platform::SerialLine::Dsr : 0) |
           ((first & 0x08) ? platform::SerialLine::Ri : 0);
}

} // namespace

QByteArray Cm108Line::report(int gpio, bool level) {
    const char bit = static_cast<char>(1 << (gpio - 1));
    return QByteArray("\0\0", 2) + (level ? bit : '\0') + bit + QByteArray(1, '\0');
}

QStringList Cm108Line::findDevices(const QString& sysfsRoot) {
    QStringList found;
    const QDir root(sysfsRoot);
    for (const QString& name :
         root.entryList({QStringLiteral("hidraw*")}, QDir::AllEntries, QDir::Name)) {
        // device/uevent holds "HID_ID=0003:00000D8C:0000000C".
        QFile uevent(root.filePath(name + QStringLiteral("/device/uevent")));
        if (!uevent.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : uevent.readAll().split('\n')) {
            if (!line.startsWith("HID_ID="))
                continue;
            const QList<QByteArray> ids = line.mid(7).split(':');
            if (ids.size() == 3 &&
                knownInterface(ids[1].toUInt(nullptr, 16), ids[2].toUInt(nullptr, 16)))
                found << QStringLiteral("/dev/") + name;
        }
    }
    return found;
}

QString Cm108Line::hidrawRoot() {
    const QString played = qEnvironmentVariable("QUORVEX_SYSFS_HIDRAW");
    return played.isEmpty() ? QStringLiteral("/sys/class/hidraw") : played;
}

QString Cm108Line::usbDeviceOf(const QString& sysfsPath) {
    static const QRegularExpression usbDevice(QStringLiteral("^\\d+-\\d+(\\.\\d+)*$"));
    QStringList parts = sysfsPath.split(QLatin1Char('/'));
    while (!parts.isEmpty() && !usbDevice.match(parts.constLast()).hasMatch())
        parts.removeLast();
    return parts.join(QLatin1Char('/'));
}

platform::SerialLine::Result Cm108Line::open(const QString& device) {
    close();
    m_device = device;
    if (m_device.isEmpty()) {
        const QString root = hidrawRoot();
        const QStringList found = findDevices(root);
        const QString card = usbDeviceOf(m_soundCard);
        for (const QString& d : found) {
            const QString at =
                QFileInfo(root + QLatin1Char('/') + QDir(d).dirName()).canonicalFilePath();
            if (!card.isEmpty() && usbDeviceOf(at) == card)
                m_device = d;
        }
        // Another's interface is never guessed: with several, the person chooses.
        if (m_device.isEmpty() && found.size() == 1)
            m_device = found.constFirst();
        if (m_device.isEmpty() && found.size() > 1) {
            m_error = QStringLiteral("%1 CM108-Schnittstellen gefunden, keine an der Soundkarte: "
                                     "bitte im Fenster Sender-Schnittstelle eine w\u00E4hlen")
                          .arg(found.size());
            return Result::NotFound;
        }
    }
    if (m_device.isEmpty()) {
        m_error =
            QStringLiteral("keine CM108-Schnittstelle gefunden (USB-Soundkarte eingesteckt?)");
        return Result::NotFound;
    }
    if (m_gpio < 1 || m_gpio > 8) {
        m_error = QStringLiteral("GPIO %1 gibt es nicht (1 bis 8)").arg(m_gpio);
        return Result::Unsupported;
    }
    m_fd =
        ::open(QFile::encodeName(m_device).constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (m_fd < 0) {
        const int error = errno;
        if (error == EACCES || error == EPERM) {
            m_error =
                QStringLiteral("keine Berechtigung f\u00FCr %1. Abhilfe: das Paket installiert "
                               "eine udev-Regel, die dem angemeldeten Benutzer die "
                               "Schnittstelle gibt; danach die Schnittstelle neu einstecken")
                    .arg(m_device);
            return Result::PermissionDenied;
        }
        m_error = QStringLiteral("%1 ist nicht vorhanden").arg(m_device);
        return error == ENOENT ? Result::NotFound : Result::Failed;
    }
    m_wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    // Starts unkeyed: a pin a killed predecessor left up goes down.
    return key(false);
}

platform::SerialLine::Result Cm108Line::key(bool up) {
    if (m_fd < 0)
        return Result::Failed;
    const QByteArray bytes = report(m_gpio, up != m_activeLow);
    if (::write(m_fd, bytes.constData(), static_cast<std::size_t>(bytes.size())) != bytes.size()) {
        m_error = QStringLiteral("%1 nimmt nichts mehr an").arg(m_device);
        return errno == ENODEV || errno == EIO ? Result::Gone : Result::Failed;
    }
    return Result::Ok;
}

void Cm108Line::readReports() {
    unsigned char buffer[64];
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n <= 0)
            return;
        m_inputs = linesOf(buffer[0]);
    }
}

platform::SerialLine::Result Cm108Line::inputLines(int& lines) {
    if (m_fd < 0)
        return Result::Failed;
    {
        const std::lock_guard lock(m_mutex);
        readReports();
    }
    lines = m_inputs;
    return Result::Ok;
}

platform::SerialLine::Result Cm108Line::waitInputChange() {
    if (m_fd < 0)
        return Result::Failed;
    const int before = m_inputs;
    for (;;) {
        pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_wake, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR)
            return Result::Failed;
        if (fds[1].revents & POLLIN) {
            std::uint64_t n = 0;
            if (::read(m_wake, &n, sizeof n) < 0) {
                // Nothing to do: it is read to be empty again.
            }
            return Result::Ok;
        }
        if (fds[0].revents & (POLLERR | POLLHUP))
            return Result::Gone;
        {
            const std::lock_guard lock(m_mutex);
            readReports();
        }
        if (m_inputs != before)
            return Result::Ok;
    }
}

void Cm108Line::interruptWait() {
    if (m_wake >= 0) {
        const std::uint64_t one = 1;
        if (::write(m_wake, &one, sizeof one) < 0) {
            // A full counter wakes the waiter as well.
        }
    }
}

platform::SerialLine::Result Cm108Line::check() {
    if (m_fd < 0)
        return Result::Failed;
    return QFile::exists(m_device) ? Result::Ok : Result::Gone;
}

void Cm108Line::close() {
    if (m_fd < 0)
        return;
    key(false);
    ::close(m_fd);
    m_fd = -1;
    if (m_wake >= 0)
        ::close(m_wake);
    m_wake = -1;
}
