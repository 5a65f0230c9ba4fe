#include "LinkFiles.h"

#include "AtomicFile.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>

namespace platform {
namespace {

// GNOME's file manager launches a desktop entry only when it is executable and marked
// trusted; without its metadata service the mark fails and is not needed.
void markTrusted(const QString& path) {
    const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
    if (gio.isEmpty())
        return;
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start(gio, {QStringLiteral("set"), QStringLiteral("-t"), QStringLiteral("string"), path,
                  QStringLiteral("metadata::trusted"), QStringLiteral("true")});
    if (!p.waitForFinished(1000))
        p.kill();
}

} // namespace

bool writeLaunchableFile(const QString& path, const QString& content,
                         QFileDevice::Permissions permissions, QString* error) {
    // The replacement takes the mode of the file it replaces: set it first.
    if (QFileInfo::exists(path))
        QFile::setPermissions(path, permissions);
    errno = 0;
    if (!replaceFileAtomically(QFile::encodeName(path).toStdString(),
                               content.toUtf8().toStdString())) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(errno != 0 ? errno : EIO));
        return false;
    }
    QFile::setPermissions(path, permissions);
    if (permissions & QFileDevice::ExeOwner)
        markTrusted(path);
    return true;
}

} // namespace platform
