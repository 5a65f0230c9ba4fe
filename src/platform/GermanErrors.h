#pragma once

#include <QString>

namespace platform {

// A system error number as a German reason for the program's dialogs: the system's
// own texts follow the locale, which on a gateway PC is often English.
QString germanReason(int errorNumber);

} // namespace platform
