#pragma once

#include <QGuiApplication>
#include <QPoint>
#include <QRect>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace platform {

// The nearest place to wanted at which the window lies wholly on the screen, its title
// bar reachable with the mouse.
inline QPoint keepOnScreen(const QWidget* window, QPoint wanted) {
    const QScreen* screen = QGuiApplication::screenAt(wanted);
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return wanted;
    const QRect room = screen->availableGeometry();
    const QSize size = window->frameGeometry().size();
    return {
        std::clamp(wanted.x(), room.left(), std::max(room.left(), room.right() - size.width())),
        std::clamp(wanted.y(), room.top(), std::max(room.top(), room.bottom() - size.height()))};
}

} // namespace platform
