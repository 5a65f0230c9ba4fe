#include "Startup.h"

#include "ProgramFolder.h"

namespace app {

QString programName() {
    return QString::fromLatin1(ProductWord) + QString::fromLatin1(VersionText);
}

QString settingsFilePath(const QString& folder) {
    return platform::joinPath(folder, QStringLiteral("ts.ini"));
}

bool isDtmfSwitch(const QStringList& argumentsAfterProgram) {
    return argumentsAfterProgram.join(QLatin1Char(' ')) == QLatin1String("-dtmf");
}

QString toneFilePath(const QString& folder, int i) {
    return platform::joinPath(folder, QStringLiteral("sounds/%1.wav").arg(i));
}

std::optional<int> firstMissingToneFile(const QString& folder) {
    for (int i = 0; i < ToneFileCount; ++i) {
        if (!FileExist(toneFilePath(folder, i)))
            return i;
    }
    return std::nullopt;
}

QString dtmfMissingMessage(int toneNumber) {
    return QStringLiteral("DTMF Funktion nicht m\u00F6glich !\r     Datei %1.wav fehlt !")
        .arg(toneNumber);
}

} // namespace app
