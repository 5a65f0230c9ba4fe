#pragma once

#include "SerialLine.h"

#include <QString>

struct gpiod_chip;
struct gpiod_line;

// A GPIO line of the computer (libgpiod) as the keying line: requested as an output,
// inactive at the start, active low where the wiring wants it. Another line of the same
// chip may carry a receiver's squelch: it comes in as Dcd while high, its edges waited
// for as events.
class GpioLine final : public platform::SerialLine {
public:
    GpioLine(int offset, bool activeLow, int inputOffset = -1)
        : m_offset(offset), m_activeLow(activeLow), m_inputOffset(inputOffset) {}
    ~GpioLine() override { close(); }

    Result open(const QString& chip) override;
    Result setRequestToSend(bool active) override { return key(active); }
    Result setDataTerminalReady(bool active) override { return key(active); }
    Result inputLines(int& lines) override;
    Result waitInputChange() override;
    void interruptWait() override;
    Result check() override { return m_line ? Result::Ok : Result::Failed; }
    void close() override;
    bool isOpen() const override { return m_line != nullptr; }
    int nativeHandle() const override { return -1; }
    QString errorText() const override { return m_error; }

private:
    Result key(bool up);

    const int m_offset;
    const bool m_activeLow;
    const int m_inputOffset;
    gpiod_chip* m_chip = nullptr;
    gpiod_line* m_line = nullptr;
    gpiod_line* m_input = nullptr;
    int m_wake = -1; // an eventfd that ends a wait
    QString m_error;
};
