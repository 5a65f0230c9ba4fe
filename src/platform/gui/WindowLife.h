#pragma once

#include <QPointer>
#include <QWidget>

// How the program's occasional windows live: made at first use, ended by their close.

// The window, made now if it does not exist (again).
template <typename Window, typename Make> Window* existing(QPointer<Window>& window, Make make) {
    if (!window) {
        window = make();
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    return window.data();
}

inline void showRaised(QWidget* window) {
    window->show();
    window->raise();
}
