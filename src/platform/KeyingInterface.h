#pragma once

#include <QString>

namespace platform {

// How the transmitter is keyed: ts.ini [Sender].
struct KeyingInterface {
    enum class Way { Com, Cm108, Hamlib, Gpio };
    Way way = Way::Com;
    QString device; // Cm108: a hidraw device (empty: found); Hamlib: port or host:port; Gpio: chip
    int model = 2;  // Hamlib's rig model
    int baud = 0;   // Hamlib: 0 = the model's own
    int pin = 3;    // Cm108: GPIO 1 to 8; Gpio: the line
    bool inverted = false;
    // Cm108 without a device: the sysfs folder of the sound card the interface sits beside
    // (not stored: the sound server says it at each start).
    QString soundCard;
    // Gpio: the line of the same chip that carries the squelch ([Squelch] Eingang), -1 none.
    int inputLine = -1;
    bool operator==(const KeyingInterface&) const = default;
};

} // namespace platform
