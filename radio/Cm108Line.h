#pragma once

#include "SerialLine.h"

#include <QString>

#include <atomic>
#include <mutex>
#include <utility>

// A USB sound card's GPIO as the keying line (C-Media CM108/CM119 and the like, the
// AIOC): the HID output report {0, 0, data, mask, 0} on its hidraw device, GPIO n being
// bit 1 << (n - 1) of both. Its volume and mute buttons, wired to a receiver's COS, come
// in as the status lines: VolUp as Dcd, VolDown as Cts, PlayMute as Dsr, RecMute as Ri.
class Cm108Line final : public platform::SerialLine {
public:
    // soundCard: the sysfs folder of the sound card whose interface an empty device means.
    Cm108Line(int gpio, bool activeLow, QString soundCard = {})
        : m_gpio(gpio), m_activeLow(activeLow), m_soundCard(std::move(soundCard)) {}
    ~Cm108Line() override { close(); }

    // An empty device: the interface on the same USB device as the sound card, or the
    // only one there is (found again after re-plugging, whatever its number).
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
    static QStringList findDevices(const QString& sysfsRoot = hidrawRoot());
    // The USB device a sysfs path lies on ("/sys/devices/…/usb1/1-2" for its sound card
    // "…/1-2/1-2:1.0/sound/card1"); empty where it is on none.
    static QString usbDeviceOf(const QString& sysfsPath);
    // /sys/class/hidraw, or QUORVEX_SYSFS_HIDRAW where a test plays one.
    static QString hidrawRoot();

private:
    Result key(bool up);
    void readReports(); // what the device sent meanwhile, without waiting

    const int m_gpio;
    const bool m_activeLow;
    const QString m_soundCard;
    int m_fd = -1;
    int m_wake = -1; // an eventfd that ends a wait
    std::mutex m_mutex;
    std::atomic<int> m_inputs{0};
    QString m_device;
    QString m_error;
};
