#pragma once

#include "MainView.h"

#include <QString>

#include <functional>
#include <optional>

namespace clientlink {
class TSRemote;
}
namespace platform {
class Clock;
}

namespace app {

struct SharedState;

// What the cycle needs of the windows around it.
struct MonitorHost {
    std::function<bool()> isMinimized;
    std::function<void(bool)> setTopmost; // SetTop on the main window
    std::function<int()> autoAwayMinutes; // sldAutoAway of settings page 1
};

// Steps that belong to parts of the program that arrive later; unset ones do nothing.
struct MonitorSeams {
    std::function<void()> CheckMouseActivity;
    std::function<void()> CheckKeyboardActivity;
    std::function<void()> recordUserMaximum; // statistics, after AllUser is known
    std::function<void()> FindAwayChannel;
    std::function<void(const QString& ownChannelCaption)> awayChannelRule;
    std::function<void()> DriveKeyer;
    std::function<void()> Bake;
    std::function<std::optional<QString>()> dtmfText; // txtDTMFString of the DTMF keypad
    std::function<void()> EnterAutoAway;
    std::function<void(const QString&)> speakerWindowText; // the speaker window's label
};

// The two monitor ticks: poll the client, refresh the shared state, fill the view.
// The timers only call onTick100ms and onTick1s; tests call them directly.
class MonitorCycle {
public:
    MonitorCycle(SharedState& state, clientlink::TSRemote& ts, const platform::Clock& clock,
                 MonitorHost host, MonitorSeams seams);

    // The client calls of one 100 ms tick share this many milliseconds.
    static constexpr int TickCallBudgetMs = 150;

    MainView view;

    void onTick100ms(); // Zeit100ms
    void onTick1s();    // Zeit1sek

    void ShowConnectionStatus();
    void RefreshOwnID();
    void ShowUserCount();
    void ShowSpeaker();
    void ShowOwnNickname();
    void FindOwnChannel();
    void RefreshOwnPrivileges();
    void ShowChannelUsers();
    void ShowFlagButtons();
    void ApplyWindowSettings();
    void ShowOwnFlags();
    void KeepGatewayFlags();
    void ShowKeyingBlock();
    void ArrangeForRole();

private:
    bool mumble(); // the client chosen is Mumble
    void showSpeakerName(const QString& name, const QString& minimizedCaption);
    static void run(const std::function<void()>& seam) {
        if (seam)
            seam();
    }

    SharedState& m_state;
    clientlink::TSRemote& m_ts;
    const platform::Clock& m_clock;
    MonitorHost m_host;
    MonitorSeams m_seams;
    bool m_connected = false; // as this tick's status step found the client
};

} // namespace app
