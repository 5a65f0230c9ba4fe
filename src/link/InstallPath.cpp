#include "InstallPath.h"

namespace clientlink {

QString TSInstallPath(const platform::SchemeHandler& handler) {
    QString path = handler.program();
    if (path.size() > 254)
        return {};
    while (path.endsWith(QChar(0)))
        path.chop(1);
    return path;
}

} // namespace clientlink
