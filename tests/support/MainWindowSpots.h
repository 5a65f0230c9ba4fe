#pragma once

// Where things are in the program's windows, as tests that click them need it.
#include "SavedSettings.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPoint>
#include <QPushButton>
#include <QSize>

#include <functional>

// The settings gear of the main window of someone who is no server administrator:
// 495 x 405 twips at (360, 1380).
inline constexpr QPoint SettingsGear{40, 105};
// A gateway's statistics button, at (660, 1830).
inline constexpr QPoint StatisticsButton{60, 135};
// A gateway's on-air sign: 1290 x 375 twips at (15, 2575).
inline constexpr QPoint OnAirSign{44, 184};

inline QSize pageOneSize; // as the page built here measures

// Where a control of settings page 1 sits in its window: the page is laid out from its
// controls and fonts, so a page built here from the same file shows it at the same place.
inline QPoint onPageOne(const QString& ini, const std::function<QWidget*(frmOptions&)>& control) {
    PageOnFile p(ini);
    // The release date, its digits all of one width, as start-up shows it.
    p.page.lblRelease->setText(QStringLiteral("Release: 00.00.0000 00:00:00"));
    p.page.show();
    QCoreApplication::processEvents();
    pageOneSize = p.page.size();
    QWidget* w = control(p.page);
    return w->mapTo(&p.page, w->rect().center());
}
