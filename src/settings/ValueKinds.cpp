#include "ValueKinds.h"

#include <limits>

namespace settings {

std::optional<std::int64_t> parseWholeNumber(const QString& text) {
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == QLatin1Char('-') || t[i] == QLatin1Char('+'))) {
        negative = t[i] == QLatin1Char('-');
        ++i;
    }
    std::int64_t whole = 0;
    int digits = 0;
    for (; i < t.size() && t[i].isDigit() && t[i].unicode() < 128; ++i, ++digits) {
        whole = whole * 10 + (t[i].unicode() - '0');
        if (whole > std::numeric_limits<std::int32_t>::max())
            return std::nullopt;
    }
    // Rounding of a fraction: only its first digit and whether anything follows matter.
    int firstFraction = 0;
    bool moreFraction = false;
    if (i < t.size() && t[i] == QLatin1Char('.')) {
        ++i;
        for (int n = 0; i < t.size() && t[i].isDigit() && t[i].unicode() < 128; ++i, ++n) {
            ++digits;
            if (n == 0)
                firstFraction = t[i].unicode() - '0';
            else if (t[i] != QLatin1Char('0'))
                moreFraction = true;
        }
    }
    if (i != t.size() || digits == 0)
        return std::nullopt;
    if (firstFraction > 5 || (firstFraction == 5 && (moreFraction || whole % 2 == 1)))
        ++whole;
    return negative ? -whole : whole;
}

std::optional<std::int16_t> readCheck(const QString& text) {
    const auto n = parseWholeNumber(text);
    if (!n || *n < 0 || *n > 2)
        return std::nullopt;
    return static_cast<std::int16_t>(*n);
}

std::optional<std::int16_t> readIndex(const QString& text, int count) {
    const auto n = parseWholeNumber(text);
    if (!n || *n < std::numeric_limits<std::int16_t>::min() ||
        *n > std::numeric_limits<std::int16_t>::max())
        return std::nullopt;
    if (*n < -1 || *n >= count)
        return std::nullopt;
    return static_cast<std::int16_t>(*n);
}

std::optional<std::int32_t> readNumber(const QString& text, int minimum, int maximum) {
    const auto n = parseWholeNumber(text);
    if (!n || *n < minimum || *n > maximum)
        return std::nullopt;
    return static_cast<std::int32_t>(*n);
}

std::optional<bool> readBoolean(const QString& text) {
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    if (!parseWholeNumber(t))
        return std::nullopt;
    // Any non-zero digit makes it True, also in a fraction that rounds to 0.
    for (QChar c : t) {
        if (c >= QLatin1Char('1') && c <= QLatin1Char('9'))
            return true;
    }
    return false;
}

QString writeNumber(int value) {
    return QString::number(value);
}

QString writeBoolean(bool value) {
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

} // namespace settings
