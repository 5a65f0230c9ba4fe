// What Mumble adds to the keying delay, against the real Mumble client and server: from
// the operator's client first naming a talker (polled every 10 ms over D-Bus) to the
// line going up, and from the talker leaving that list to the line going down less the
// hang time; and the D-Bus round trip of one call.
//   mumble_bench [--cycles N]
#include "ClientChoice.h"
#include "KeyerRig.h"
#include "MumbleWorld.h"
#include "Percentiles.h"
#include "PrivateDisplay.h"
#include "PulseServer.h"

#include <QApplication>
#include <QLineEdit>
#include <QRandomGenerator>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

void report(const char* what, const std::vector<double>& ms) {
    reportPercentiles(what, ms, 0.99);
}

// The time the operator's client first answers the condition, polled every 10 ms.
template <typename F> std::int64_t whenNamed(MumbleUser& user, F condition) {
    for (int i = 0; i < 500; ++i) {
        const std::int64_t at = monotonicNs();
        if (condition(user.value("getTalkingUsers").toStringList()))
            return at;
        QThread::msleep(10);
    }
    return -1;
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int cycles = 20;
    for (int i = 1; i + 1 < argc; ++i) {
        if (QByteArray(argv[i]) == "--cycles")
            cycles = std::max(1, QByteArray(argv[i + 1]).toInt());
    }
    if (!haveMumble()) {
        std::printf("mumble_bench: mumble, mumble-server, openssl, sqlite3 or dbus missing\n");
        return 0;
    }
    PulseServer sound;
    PrivateDisplay display;
    MumbleServer server;
    if (!sound.ok() || display.name.isEmpty() || !server.ok) {
        std::fprintf(stderr, "mumble_bench: sound server, display or murmurd did not start\n");
        return 1;
    }
    const QString url = QStringLiteral("mumble://%1@127.0.0.1:%2/Funkraum?version=1.2.0");
    MumbleUser station(QStringLiteral("DL0GW"), server, display.name, sound.environment(), 2,
                       url.arg(QStringLiteral("DL0GW")).arg(server.port));
    MumbleUser remote(QStringLiteral("DL1ABC"), server, display.name, sound.environment(), 0,
                      url.arg(QStringLiteral("DL1ABC")).arg(server.port));
    if (!station.ok || !remote.ok) {
        std::fprintf(stderr, "mumble_bench: a Mumble client did not start\n");
        return 1;
    }
    remote.call("setSelfMuted", {true});

    std::vector<double> roundTrip;
    for (int i = 0; i < 200; ++i) {
        const std::int64_t t0 = monotonicNs();
        station.call("getTalkingUsers");
        roundTrip.push_back((monotonicNs() - t0) / 1e6);
    }

    constexpr int hangMs = 300;
    KeyerRig rig;
    rig.startClient = [&rig](const QString&) {
        return settings::writeClientKind(rig.dir.file(QStringLiteral("ts.ini")),
                                         platform::ClientKind::Mumble);
    };
    if (!rig.start(
            hangMs, {},
            environmentWith({{QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), station.bus.address}}))) {
        std::fprintf(stderr, "mumble_bench: quorvex did not start\n");
        return 1;
    }
    std::vector<double> up, down;
    bool ok = true;
    for (int c = 0; c < cycles && ok; ++c) {
        const std::size_t before = rig.keying().size();
        remote.call("setSelfMuted", {false});
        const std::int64_t named =
            whenNamed(station, [](const QStringList& names) { return !names.isEmpty(); });
        ok = named > 0 && waitUntil([&] { return rig.keying().size() > before; }, 3000, 2);
        if (!ok) {
            std::fprintf(stderr, "mumble_bench: cycle %d: %s\n", c + 1,
                         named > 0 ? "the line was not keyed" : "the client named no talker");
            break;
        }
        up.push_back((rig.keying().back().ns - named) / 1e6);
        QThread::msleep(800 + QRandomGenerator::global()->bounded(200));
        remote.call("setSelfMuted", {true});
        const std::int64_t gone =
            whenNamed(station, [](const QStringList& names) { return names.isEmpty(); });
        ok = gone > 0 && waitUntil([&] { return rig.keying().size() > before + 1; }, 5000, 2);
        if (!ok)
            std::fprintf(stderr, "mumble_bench: cycle %d: %s\n", c + 1,
                         gone > 0 ? "the line did not drop" : "the talker stayed named");
        else
            down.push_back((rig.keying().back().ns - gone) / 1e6 - hangMs);
        QThread::msleep(200 + QRandomGenerator::global()->bounded(100));
    }
    std::printf("Mumble 1.3 against quorvex, %d cycles, hang time %d ms (ms)\n", cycles, hangMs);
    std::printf("%-40s %8s %8s %8s\n", "", "p50", "p99", "max");
    report("D-Bus round trip (getTalkingUsers)", roundTrip);
    report("talker named -> line up", up);
    report("talker gone -> line down - hang", down);
    std::printf("target: both at most one monitor tick (100 ms) + 10 ms at p99\n");
    return ok ? 0 : 1;
}
