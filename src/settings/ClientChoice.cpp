#include "ClientChoice.h"

#include "INIfile.h"

namespace settings {
namespace {

const QString Section = QStringLiteral("Client");
const QString Key = QStringLiteral("Typ");

} // namespace

platform::ClientKind readClientKind(const QString& iniFile) {
    const QString value = INIfile::INIRead(iniFile, Section, Key).trimmed();
    return value.compare(QLatin1String("Mumble"), Qt::CaseInsensitive) == 0
               ? platform::ClientKind::Mumble
               : platform::ClientKind::TeamSpeak2;
}

bool writeClientKind(const QString& iniFile, platform::ClientKind kind) {
    return INIfile::INIWrite(iniFile, Section, Key,
                             kind == platform::ClientKind::Mumble
                                 ? QStringLiteral("Mumble")
                                 : QStringLiteral("TeamSpeak2")) != 0;
}

QString clientName(platform::ClientKind kind) {
    return kind == platform::ClientKind::Mumble ? QStringLiteral("Mumble")
                                                : QStringLiteral("TeamSpeak 2");
}

} // namespace settings
