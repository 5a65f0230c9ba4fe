// The squelch input of the real program against ts2sim: DCD edge to the microphone's flag
// write (open delay and hang time 0, so the figures are Quorvex's own), and the CPU the
// program spends idle with the squelch off, on DCD and on a sound source's level.
//   squelch_bench [--cycles N] [--seconds S]
#include "MicrophoneLog.h"
#include "Percentiles.h"
#include "ProcessCpu.h"
#include "PulseServer.h"
#include "SquelchSettings.h"

#include <QApplication>
#include <QDir>
#include <QFile>

#include <cmath>
#include <cstdio>

namespace {

bool startWith(KeyerRig& rig, SquelchSettings::Source source, const PulseServer& sound) {
    SquelchSettings s;
    s.source = source;
    s.openDelayMs = 0;
    s.hangMs = 0;
    rig.moreSettings = [s](const QString& ini) { writeSquelchSettings(ini, s); };
    QProcessEnvironment env = sound.environment();
    if (!qEnvironmentVariableIsSet("NOINPUTS"))
        env.insert(QStringLiteral("MODEM_INTERPOSE_INPUTS"),
                   rig.dir.file(QStringLiteral("inputs")));
    setInputLines(rig.dir.file(QStringLiteral("inputs")), "");
    return rig.start(0, {}, env);
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int cycles = 50;
    int seconds = 20;
    for (int i = 1; i + 1 < argc; ++i) {
        if (QByteArray(argv[i]) == "--cycles")
            cycles = std::max(1, QByteArray(argv[i + 1]).toInt());
        if (QByteArray(argv[i]) == "--seconds")
            seconds = std::max(1, QByteArray(argv[i + 1]).toInt());
    }
    PulseServer sound;
    if (!sound.ok()) {
        std::fprintf(stderr, "no private sound server\n");
        return 1;
    }

    std::vector<double> up, down;
    {
        KeyerRig rig;
        if (!startWith(rig, SquelchSettings::Source::Dcd, sound)) {
            std::fprintf(stderr, "could not start quorvex and ts2sim\n");
            return 1;
        }
        MicrophoneLog mic(*rig.sim);
        const QString inputs = rig.dir.file(QStringLiteral("inputs"));
        if (mic.waitFor(false, 3000) < 0) {
            std::fprintf(stderr, "the microphone was never muted\n");
            return 1;
        }
        for (int c = 0; c < cycles; ++c) {
            QThread::msleep(30 +
                            static_cast<unsigned long>(c % 7) * 3); // not in step with the poll
            std::int64_t t = monotonicNs();
            setInputLines(inputs, "DCD");
            const std::int64_t on = mic.waitFor(true, 2000);
            QThread::msleep(30 + static_cast<unsigned long>(c % 5) * 4);
            const std::int64_t edge = monotonicNs();
            setInputLines(inputs, "");
            const std::int64_t off = mic.waitFor(false, 2000);
            if (on < 0 || off < 0) {
                std::fprintf(stderr, "cycle %d: the microphone did not follow\n", c);
                return 1;
            }
            up.push_back((on - t) / 1e6);
            down.push_back((off - edge) / 1e6);
        }
    }
    // The level: a stream of silence into the null sink (whose monitor is the default
    // source), a 1 kHz tone at -20 dBFS in its place from a known moment.
    std::vector<double> toneUp, toneDown;
    {
        KeyerRig rig;
        if (!startWith(rig, SquelchSettings::Source::Audio, sound)) {
            std::fprintf(stderr, "could not start quorvex and ts2sim\n");
            return 1;
        }
        MicrophoneLog mic(*rig.sim);
        Child pacat;
        pacat.setProcessEnvironment(sound.environment());
        pacat.start(QStringLiteral("pacat"),
                    {QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
                     QStringLiteral("--rate=16000"), QStringLiteral("--channels=1"),
                     QStringLiteral("--latency-msec=10")});
        std::vector<std::int16_t> silence(160), tone(160);
        for (std::size_t i = 0; i < tone.size(); ++i)
            tone[i] = static_cast<std::int16_t>(4634 * std::sin(2 * M_PI * double(i) / 16));
        // Real time, 10 ms at a time; returns the moment the first piece went out.
        const auto stream = [&](const std::vector<std::int16_t>& piece, int ms) {
            const std::int64_t start = monotonicNs();
            for (int t = 0; t < ms; t += 10) {
                pacat.write(reinterpret_cast<const char*>(piece.data()), 320);
                pacat.waitForBytesWritten(100);
                const std::int64_t next = start + (t + 10) * 1'000'000LL;
                while (monotonicNs() < next) {
                    mic.poll();
                    QThread::usleep(500);
                }
            }
            return start;
        };
        if (!pacat.waitForStarted(3000) || mic.waitFor(false, 3000) < 0) {
            std::fprintf(stderr, "no sound stream, or the microphone was never muted\n");
            return 1;
        }
        stream(silence, 500);
        for (int c = 0; c < std::max(1, cycles / 2); ++c) {
            const std::int64_t on = stream(tone, 200);
            const std::int64_t off = stream(silence, 300);
            const auto& seen = mic.changes();
            const auto at = [&](bool state, std::int64_t after) -> std::int64_t {
                for (const auto& [ns, s] : seen)
                    if (s == state && ns >= after)
                        return ns;
                return -1;
            };
            if (at(true, on) < 0 || at(false, off) < 0) {
                std::fprintf(stderr, "tone %d: the microphone did not follow\n", c);
                return 1;
            }
            toneUp.push_back((at(true, on) - on) / 1e6);
            toneDown.push_back((at(false, off) - off) / 1e6);
        }
    }

    std::printf("squelch latency against ts2sim, %d cycles, open delay and hang time 0 (ms); "
                "goal p99 <= 30 (status line), <= 60 (sound level)\n",
                cycles);
    std::printf("%-40s %8s %8s %8s\n", "", "p50", "p99", "max");
    reportPercentiles("DCD up -> microphone on", up, 0.99);
    reportPercentiles("DCD down -> microphone off", down, 0.99);
    reportPercentiles("tone starts -> microphone on", toneUp, 0.99);
    reportPercentiles("tone ends -> microphone off", toneDown, 0.99);
    std::printf("(the tone's figures include pacat's 10 ms buffer and the sink's monitor)\n");

    std::printf("\nCPU of the idle gateway over %d s (%% of one core); goal: squelch adds < 0.1\n",
                seconds);
    for (const auto& [source, name] :
         {std::pair{SquelchSettings::Source::Off, "squelch off"},
          std::pair{SquelchSettings::Source::Dcd, "squelch on DCD"},
          std::pair{SquelchSettings::Source::Audio, "squelch on the sound level"}}) {
        KeyerRig rig;
        if (!startWith(rig, source, sound)) {
            std::fprintf(stderr, "could not start quorvex for %s\n", name);
            return 1;
        }
        QThread::msleep(1000);
        const double before = cpuMs(rig.quorvex.processId());
        QThread::msleep(static_cast<unsigned long>(seconds) * 1000);
        const double used = cpuMs(rig.quorvex.processId()) - before;
        std::printf("%-40s %8.2f\n", name, 100.0 * used / (seconds * 1000.0));
    }
    return 0;
}
