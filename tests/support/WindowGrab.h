#pragma once

// A window's content as the X server holds it, for tests that look at what a running
// program shows (Xvfb's 24-bit TrueColor screens).
#include <QImage>
#include <QString>

#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

inline QImage grabWindow(const QString& display, const QByteArray& window) {
    const std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t*)> c(
        xcb_connect(display.toLatin1().constData(), nullptr), xcb_disconnect);
    if (xcb_connection_has_error(c.get()))
        return {};
    const auto id = static_cast<xcb_window_t>(window.toUInt());
    const std::unique_ptr<xcb_get_geometry_reply_t, void (*)(void*)> geometry(
        xcb_get_geometry_reply(c.get(), xcb_get_geometry(c.get(), id), nullptr), std::free);
    if (!geometry || geometry->depth != 24)
        return {};
    const std::unique_ptr<xcb_get_image_reply_t, void (*)(void*)> image(
        xcb_get_image_reply(c.get(),
                            xcb_get_image(c.get(), XCB_IMAGE_FORMAT_Z_PIXMAP, id, 0, 0,
                                          geometry->width, geometry->height, ~0u),
                            nullptr),
        std::free);
    const int w = geometry->width, h = geometry->height;
    if (!image || xcb_get_image_data_length(image.get()) < w * h * 4)
        return {};
    return QImage(xcb_get_image_data(image.get()), w, h, w * 4, QImage::Format_RGB32).copy();
}

// How many of the window's pixels have exactly this colour.
inline int pixelsOf(const QImage& image, QRgb colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            n += (line[x] & 0xFFFFFF) == (colour & 0xFFFFFF);
    }
    return n;
}
