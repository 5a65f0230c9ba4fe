#include "ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <unistd.h>

namespace platform {

QString joinPath(const QString& folder, const QString& fileName) {
    return folder.endsWith(QLatin1Char('/')) ? folder + fileName
                                             : folder + QLatin1Char('/') + fileName;
}

ProgramFolders programFolders(const QString& executableFolder, const QString& homeOverride,
                              const QString& configHome) {
    if (!homeOverride.isEmpty()) {
        // A home without tone files of its own uses the program's.
        const bool ownSounds = QDir(joinPath(homeOverride, QStringLiteral("sounds"))).exists();
        return {homeOverride, ownSounds ? homeOverride : executableFolder};
    }
    const bool writable = ::access(QFile::encodeName(executableFolder).constData(), W_OK) == 0;
    if (writable || configHome.isEmpty())
        return {executableFolder, executableFolder};
    const QString own = joinPath(configHome, QStringLiteral("quorvex"));
    QDir().mkpath(own);
    QFile::setPermissions(own,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return {own, executableFolder};
}

ProgramFolders currentProgramFolders() {
    QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (configHome.isEmpty())
        configHome = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return programFolders(QCoreApplication::applicationDirPath(),
                          qEnvironmentVariable(HomeVariable), configHome);
}

} // namespace platform
