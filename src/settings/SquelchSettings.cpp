#include "SquelchSettings.h"

#include "INIfile.h"

#include <algorithm>
#include <array>

namespace {

const QString Section = QStringLiteral("Squelch");
constexpr std::array<const char*, 9> SourceWords = {"Aus",   "DCD",   "CTS",    "DSR", "RI",
                                                    "Audio", "CM108", "Hamlib", "GPIO"};

// A whole number within [low, high], else fallback.
int within(const QString& text, int low, int high, int fallback) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    return ok && v >= low && v <= high ? v : fallback;
}

} // namespace

QString squelchSourceWord(SquelchSettings::Source source) {
    return QLatin1String(SourceWords[static_cast<std::size_t>(source)]);
}

SquelchSettings readSquelchSettings(const QString& iniFile) {
    const auto read = [&iniFile](const char* key) {
        return INIfile::INIRead(iniFile, Section, QLatin1String(key)).trimmed();
    };
    SquelchSettings s;
    const QString source = read("Quelle");
    for (std::size_t i = 0; i < SourceWords.size(); ++i) {
        if (source.compare(QLatin1String(SourceWords[i]), Qt::CaseInsensitive) == 0)
            s.source = static_cast<SquelchSettings::Source>(i);
    }
    s.activeHigh = read("Aktiv").compare(QLatin1String("Tief"), Qt::CaseInsensitive) != 0;
    s.openDelayMs = within(read("Oeffnen"), 0, SquelchSettings::MaxDelayMs, s.openDelayMs);
    s.hangMs = within(read("Haltezeit"), 0, SquelchSettings::MaxDelayMs, s.hangMs);
    s.timeoutMinutes =
        within(read("Zeitlimit"), 0, SquelchSettings::MaxTimeoutMinutes, s.timeoutMinutes);
    s.thresholdDb = within(read("Schwelle"), SquelchSettings::MinThresholdDb, 0, s.thresholdDb);
    s.soundSource = read("Tonquelle");
    const QString input = read("Eingang");
    for (int i = 0; i < 4; ++i) {
        if (input.compare(QLatin1String(Cm108InputWords[i]), Qt::CaseInsensitive) == 0)
            s.cm108Input = i;
    }
    s.gpioInput = within(input, 0, 1023, s.gpioInput);
    return s;
}

bool writeSquelchSettings(const QString& iniFile, const SquelchSettings& s) {
    const std::pair<const char*, QString> values[] = {
        {"Quelle", squelchSourceWord(s.source)},
        {"Aktiv", s.activeHigh ? QStringLiteral("Hoch") : QStringLiteral("Tief")},
        {"Oeffnen", QString::number(s.openDelayMs)},
        {"Haltezeit", QString::number(s.hangMs)},
        {"Zeitlimit", QString::number(s.timeoutMinutes)},
        {"Schwelle", QString::number(s.thresholdDb)},
        {"Tonquelle", s.soundSource},
        {"Eingang", s.source == SquelchSettings::Source::Gpio
                        ? QString::number(s.gpioInput)
                        : QLatin1String(Cm108InputWords[std::clamp(s.cm108Input, 0, 3)])}};
    for (const auto& [key, value] : values) {
        if (INIfile::INIWrite(iniFile, Section, QLatin1String(key), value) == 0)
            return false;
    }
    return true;
}
