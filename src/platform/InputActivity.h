#pragma once

#include <QPoint>

#include <optional>

namespace platform {

// What the person does with mouse and keyboard anywhere on the desktop.
class InputActivity {
public:
    virtual ~InputActivity() = default;
    // nullopt where the desktop does not tell (no X server).
    virtual std::optional<QPoint> cursorPosition() = 0;
    // True when any key was pressed since the previous call.
    virtual bool keyPressedSinceLastCall() = 0;
};

} // namespace platform
