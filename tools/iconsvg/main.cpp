// Writes the program's icon as SVG for the menu entry, from the same drawing as the
// window and tray icon: one design everywhere.
//   iconsvg OUTPUT.svg
#include "AppIcon.h"

#include <QGuiApplication>
#include <QPainter>
#include <QSvgGenerator>

#include <cstdio>

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fputs("usage: iconsvg OUTPUT.svg\n", stderr);
        return 2;
    }
    // Only painting: no display is needed.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    QSvgGenerator svg;
    svg.setFileName(QString::fromLocal8Bit(argv[1]));
    svg.setTitle(QStringLiteral("Quorvex"));
    svg.setSize(QSize(app::AppIconUnits, app::AppIconUnits));
    svg.setViewBox(QRect(0, 0, app::AppIconUnits, app::AppIconUnits));
    QPainter painter;
    if (!painter.begin(&svg)) {
        std::fprintf(stderr, "iconsvg: cannot write %s\n", argv[1]);
        return 1;
    }
    app::paintAppIcon(painter);
    return painter.end() ? 0 : 1;
}
