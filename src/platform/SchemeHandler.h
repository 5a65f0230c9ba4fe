#pragma once

#include <QString>

namespace platform {

// The registry-like store of the program's surroundings: the handler of the
// teamspeak:// URL scheme and the user's special folders.
class SchemeHandler {
public:
    virtual ~SchemeHandler() = default;
    // The handler's command line with the URL placeholder, in the form
    // "\"program\" \"%1\""; empty when no handler is registered.
    virtual QString command() const = 0;
    // The handler's program path (what an icon entry would name); empty when none.
    virtual QString program() const = 0;
    virtual bool setCommand(const QString& command) = 0;
};

class ShellFolders {
public:
    virtual ~ShellFolders() = default;
    virtual QString desktop() const = 0;
    virtual QString autostart() const = 0;
};

} // namespace platform
