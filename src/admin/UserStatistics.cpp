#include "UserStatistics.h"

#include "Clock.h"
#include "INIfile.h"
#include "SettingsKeys.h"
#include "SharedState.h"
#include "ValueKinds.h"

#include <algorithm>
#include <limits>

using settings::StatisticKeys;
using settings::text;

UserStatistics::UserStatistics(app::SharedState& state, const platform::Clock& clock)
    : m_state(state), m_clock(clock) {}

void UserStatistics::recordUserMaximum() {
    app::StatisticsVariables& s = m_state.frmStatic;
    // UserMax holds 16 bits: a larger server counts as 32767, which is then kept
    // instead of being written anew on every tick.
    const auto seen = static_cast<std::int16_t>(
        std::min<std::int32_t>(m_state.AllUser, std::numeric_limits<std::int16_t>::max()));
    if (s.UserMax >= seen)
        return;
    s.UserMax = seen;
    const QDateTime now = m_clock.localNow();
    s.UserMaxTime = m_clock.longTimeText(now.time());
    s.UserMaxDate = m_clock.shortDateText(now.date());
    MaxUserSchreiben();
}

void UserStatistics::MaxUserLesen() {
    const QString& file = m_state.Dateiname;
    const auto read = [&file](const settings::KeyDef& k) {
        return INIfile::INIRead(file, text(k.section), text(k.key));
    };
    SavedMax = read(StatisticKeys[0]);
    SavedMaxTime = read(StatisticKeys[1]);
    SavedMaxDate = read(StatisticKeys[2]);
}

void UserStatistics::MaxUserSchreiben() {
    MaxUserLesen();
    const app::StatisticsVariables& s = m_state.frmStatic;
    const auto saved = settings::parseWholeNumber(SavedMax);
    const bool write = !saved || *saved < s.UserMax || ForceWrite;
    ForceWrite = false;
    if (!write)
        return;
    // Non-negative counts carry a leading blank where the sign would stand, as the
    // files of earlier installations hold them.
    const QString count =
        (s.UserMax >= 0 ? QStringLiteral(" ") : QString()) + QString::number(s.UserMax);
    const QString& file = m_state.Dateiname;
    const QString values[] = {count, s.UserMaxTime, s.UserMaxDate};
    for (std::size_t i = 0; i < StatisticKeys.size(); ++i)
        INIfile::INIWrite(file, text(StatisticKeys[i].section), text(StatisticKeys[i].key),
                          values[i]);
}

void UserStatistics::reset() {
    app::StatisticsVariables& s = m_state.frmStatic;
    s.UserMax = 0;
    s.UserMaxTime = QString::fromUtf16(ResetTime);
    s.UserMaxDate = QString::fromUtf16(ResetDate);
    ForceWrite = true;
    MaxUserSchreiben();
}
