#pragma once

#include <QIcon>

namespace app {

// The program's picture for the window and the tray: a mast sending waves.
QIcon appIcon();

} // namespace app
