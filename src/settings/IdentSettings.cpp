#include "IdentSettings.h"

#include "INIfile.h"

IdentSettings readIdentSettings(const QString& iniFile) {
    IdentSettings s;
    const auto read = [&iniFile](const char* key) {
        return INIfile::INIRead(iniFile, QStringLiteral("Bake"), QLatin1String(key)).trimmed();
    };
    s.on = read("Kennung") == QLatin1String("1");
    bool number = false;
    const int minutes = read("KennungMinuten").toInt(&number);
    if (number && minutes >= 1 && minutes <= 60)
        s.minutes = minutes;
    return s;
}

bool writeIdentSettings(const QString& iniFile, const IdentSettings& settings) {
    return INIfile::INIWrite(iniFile, QStringLiteral("Bake"), QStringLiteral("Kennung"),
                             settings.on ? QStringLiteral("1") : QStringLiteral("0")) != 0 &&
           INIfile::INIWrite(iniFile, QStringLiteral("Bake"), QStringLiteral("KennungMinuten"),
                             QString::number(settings.minutes)) != 0;
}
