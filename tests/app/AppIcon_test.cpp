#include "AppIcon.h"

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <gtest/gtest.h>

// The menu entry's SVG, written at build time, shows what the window and tray show.
TEST(AppIcon, TheMenuIconIsTheWindowIcon) {
    QSvgRenderer svg(QStringLiteral(ICON_SVG_PATH));
    ASSERT_TRUE(svg.isValid());
    constexpr int Size = 48;
    QImage fromSvg(Size, Size, QImage::Format_ARGB32_Premultiplied);
    fromSvg.fill(Qt::transparent);
    QPainter p(&fromSvg);
    svg.render(&p);
    p.end();
    const QImage window =
        app::appIcon().pixmap(Size, Size).toImage().convertToFormat(fromSvg.format());
    ASSERT_EQ(window.size(), fromSvg.size());
    int differing = 0;
    for (int y = 0; y < Size; ++y) {
        for (int x = 0; x < Size; ++x) {
            const QColor a = window.pixelColor(x, y), b = fromSvg.pixelColor(x, y);
            if (std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
                    std::abs(a.blue() - b.blue()) + std::abs(a.alpha() - b.alpha()) >
                96)
                ++differing;
        }
    }
    EXPECT_LT(differing, Size * Size / 50) << "pixels that differ beyond antialiasing";
}
