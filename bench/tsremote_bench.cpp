// Round-trip times of libTSRemote.so against ts2sim, and the cost of one monitor
// tick's worth of client calls at 5, 50 and 500 channels; the same through
// tsremote-bridge (built for the host) and a fake client library.
//   tsremote_bench [--calls N]
#include "BenchSim.h"
#include "TSRemote.h"
#include "TSRemoteLibrary.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Figures {
    double p50, p99;
};

Figures measure(int calls, const std::function<void()>& call) {
    std::vector<double> us;
    us.reserve(static_cast<size_t>(calls));
    for (int i = 0; i < calls; ++i) {
        const auto t = Clock::now();
        call();
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t).count());
    }
    std::sort(us.begin(), us.end());
    return {us[us.size() / 2], us[std::min(us.size() - 1, us.size() * 99 / 100)]};
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    int calls = 10000;
    for (int i = 1; i + 1 < argc; ++i) {
        if (QByteArray(argv[i]) == "--calls")
            calls = std::max(10, QByteArray(argv[i + 1]).toInt());
    }
    QTemporaryDir dir;
    platform::TSRemoteLibrary library({QStringLiteral(LIBTSREMOTE_PATH)});
    if (!library.isLoaded()) {
        std::fprintf(stderr, "%s\n", library.loadError().toLocal8Bit().constData());
        return 1;
    }
    clientlink::TSRemote ts(library);

    using Start = std::function<bool(QProcess&, const QString&, int)>;
    std::vector<std::pair<const char*, Start>> peers{
        {"ts2sim", [](QProcess& p, const QString& socket, int channels) {
             return startBenchSim(p, socket, channels);
         }}};
#ifdef BRIDGE_PATH
    peers.emplace_back("tsremote-bridge + fake client library",
                       [](QProcess& p, const QString& socket, int channels) {
                           QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
                           env.insert(QStringLiteral("TSREMOTE_SOCKET"), socket);
                           env.insert(QStringLiteral("FAKE_CLIENT_CHANNELS"),
                                      QString::number(channels));
                           p.setProcessEnvironment(env);
                           p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
                           p.start(QStringLiteral(BRIDGE_PATH),
                                   {QStringLiteral("--library"), QStringLiteral(FAKE_CLIENT_PATH)});
                           for (int i = 0; i < 250 && !QFile::exists(socket); ++i)
                               QThread::msleep(20);
                           return QFile::exists(socket);
                       });
#endif
    for (std::size_t peerIndex = 0; peerIndex < peers.size(); ++peerIndex) {
        const auto& [peer, startPeer] = peers[peerIndex];
        std::printf("\nlibTSRemote.so round trips against %s, %d calls each (microseconds)\n", peer,
                    calls);
        std::printf("%-28s %10s %10s\n", "call", "p50", "p99");
        for (int channels : {5, 50, 500}) {
            const QString socket =
                dir.filePath(QStringLiteral("bench%1-%2.sock").arg(channels).arg(peerIndex));
            qputenv("TSREMOTE_SOCKET", QFile::encodeName(socket));
            QProcess sim;
            if (!startPeer(sim, socket, channels)) {
                std::fprintf(stderr, "%s did not start\n", peer);
                return 1;
            }
            ts.TSConnect(QStringLiteral("localhost:8767"), QStringLiteral("Bench"), {}, {}, {}, {});
            ts.TSReadOwnID();

            if (channels == 5) {
                UserInfoRecord user{};
                PlayerInfoRecord player{};
                ServerInfoRecord server{};
                std::vector<ChannelInfoRecord> chans(TSR_MAX_RECORDS);
                std::vector<PlayerInfoRecord> players(TSR_MAX_RECORDS);
                std::vector<std::int32_t> ids(TSR_MAX_RECORDS);
                const struct {
                    const char* name;
                    std::function<void()> call;
                } rows[] = {
                    {"tsrGetSpeakers",
                     [&] {
                         int32_t n = TSR_MAX_RECORDS;
                         library.getSpeakers(ids.data(), &n);
                     }},
                    {"tsrGetUserInfo", [&] { library.getUserInfo(&user); }},
                    {"tsrGetPlayerInfoByID", [&] { library.getPlayerInfoByID(200, &player); }},
                    {"tsrGetServerInfo", [&] { library.getServerInfo(&server); }},
                    {"tsrGetChannels",
                     [&] {
                         int32_t n = TSR_MAX_RECORDS;
                         library.getChannels(chans.data(), &n);
                     }},
                    {"tsrGetPlayers",
                     [&] {
                         int32_t n = TSR_MAX_RECORDS;
                         library.getPlayers(players.data(), &n);
                     }},
                    {"tsrSetPlayerFlags", [&] { library.setPlayerFlags(0); }},
                    {"tsrSwitchChannelID", [&] { library.switchChannelID(2, ""); }},
                    {"tsrSendTextMessageToChannel",
                     [&] { library.sendTextMessageToChannel(2, "x"); }},
                    {"tsrGetLastError",
                     [&] {
                         char b[1024];
                         library.getLastError(b, 1024);
                     }},
                };
                for (const auto& row : rows) {
                    const Figures f = measure(calls, row.call);
                    std::printf("%-28s %10.1f %10.1f\n", row.name, f.p50, f.p99);
                }
                std::printf(
                    "\none tick's client calls (speakers x2, user x4, channels x2, server x3,\n"
                    "one player read per channel), microseconds\n");
                std::printf("%-28s %10s %10s\n", "channels", "p50", "p99");
            }
            const int ticks = std::max(10, calls / 20);
            const Figures f = measure(ticks, [&] {
                ts.TSGetSpeakers();
                ts.TSReadOwnID();
                ts.TSGetServerInfo();
                ts.TSGetSpeakers();
                ts.TSReadOwnID();
                ts.TSGetChannels();
                ts.TSGetServerInfo();
                for (const auto& c : ts.ChannelList)
                    ts.TSGetPlayerInfo(c.ChannelID);
                ts.TSReadOwnPrivileges();
                ts.TSGetChannels();
                ts.TSGetServerInfo();
                ts.TSReadOwnFlags();
            });
            std::printf("%-28d %10.1f %10.1f\n", channels, f.p50, f.p99);
            stopBenchSim(sim);
        }
    }
    return 0;
}
