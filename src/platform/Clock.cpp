#include "Clock.h"

#include <chrono>

namespace platform {

std::int64_t SystemClock::monotonicMs() const {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

QDateTime SystemClock::localNow() const {
    return QDateTime::currentDateTime();
}

// Fixed German forms whatever the locale: the window is German, and ts.ini files of
// older installations hold times and dates written this way.
QString SystemClock::longTimeText(const QTime& time) const {
    return time.toString(u"HH:mm:ss");
}

QString SystemClock::shortDateText(const QDate& date) const {
    return date.toString(u"dd.MM.yyyy");
}

} // namespace platform
