#pragma once

// The own microphone as ts2sim logs the program's flag writes, for the squelch tests and
// the squelch benchmark.
#include "KeyerRig.h"

#include <QSaveFile>

#include <utility>
#include <vector>

// The microphone's changes as ts2sim logs the flag writes, each with the time it was seen.
class MicrophoneLog {
public:
    explicit MicrophoneLog(SimProcess& sim) : m_sim(sim) {}

    void poll() {
        const QByteArray out = m_sim.output(0);
        const std::int64_t now = monotonicNs();
        for (const QByteArray& line : out.mid(m_read).split('\n')) {
            const qsizetype at = line.indexOf("tsrSetPlayerFlags flags=");
            if (at < 0)
                continue;
            const bool on = (line.mid(at + 24).toInt() & 16) == 0;
            if (m_changes.empty() || m_changes.back().second != on)
                m_changes.emplace_back(now, on);
        }
        m_read = out.lastIndexOf('\n') + 1;
    }
    // Waits for the microphone to be on (or off); the time it was seen, or -1.
    std::int64_t waitFor(bool on, int ms) {
        std::int64_t at = -1;
        waitUntil(
            [&] {
                poll();
                if (!m_changes.empty() && m_changes.back().second == on)
                    at = m_changes.back().first;
                return at >= 0;
            },
            ms, 1);
        return at;
    }
    const std::vector<std::pair<std::int64_t, bool>>& changes() const { return m_changes; }
    // True when the microphone stays as it is for ms.
    bool stays(bool on, int ms) {
        return waitFor(!on, ms) < 0 && !m_changes.empty() && m_changes.back().second == on;
    }

private:
    SimProcess& m_sim;
    qsizetype m_read = 0;
    std::vector<std::pair<std::int64_t, bool>> m_changes; // (ns, microphone on)
};

// The status lines the interposer plays ("DCD", "" ...), written whole as it reads them.
inline bool setInputLines(const QString& file, const QByteArray& lines) {
    QSaveFile f(file);
    return f.open(QIODevice::WriteOnly) && f.write(lines + '\n') >= 0 && f.commit();
}
