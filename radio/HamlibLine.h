#pragma once

#include "SerialLine.h"

#include <QString>

#include <atomic>
#include <chrono>

struct s_rig;

// A transceiver keyed by a CAT command through Hamlib: rig_set_ptt, and its DCD (the
// squelch) as the Dcd status line. Model 2 is a rigctld on the network ("host:port").
// A radio that does not answer is a lost line, as an unplugged adapter is.
class HamlibLine final : public platform::SerialLine {
public:
    HamlibLine(int model, int baud) : m_model(model), m_baud(baud) {}
    ~HamlibLine() override { close(); }

    Result open(const QString& device) override;
    Result setRequestToSend(bool active) override { return key(active); }
    Result setDataTerminalReady(bool active) override { return key(active); }
    // The radio's DCD, read from it at most every DcdEvery: the squelch asks every 10 ms,
    // and a CAT bus kept busy (often shared with other programs through rigctld) would
    // hold up keying and the others.
    Result inputLines(int& lines) override;
    static constexpr std::chrono::milliseconds DcdEvery{50};
    // The radio cannot wait: the squelch asks again and again.
    Result waitInputChange() override { return Result::Unsupported; }
    void interruptWait() override {}
    Result check() override;
    void close() override;
    bool isOpen() const override { return m_rig != nullptr; }
    int nativeHandle() const override { return -1; }
    QString errorText() const override { return m_error; }

private:
    Result key(bool up);
    Result failed(int code);

    const int m_model;
    const int m_baud;
    s_rig* m_rig = nullptr;
    QString m_device;
    QString m_error;
    std::chrono::steady_clock::time_point m_dcdAt{}; // the last read of the radio
    int m_dcdLines = -1;                             // what it gave, -1 none yet
};
