#include "X11Input.h"

#include "VirtualKeys.h"

#include <QGuiApplication>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xinput.h>

#include <cstdlib>

namespace platform {

std::unique_ptr<X11Input> X11Input::create() {
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr)
        return nullptr;
    xcb_connection_t* c = x11->connection();
    const xcb_query_extension_reply_t* xinput = xcb_get_extension_data(c, &xcb_input_id);
    if (xinput == nullptr || !xinput->present)
        return nullptr;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (screen == nullptr)
        return nullptr;

    // Qt has agreed on XInput 2 for this connection already; ask for raw key presses
    // of every keyboard on the root window.
    struct {
        xcb_input_event_mask_t head;
        std::uint32_t bits;
    } mask{{XCB_INPUT_DEVICE_ALL_MASTER, 1}, XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS};
    xcb_generic_error_t* error =
        xcb_request_check(c, xcb_input_xi_select_events_checked(c, screen->root, 1, &mask.head));
    if (error != nullptr) {
        std::free(error);
        return nullptr;
    }
    auto input = std::unique_ptr<X11Input>(new X11Input(c, screen->root, xinput->major_opcode));
    QCoreApplication::instance()->installNativeEventFilter(input.get());
    return input;
}

X11Input::X11Input(xcb_connection_t* connection, std::uint32_t root, std::uint8_t xinputOpcode)
    : m_connection(connection), m_root(root), m_opcode(xinputOpcode),
      m_symbols(xcb_key_symbols_alloc(connection)) {}

X11Input::~X11Input() {
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->removeNativeEventFilter(this);
    xcb_key_symbols_free(m_symbols);
}

std::optional<QPoint> X11Input::cursorPosition() {
    xcb_query_pointer_reply_t* reply =
        xcb_query_pointer_reply(m_connection, xcb_query_pointer(m_connection, m_root), nullptr);
    if (reply == nullptr)
        return std::nullopt;
    const QPoint at(reply->root_x, reply->root_y);
    std::free(reply);
    return at;
}

bool X11Input::keyPressedSinceLastCall() {
    const bool pressed = m_keyPressed;
    m_keyPressed = false;
    return pressed;
}

bool X11Input::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7F) != XCB_GE_GENERIC)
        return false;
    const auto* ge = static_cast<const xcb_ge_generic_event_t*>(message);
    if (ge->extension != m_opcode || ge->event_type != XCB_INPUT_RAW_KEY_PRESS)
        return false;
    const auto* raw = static_cast<const xcb_input_raw_key_press_event_t*>(message);
    const xcb_keysym_t sym =
        xcb_key_symbols_get_keysym(m_symbols, static_cast<xcb_keycode_t>(raw->detail), 0);
    if (virtualkeys::countsAsActivity(sym))
        m_keyPressed = true;
    return false; // Qt handles every event as before
}

} // namespace platform
