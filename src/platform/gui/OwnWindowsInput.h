#pragma once

#include "InputActivity.h"

#include <QObject>

namespace platform {

// Does Qt key code count as activity? Everything a person types or moves with counts;
// Backspace, Tab, Return and Enter, Escape, Pause, Caps Lock and the input-method
// keys alone do not (they lie below the counted virtual-key range 32 to 255).
bool keyCountsAsActivity(int qtKey);

// Input to the program's own windows only: where the desktop tells nothing of the rest
// (Wayland without access to global input, offscreen). Said once on stderr.
class OwnWindowsInput final : public QObject, public InputActivity {
    Q_OBJECT
public:
    explicit OwnWindowsInput(QObject* parent = nullptr);

    std::optional<QPoint> cursorPosition() override;
    bool keyPressedSinceLastCall() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPoint m_position;
    bool m_keyPressed = false;
};

} // namespace platform
