#pragma once

#include <QString>

class QSqlError;

// What the program's SQLite files need beyond what SQLite does: they are the user's
// alone, and a symbolic link is never followed to somebody else's database. Nothing here
// opens them: a POSIX lock ends when any descriptor of the file in the process closes.
namespace platform::databaseFiles {

// Empty when path (or its -wal or -shm) may be used; else the German reason.
QString refusal(const QString& path);
// The database and its -wal and -shm, where they exist, for the user alone (chmod, no open).
void keepPrivate(const QString& path);
// Creates path for the user alone where it does not exist, so the -wal and -shm SQLite
// makes after it (with its permissions) are private too. False with errno on failure.
bool createPrivate(const QString& path);

// SQLite's own reason, for the parentheses after a German message.
QString reason(const QSqlError& error);

} // namespace platform::databaseFiles
