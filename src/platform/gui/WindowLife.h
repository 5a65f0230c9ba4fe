#pragma once

#include <QPointer>
#include <QWidget>

#include "ScreenPlace.h"

// How the program's occasional windows live: made at first use, ended by their close.

// The window, made now if it does not exist (again).
template <typename Window, typename Make> Window* existing(QPointer<Window>& window, Make make) {
    if (!window) {
        window = make();
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    return window.data();
}

// Shown wholly on the screen it opens on: a window partly below the screen's edge hides
// its buttons.
inline void showRaised(QWidget* window) {
    window->show();
    window->move(platform::keepOnScreen(window, window->pos()));
    window->raise();
}
