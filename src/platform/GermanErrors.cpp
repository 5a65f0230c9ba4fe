#include "GermanErrors.h"

#include <cerrno>

namespace platform {

QString germanReason(int errorNumber) {
    switch (errorNumber) {
    case ENOENT:
    case ENXIO:
    case ENODEV:
        return QStringLiteral("nicht vorhanden");
    case EACCES:
    case EPERM:
        return QStringLiteral("keine Berechtigung");
    case EROFS:
        return QStringLiteral("nur lesbares Dateisystem");
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("kein Platz mehr auf dem Datentr\u00E4ger");
    case EBUSY:
        return QStringLiteral("wird schon von einem anderen Programm benutzt");
    case EISDIR:
        return QStringLiteral("ist ein Ordner");
    case ENOTDIR:
        return QStringLiteral("ein Teil des Pfades ist kein Ordner");
    case EIO:
        return QStringLiteral("Ein-/Ausgabefehler");
    case ELOOP:
        return QStringLiteral("zu viele symbolische Verkn\u00FCpfungen");
    case ENAMETOOLONG:
        return QStringLiteral("Name zu lang");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("zu viele offene Dateien");
    default:
        return QStringLiteral("Systemfehler %1").arg(errorNumber);
    }
}

} // namespace platform
