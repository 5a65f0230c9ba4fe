#pragma once

#include <QIcon>

class QPainter;

namespace app {

// The program's picture: a mast sending waves, drawn on a square of AppIconUnits. The
// window and tray icon and the menu entry's SVG (written at build time) come from it.
inline constexpr int AppIconUnits = 32;
void paintAppIcon(QPainter& painter);

QIcon appIcon();

} // namespace app
