#include "ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <unistd.h>

namespace platform {

QString joinPath(const QString& folder, const QString& fileName) {
    return folder.endsWith(QLatin1Char('/')) ? folder + fileName
                                             : folder + QLatin1Char('/') + fileName;
}

bool FileExist(const QString& path) {
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.isFile() && !info.fileName().startsWith(QLatin1Char('.'));
}

namespace {

bool hasSounds(const QString& folder) {
    return QDir(joinPath(folder, QStringLiteral("sounds"))).exists();
}

// The program's tones: beside it in a build tree, in share/quorvex when installed.
QString programSounds(const QString& executableFolder) {
    const QString installed =
        QDir::cleanPath(joinPath(executableFolder, QStringLiteral("../share/quorvex")));
    return !hasSounds(executableFolder) && hasSounds(installed) ? installed : executableFolder;
}

} // namespace

ProgramFolders programFolders(const QString& executableFolder, const QString& homeOverride,
                              const QString& configHome) {
    const QString sounds = programSounds(executableFolder);
    // A home without tone files of its own uses the program's.
    if (!homeOverride.isEmpty())
        return {homeOverride, hasSounds(homeOverride) ? homeOverride : sounds};
    // An installed program never writes beside itself, also when root may.
    const bool installed = executableFolder.startsWith(QLatin1String("/usr/"));
    const bool writable = ::access(QFile::encodeName(executableFolder).constData(), W_OK) == 0;
    if ((writable && !installed) || configHome.isEmpty())
        return {executableFolder, sounds};
    const QString own = joinPath(configHome, QStringLiteral("quorvex"));
    QDir().mkpath(own);
    QFile::setPermissions(own,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return {own, sounds};
}

QString xdgHome(const char* variable, const QString& fallback) {
    const QString value = qEnvironmentVariable(variable);
    // Empty or relative counts as unset.
    return value.startsWith(QLatin1Char('/')) ? value : fallback;
}

int settingsNotWritable(const QString& folder, const QString& file) {
    if (::access(QFile::encodeName(folder).constData(), W_OK | X_OK) != 0)
        return errno;
    if (QFileInfo::exists(file) && ::access(QFile::encodeName(file).constData(), W_OK) != 0)
        return errno;
    return 0;
}

ProgramFolders currentProgramFolders() {
    const QString configHome =
        xdgHome("XDG_CONFIG_HOME", QDir::homePath() + QStringLiteral("/.config"));
    return programFolders(QCoreApplication::applicationDirPath(),
                          qEnvironmentVariable(HomeVariable), configHome);
}

} // namespace platform
