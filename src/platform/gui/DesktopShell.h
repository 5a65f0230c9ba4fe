#pragma once

#include "Shell.h"

namespace platform {

// Opens like a desktop's "Open": programs are started, everything else goes to the
// desktop's handler for it (xdg-open behind QDesktopServices).
class DesktopShell final : public Shell {
public:
    void open(const QString& target) override;
};

} // namespace platform
