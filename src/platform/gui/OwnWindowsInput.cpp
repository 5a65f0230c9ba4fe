#include "OwnWindowsInput.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include <cstdio>

namespace platform {

bool keyCountsAsActivity(int qtKey) {
    switch (qtKey) {
    case Qt::Key_Backspace:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Clear:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Pause:
    case Qt::Key_CapsLock:
    case Qt::Key_Kana_Lock:
    case Qt::Key_Kanji:
    case Qt::Key_Henkan:
    case Qt::Key_Muhenkan:
    case Qt::Key_Mode_switch:
    case Qt::Key_unknown:
        return false;
    default:
        return true;
    }
}

OwnWindowsInput::OwnWindowsInput(QObject* parent) : QObject(parent) {
    std::fputs("quorvex: no access to the desktop's input here; only input to Quorvex's own "
               "windows counts against auto-away\n",
               stderr);
    QCoreApplication::instance()->installEventFilter(this);
}

std::optional<QPoint> OwnWindowsInput::cursorPosition() {
    return m_position;
}

bool OwnWindowsInput::keyPressedSinceLastCall() {
    const bool pressed = m_keyPressed;
    m_keyPressed = false;
    return pressed;
}

bool OwnWindowsInput::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
        m_position = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
        break;
    case QEvent::KeyPress:
        if (keyCountsAsActivity(static_cast<QKeyEvent*>(event)->key()))
            m_keyPressed = true;
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace platform
