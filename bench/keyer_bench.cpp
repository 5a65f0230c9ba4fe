// Real-time keying latency of quorvex against ts2sim, on the real serial code path
// (a pseudo-terminal whose modem lines the test interposer plays): speech start to
// line up, and speech end to line down less the hang time; and how soon the keying
// process drops the line when the program is killed or frozen while keyed.
//   keyer_bench [--cycles N]
#include "KeyerRig.h"

#include "Percentiles.h"
#include <tuple>

#include <QApplication>
#include <QDir>
#include <QRandomGenerator>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <vector>

namespace {

void report(const char* what, const std::vector<double>& ms) {
    reportPercentiles(what, ms, 0.95);
}

} // namespace

int main(int argc, char* argv[]) {
    // The settings page writes the rig's ts.ini: widgets, but never on a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int cycles = 50;
    for (int i = 1; i + 1 < argc; ++i) {
        if (QByteArray(argv[i]) == "--cycles")
            cycles = std::max(1, QByteArray(argv[i + 1]).toInt());
    }
    std::printf("keying latency against ts2sim, %d speech cycles per hang time (ms)\n", cycles);
    std::printf("%-40s %8s %8s %8s\n", "", "p50", "p95", "max");
    bool ok = true;
    // Each hang time with the transmission log and without it (a folder in the database's
    // place: the log gives up at once), to see whether the keying waits for the disk; each
    // through the keying process and, in the same run, keyed from the program itself as
    // before the keying process (QUORVEX_BENCH_DIRECT_SERIAL), so the two compare.
    struct Way {
        const char* name;
        bool direct;
    };
    for (const auto& [hang, logged, way] : {std::tuple{0, true, Way{"process", false}},
                                            {0, true, Way{"direct ", true}},
                                            {0, false, Way{"process", false}},
                                            {0, false, Way{"direct ", true}},
                                            {500, true, Way{"process", false}},
                                            {500, true, Way{"direct ", true}}}) {
        KeyerRig rig;
        if (!logged)
            QDir(rig.dir.path()).mkdir(QStringLiteral("sendelog.sqlite"));
        QProcessEnvironment env;
        if (way.direct)
            env.insert(QStringLiteral("QUORVEX_BENCH_DIRECT_SERIAL"), QStringLiteral("1"));
        if (!rig.start(hang, {}, env)) {
            std::fprintf(stderr, "could not start quorvex and ts2sim\n");
            return 1;
        }
        std::vector<double> up, down;
        for (int c = 0; c < cycles; ++c) {
            const std::size_t before = rig.keying().size();
            const std::int64_t on = monotonicNs();
            rig.speak(true);
            if (!waitUntil([&] { return rig.keying().size() > before; }, 3000, 2)) {
                ok = false;
                break;
            }
            up.push_back((rig.keying().back().ns - on) / 1e6);
            // Random pauses: a fixed one would lock onto the 100 ms poll's phase.
            QThread::msleep(300 + QRandomGenerator::global()->bounded(100));
            const std::int64_t off = monotonicNs();
            rig.speak(false);
            if (!waitUntil([&] { return rig.keying().size() > before + 1; }, 5000, 2)) {
                ok = false;
                break;
            }
            down.push_back((rig.keying().back().ns - off) / 1e6 - hang);
            QThread::msleep(150 + QRandomGenerator::global()->bounded(100));
        }
        const char* log = logged ? "" : ", no log";
        char label[80];
        std::snprintf(label, sizeof label, "%s hang %4d ms%s: speech -> up", way.name, hang, log);
        report(label, up);
        std::snprintf(label, sizeof label, "%s hang %4d ms%s: end -> down - hang", way.name, hang,
                      log);
        report(label, down);
    }
    // The keying process on its own: how soon the line drops when the program is killed
    // (the end of its pipe) or frozen (its heartbeat stops), a few times each.
    std::vector<double> killed, frozen;
    for (int c = 0; c < std::max(1, cycles / 10); ++c) {
        for (const int sig : {SIGKILL, SIGSTOP}) {
            KeyerRig rig;
            if (!rig.start(3000)) {
                ok = false;
                break;
            }
            rig.speak(true);
            if (!waitUntil([&] { return !rig.keying().empty() && rig.keying().back().rts; },
                           3000)) {
                ok = false;
                break;
            }
            const std::int64_t t0 = monotonicNs();
            ::kill(static_cast<pid_t>(rig.quorvex.processId()), sig);
            if (!waitUntil([&] { return !rig.keying().back().rts; }, 5000, 1))
                ok = false;
            else
                (sig == SIGKILL ? killed : frozen).push_back((rig.keying().back().ns - t0) / 1e6);
            ::kill(static_cast<pid_t>(rig.quorvex.processId()), SIGCONT);
        }
    }
    report("program killed while keyed -> down", killed);
    report("program frozen while keyed -> down", frozen);
    return ok ? 0 : 1;
}
