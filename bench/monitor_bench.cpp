// The cost of one 100 ms monitor tick against ts2sim at 5, 50 and 500 channels:
// the CPU time the program itself spends, and the wall time the tick takes. Then the
// tick on its 100 ms timer against a client that answers slowly: ticks per second and
// the longest time the window stood still.
//   monitor_bench [--ticks N] [--seconds S]
#include "BenchSim.h"
#include "Clock.h"
#include "MonitorCycle.h"
#include "SharedState.h"
#include "TSRemote.h"
#include "TSRemoteLibrary.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

double threadCpuUs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e6 + t.tv_nsec / 1e3;
}

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(v.size() * p))];
}

// ts2sim with a world of that size, a client link connected to it, and a monitor cycle.
struct Connected {
    Connected(platform::TSRemoteLibrary& library, const QString& socket, int channels, int lagMs)
        : ts(library), cycle(state, ts, clock, {}, {}) {
        qputenv("TSREMOTE_SOCKET", QFile::encodeName(socket));
        started = startBenchSim(sim, socket, channels, lagMs);
        if (!started)
            std::fprintf(stderr, "ts2sim did not start\n");
        ts.TSConnect(QStringLiteral("localhost:8767"), QStringLiteral("Bench"), {}, {}, {}, {});
    }
    ~Connected() { stopBenchSim(sim); }

    QProcess sim;
    bool started = false;
    clientlink::TSRemote ts;
    app::SharedState state;
    platform::SystemClock clock;
    app::MonitorCycle cycle;
};

// The tick as the window runs it, on its timer, against a client that takes lagMs to
// answer each call.
int slowClient(platform::TSRemoteLibrary& library, const QTemporaryDir& dir, int seconds) {
    std::printf("\nthe 100 ms timer against a slow client, %d s each\n", seconds);
    std::printf("%-14s %10s %18s\n", "ms per answer", "ticks/s", "longest freeze ms");
    for (int lag : {0, 20, 100, 190}) {
        Connected run(library, dir.filePath(QStringLiteral("slow%1.sock").arg(lag)), 5, lag);
        if (!run.started)
            return 1;
        app::MonitorCycle& cycle = run.cycle;
        QTimer timer;
        timer.setTimerType(Qt::PreciseTimer);
        timer.setInterval(100);
        int count = 0;
        qint64 longest = 0;
        QElapsedTimer tick;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            tick.start();
            cycle.onTick100ms();
            longest = std::max(longest, tick.elapsed());
            ++count;
        });
        QElapsedTimer total;
        total.start();
        timer.start();
        QTimer::singleShot(seconds * 1000, QCoreApplication::instance(), &QCoreApplication::quit);
        QCoreApplication::exec();
        timer.stop();
        std::printf("%-14d %10.1f %18lld\n", lag, count * 1000.0 / total.elapsed(),
                    static_cast<long long>(longest));
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    int ticks = 300;
    int seconds = 5;
    for (int i = 1; i + 1 < argc; ++i) {
        if (QByteArray(argv[i]) == "--ticks")
            ticks = std::max(5, QByteArray(argv[i + 1]).toInt());
        if (QByteArray(argv[i]) == "--seconds")
            seconds = std::max(1, QByteArray(argv[i + 1]).toInt());
    }
    QTemporaryDir dir;
    platform::TSRemoteLibrary library({QStringLiteral(LIBTSREMOTE_PATH)});
    if (!library.isLoaded()) {
        std::fprintf(stderr, "%s\n", library.loadError().toLocal8Bit().constData());
        return 1;
    }
    std::printf("one 100 ms monitor tick against ts2sim, %d ticks each (microseconds)\n", ticks);
    std::printf("%-10s %12s %12s %12s %12s\n", "channels", "cpu p50", "cpu p99", "wall p50",
                "wall p99");
    for (int channels : {5, 50, 500}) {
        Connected run(library, dir.filePath(QStringLiteral("monitor%1.sock").arg(channels)),
                      channels, 0);
        if (!run.started)
            return 1;
        app::MonitorCycle& cycle = run.cycle;
        std::vector<double> cpu, wall;
        for (int i = 0; i < ticks; ++i) {
            const double c0 = threadCpuUs();
            const auto w0 = std::chrono::steady_clock::now();
            cycle.onTick100ms();
            wall.push_back(
                std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - w0)
                    .count());
            cpu.push_back(threadCpuUs() - c0);
        }
        if (cycle.view.lblVerbindung != QStringLiteral("CONNECTED"))
            std::fprintf(stderr, "warning: the cycle saw \"%s\"\n",
                         cycle.view.lblVerbindung.toLocal8Bit().constData());
        std::printf("%-10d %12.1f %12.1f %12.1f %12.1f\n", channels, percentile(cpu, 0.5),
                    percentile(cpu, 0.99), percentile(wall, 0.5), percentile(wall, 0.99));
    }
    return slowClient(library, dir, seconds);
}
