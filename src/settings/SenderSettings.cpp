#include "SenderSettings.h"

#include "INIfile.h"

#include <array>

namespace {

using Way = platform::KeyingInterface::Way;

const QString SenderSection = QStringLiteral("Sender");
constexpr std::array<const char*, 4> WayWords = {"COM", "CM108", "Hamlib", "GPIO"};

int senderNumber(const QString& text, int low, int high, int fallback) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    return ok && v >= low && v <= high ? v : fallback;
}

} // namespace

platform::KeyingInterface readSenderSettings(const QString& iniFile) {
    const auto read = [&iniFile](const char* key) {
        return INIfile::INIRead(iniFile, SenderSection, QLatin1String(key)).trimmed();
    };
    platform::KeyingInterface k;
    const QString way = read("Art");
    for (std::size_t i = 0; i < WayWords.size(); ++i) {
        if (way.compare(QLatin1String(WayWords[i]), Qt::CaseInsensitive) == 0)
            k.way = static_cast<Way>(i);
    }
    k.device = read("Geraet");
    k.model = senderNumber(read("Modell"), 1, 99999, k.model);
    k.baud = senderNumber(read("Baud"), 0, 1000000, k.baud);
    k.pin = senderNumber(read("Pin"), 0, 1023, k.way == Way::Cm108 ? 3 : 0);
    if (k.way == Way::Cm108 && (k.pin < 1 || k.pin > 8))
        k.pin = 3;
    k.inverted = read("Invertiert") == QLatin1String("1");
    return k;
}

bool writeSenderSettings(const QString& iniFile, const platform::KeyingInterface& k) {
    const std::pair<const char*, QString> values[] = {
        {"Art", QLatin1String(WayWords[static_cast<std::size_t>(k.way)])},
        {"Geraet", k.device},
        {"Modell", QString::number(k.model)},
        {"Baud", QString::number(k.baud)},
        {"Pin", QString::number(k.pin)},
        {"Invertiert", k.inverted ? QStringLiteral("1") : QStringLiteral("0")}};
    bool all = true;
    for (const auto& [key, value] : values)
        all = INIfile::INIWrite(iniFile, SenderSection, QLatin1String(key), value) != 0 && all;
    return all;
}
