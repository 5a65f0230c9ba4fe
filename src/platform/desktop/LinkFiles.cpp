#include "LinkFiles.h"

#include "AtomicFile.h"
#include "GermanErrors.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <cerrno>

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

// QFileDevice's owner/group/other bits as a Unix mode.
unsigned unixMode(QFileDevice::Permissions p) {
    unsigned mode = 0;
    mode |= p & QFileDevice::ReadOwner ? 0400U : 0U;
    mode |= p & QFileDevice::WriteOwner ? 0200U : 0U;
    mode |= p & QFileDevice::ExeOwner ? 0100U : 0U;
    mode |= p & QFileDevice::ReadGroup ? 0040U : 0U;
    mode |= p & QFileDevice::WriteGroup ? 0020U : 0U;
    mode |= p & QFileDevice::ExeGroup ? 0010U : 0U;
    mode |= p & QFileDevice::ReadOther ? 0004U : 0U;
    mode |= p & QFileDevice::WriteOther ? 0002U : 0U;
    mode |= p & QFileDevice::ExeOther ? 0001U : 0U;
    return mode;
}

} // namespace

bool writeLaunchableFile(const QString& path, const QString& content,
                         QFileDevice::Permissions permissions, QString* error) {
    // A new file renamed over the path: whatever was planted there (a symbolic link to
    // another file) is replaced, never written through.
    errno = 0;
    if (!replaceFileAt(QFile::encodeName(path).toStdString(), content.toUtf8().toStdString(),
                       unixMode(permissions))) {
        if (error)
            *error = germanReason(errno != 0 ? errno : EIO);
        return false;
    }
    if (permissions & QFileDevice::ExeOwner)
        markTrusted(path);
    return true;
}

} // namespace platform
