#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>

namespace app {
struct SharedState;
}
namespace platform {
class Clock;
}

// The beacon's two routes and its file, all on settings page 2.
struct BeaconRoutes {
    std::function<void()> DateiInternAbspielen;    // the program's own wave playback
    std::function<void(const QString&)> ShellFile; // the file's associated program
    std::function<QString()> beaconFile;           // caption of lblBakeDatei
    std::function<bool()> soundBusy;               // another sound of ours plays now
};

// Once an hour at minute BakeWann, the beacon file plays. Called every monitor tick.
class Beacon : public QObject {
    Q_OBJECT
public:
    Beacon(app::SharedState& state, const platform::Clock& clock, BeaconRoutes routes,
           QObject* parent = nullptr);

    void Bake();
    // Plays the beacon file once now, by the route the beacon takes. keying, where given,
    // is told to key the line before the wave plays and to let it go after.
    void sendNow(std::function<void(bool)> keying = {});
    // Keyed this long before the wave starts: the transmitter is up when it begins.
    static constexpr int KeyAheadMs = 300;

    bool BeaconFired = false;
    // How often a beacon that found another sound playing looks again, and how long.
    static constexpr int RetryMs = 200;
    static constexpr int WaitLimitMs = 60'000;

private:
    void playWhenFree(std::int64_t deadlineMs, const std::function<void(bool)>& keying);

    app::SharedState& m_state;
    const platform::Clock& m_clock;
    BeaconRoutes m_routes;
};
