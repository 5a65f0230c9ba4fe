#pragma once

#include <QFileDevice>
#include <QString>

namespace platform {

// Writes a desktop entry a person launches from a file manager: atomically, with the
// given permissions from the first byte on (a link that holds a password is never
// readable by others), and marked trusted where the desktop keeps such a mark.
// False with the reason in *error when it could not be written.
bool writeLaunchableFile(const QString& path, const QString& content,
                         QFileDevice::Permissions permissions, QString* error);

} // namespace platform
