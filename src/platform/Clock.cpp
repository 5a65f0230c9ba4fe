#include "Clock.h"

#include <QLocale>

#include <chrono>

namespace platform {

std::int64_t SystemClock::monotonicMs() const {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

QDateTime SystemClock::localNow() const {
    return QDateTime::currentDateTime();
}

QString SystemClock::longTimeText(const QTime& time) const {
    return QLocale::system().toString(time, QLocale::LongFormat);
}

QString SystemClock::shortDateText(const QDate& date) const {
    return QLocale::system().toString(date, QLocale::ShortFormat);
}

} // namespace platform
