#pragma once

#include "Fakes.h"
#include "SerialLine.h"

#include <functional>
#include <string>
#include <vector>

// A serial line whose lines a test reads, stamped with the fake clock's time, and
// whose device can be taken away and given back.
class FakeSerialLine final : public platform::SerialLine {
public:
    explicit FakeSerialLine(const fakes::ManualClock& clock) : m_clock(clock) {}

    bool present = true;         // the adapter is plugged in
    bool busy = false;           // another program holds the port
    Result refusal = Result::Ok; // any other reason for an open to fail
    bool rts = false, dtr = false;
    int opens = 0;
    QString openedDevice;
    std::vector<std::string> changes; // "t=1234 RTS=1"
    int handle = -1;                  // the descriptor it claims while open
    bool drops = true;                // a lost line is down (false: a radio not answering)
    std::function<void()> closing;    // just before the port closes

    Result open(const QString& device) override {
        ++opens;
        if (!present)
            return Result::NotFound;
        if (busy)
            return Result::Busy;
        if (refusal != Result::Ok)
            return refusal;
        m_open = true;
        openedDevice = device;
        setBoth(false);
        return Result::Ok;
    }
    Result setRequestToSend(bool on) override { return set(rts, on, "RTS"); }
    Result setDataTerminalReady(bool on) override { return set(dtr, on, "DTR"); }
    int inputs = 0; // the status lines the test sets
    Result inputLines(int& lines) override {
        if (!m_open)
            return Result::Failed;
        if (!present)
            return Result::Gone;
        lines = inputs;
        return Result::Ok;
    }
    Result waitInputChange() override { return Result::Unsupported; }
    void interruptWait() override {}
    Result check() override { return present ? Result::Ok : Result::Gone; }
    void close() override {
        if (m_open && closing)
            closing();
        if (m_open)
            setBoth(false); // the lines fall with the port
        m_open = false;
    }
    bool isOpen() const override { return m_open; }
    bool dropsWhenGone() const override { return drops; }
    int nativeHandle() const override { return m_open ? handle : -1; }
    QString errorText() const override {
        return QStringLiteral("Das Ger\u00E4t ist nicht mehr da");
    }

    int upCount(const char* line) const {
        int n = 0;
        for (const auto& c : changes)
            n += c.find(std::string(line) + "=1") != std::string::npos;
        return n;
    }

private:
    Result set(bool& level, bool on, const char* name) {
        if (!m_open)
            return Result::Failed;
        if (!present)
            return Result::Gone;
        if (level != on)
            changes.push_back("t=" + std::to_string(m_clock.ms) + " " + name + "=" +
                              (on ? "1" : "0"));
        level = on;
        return Result::Ok;
    }
    void setBoth(bool on) {
        set(rts, on, "RTS");
        set(dtr, on, "DTR");
    }

    const fakes::ManualClock& m_clock;
    bool m_open = false;
};
