#include "DatabaseFiles.h"

#include <QFile>
#include <QSqlError>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::databaseFiles {
namespace {

constexpr const char* Companions[] = {"", "-wal", "-shm"};

QByteArray native(const QString& path, const char* suffix) {
    return QFile::encodeName(path) + suffix;
}

} // namespace

QString refusal(const QString& path) {
    for (const char* suffix : Companions) {
        struct stat st {};
        if (::lstat(native(path, suffix).constData(), &st) == 0 && S_ISLNK(st.st_mode))
            return QStringLiteral("\"%1%2\" ist ein symbolischer Verweis; ihm wird nicht gefolgt")
                .arg(path, QString::fromLatin1(suffix));
    }
    return {};
}

void keepPrivate(const QString& path) {
    for (const char* suffix : Companions) {
        const QByteArray name = native(path, suffix);
        struct stat st {};
        if (::lstat(name.constData(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 077) != 0)
            ::chmod(name.constData(), st.st_mode & 0700);
    }
}

bool createPrivate(const QString& path) {
    const int fd = ::open(native(path, "").constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return errno == EEXIST;
    ::close(fd);
    return true;
}

QString reason(const QSqlError& error) {
    const QString text = error.databaseText().isEmpty() ? error.driverText() : error.databaseText();
    return QStringLiteral("SQLite: ") + text;
}

} // namespace platform::databaseFiles
