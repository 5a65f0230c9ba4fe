#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

#include <cstdint>

namespace platform {

// Time as the program reads it: a monotonic counter for measuring intervals and the
// local wall clock, with times and dates in their German forms ("HH:mm:ss",
// "dd.MM.yyyy").
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::int64_t monotonicMs() const = 0;
    virtual QDateTime localNow() const = 0;
    virtual QString longTimeText(const QTime& time) const = 0;
    virtual QString shortDateText(const QDate& date) const = 0;
};

class SystemClock final : public Clock {
public:
    std::int64_t monotonicMs() const override;
    QDateTime localNow() const override;
    QString longTimeText(const QTime& time) const override;
    QString shortDateText(const QDate& date) const override;
};

} // namespace platform
