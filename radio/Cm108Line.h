#pragma once

#include "SerialLine.h"

#include <QString>

#include <atomic>
#include <mutex>

// A USB sound card's GPIO as the keying line (C-Media CM108/CM119 and the like, the
// AIOC): the HID output report {0, 0, data, mask, 0} on its hidraw device, GPIO n being
// bit 1 << (n - 1) of both. Its volume and mute buttons, wired to a receiver's COS, come
// in as the status lines: VolUp as Dcd, VolDown as Cts, PlayMute as Dsr, RecMute as Ri.
class Cm108Line final : public platform::SerialLine {
public:
    explicit Cm108Line(int gpio, bool activeLow) : m_gpio(gpio), m_activeLow(activeLow) {}
    ~Cm108Line() override { close(); }

    // An empty device: the first hidraw device of a known interface.
    Result open(const QString& device) override;
    Result setRequestToSend(bool active) override { return key(active); }
    Result setDataTerminalReady(bool active) override { return key(active); }
    Result inputLines(int& lines) override;
    Result waitInputChange() override;
    void interruptWait() override;
    Result check() override;
    void close() override;
    bool isOpen() const override { return m_fd >= 0; }
    int nativeHandle() const override { return m_fd; }
    QString errorText() const override { return m_error; }

    // The output report that sets the pin up or down.
    static QByteArray report(int gpio, bool level);
    // The hidraw devices of known interfaces, found through sysfs below root.
    static QStringList findDevices(const QString& sysfsRoot = QStringLiteral("/sys/class/hidraw"));

private:
    Result key(bool up);
    void readReports(); // what the device sent meanwhile, without waiting

    const int m_gpio;
    const bool m_activeLow;
    int m_fd = -1;
    int m_wake = -1; // an eventfd that ends a wait
    std::mutex m_mutex;
    std::atomic<int> m_inputs{0};
    QString m_device;
    QString m_error;
};
