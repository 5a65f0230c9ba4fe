#pragma once

#include "ClientLibrary.h"

#include <QString>

namespace settings {

// [Client] Typ in ts.ini: "TeamSpeak2" or "Mumble". A file without the key, or with
// anything else in it, means the TeamSpeak client, as files from before the choice do.
platform::ClientKind readClientKind(const QString& iniFile);
bool writeClientKind(const QString& iniFile, platform::ClientKind kind);
QString clientName(platform::ClientKind kind); // as the windows name it

} // namespace settings
