#pragma once

#include <QString>

namespace platform {

class Shell {
public:
    virtual ~Shell() = default;
    // Opens a program, document or URL as the desktop would; failures are silent.
    virtual void open(const QString& target) = 0;
};

} // namespace platform
