#pragma once

#include <QString>

#include <cstdint>

namespace app {
struct SharedState;
}
namespace platform {
class Clock;
}

// The highest number of players seen on the server: for this run in the shared state
// (UserMax, UserMaxTime, UserMaxDate), and as the all-time record in ts.ini, section
// "Statistik". Lives as long as the program; the statistics window only shows it.
class UserStatistics {
public:
    UserStatistics(app::SharedState& state, const platform::Clock& clock);

    // Step 3 of UpdateUserCount, on every monitor tick once AllUser is known.
    void recordUserMaximum();
    // The all-time record as the file holds it now.
    void MaxUserLesen();
    // Writes the running maximum when it beats the saved one, or when a reset asks.
    void MaxUserSchreiben();
    // The window's RESET, after the person said yes.
    void reset();

    QString SavedMax, SavedMaxTime, SavedMaxDate;
    bool ForceWrite = false;

    static constexpr const char16_t* ResetTime = u"00:00:00";
    static constexpr const char16_t* ResetDate = u"01.01.2000";

private:
    app::SharedState& m_state;
    const platform::Clock& m_clock;
};
