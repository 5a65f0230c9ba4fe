#pragma once

#include <QRect>
#include <QWidget>

// Window positions and sizes are given in twips: 15 twips per logical pixel, which
// Qt scales by the screen's device pixel ratio.
namespace platform::twips {

inline constexpr int PerPixel = 15;

inline int toPixels(int twips) {
    return (twips + (twips >= 0 ? PerPixel / 2 : -PerPixel / 2)) / PerPixel;
}
inline int fromPixels(int pixels) {
    return pixels * PerPixel;
}

inline void place(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}
inline void setLeft(QWidget* w, int left) {
    w->move(toPixels(left), w->y());
}
inline void setTop(QWidget* w, int top) {
    w->move(w->x(), toPixels(top));
}
inline int left(const QWidget* w) {
    return fromPixels(w->x());
}
inline int top(const QWidget* w) {
    return fromPixels(w->y());
}

// Sets a window's outer size (frame included, as far as the frame is known yet).
inline void setOuterSize(QWidget* window, int width, int height) {
    const QSize frame = window->frameGeometry().size() - window->geometry().size();
    window->resize(toPixels(width) - frame.width(), toPixels(height) - frame.height());
}

} // namespace platform::twips
