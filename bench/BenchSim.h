#pragma once

#include <QFile>
#include <QProcess>
#include <QString>
#include <QThread>

#include <csignal>
#include <sys/prctl.h>

// ts2sim for the benchmarks: a world of the given size, its log in a file (a full
// pipe would stall the client and spoil the figures).
inline bool startBenchSim(QProcess& sim, const QString& socket, int channels, int lagMs = 0) {
    const QString script = socket + QStringLiteral(".world");
    QFile world(script);
    if (!world.open(QIODevice::WriteOnly))
        return false;
    for (int c = 5; c <= channels; ++c)
        world.write(QStringLiteral("channel %1 0 Kanal %1\n").arg(c).toUtf8());
    for (int p = 0; p < 20; ++p)
        world.write(
            QStringLiteral("player %1 %2 Spieler%1\n").arg(200 + p).arg(1 + p % 4).toUtf8());
    world.write("speak 200 on\n");
    if (lagMs > 0)
        world.write(QStringLiteral("lag %1\n").arg(lagMs).toUtf8());
    world.close();

    const QString log = socket + QStringLiteral(".log");
    sim.setStandardOutputFile(log);
    // The client dies with the benchmark, however the benchmark ends.
    sim.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start(QStringLiteral(TS2SIM_PATH),
              {QStringLiteral("--no-window"), QStringLiteral("--socket"), socket,
               QStringLiteral("--script"), script});
    QFile out(log);
    for (int i = 0; i < 250; ++i) {
        if (out.open(QIODevice::ReadOnly) && out.readAll().contains("ready on"))
            return true;
        out.close();
        QThread::msleep(20);
    }
    return false;
}

inline void stopBenchSim(QProcess& sim) {
    sim.kill();
    sim.waitForFinished(3000);
}
