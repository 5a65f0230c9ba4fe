#pragma once

#include "InputActivity.h"

#include <QAbstractNativeEventFilter>

#include <cstdint>
#include <memory>

struct xcb_connection_t;
struct _XCBKeySymbols;

namespace platform {

// Mouse and keyboard anywhere on an X11 desktop, through Qt's own xcb connection: the
// pointer from a query of the root window, key presses as XInput 2 raw events on the
// root window, collected between two calls. Raw events arrive whichever window has the
// focus, need no grab and no second connection, and Xvfb delivers them too.
class X11Input final : public InputActivity, public QAbstractNativeEventFilter {
public:
    // nullptr where there is no X server or it lacks XInput 2.
    static std::unique_ptr<X11Input> create();
    ~X11Input() override;

    std::optional<QPoint> cursorPosition() override;
    bool keyPressedSinceLastCall() override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    X11Input(xcb_connection_t* connection, std::uint32_t root, std::uint8_t xinputOpcode);

    xcb_connection_t* m_connection;
    std::uint32_t m_root;
    std::uint8_t m_opcode;
    _XCBKeySymbols* m_symbols;
    bool m_keyPressed = false;
};

} // namespace platform
