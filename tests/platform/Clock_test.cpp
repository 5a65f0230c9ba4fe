#include "Clock.h"

#include <QLocale>

#include <gtest/gtest.h>

// The window and ts.ini show times and dates in the German forms whatever the locale.
TEST(SystemClock, TimesAndDatesAreGermanWhateverTheLocale) {
    platform::SystemClock clock;
    for (const QLocale& locale : {QLocale(QLocale::English, QLocale::UnitedStates),
                                  QLocale(QLocale::Japanese), QLocale::c()}) {
        QLocale::setDefault(locale);
        EXPECT_EQ(clock.longTimeText(QTime(9, 4, 5)), QStringLiteral("09:04:05"));
        EXPECT_EQ(clock.shortDateText(QDate(2026, 12, 6)), QStringLiteral("06.12.2026"));
    }
}
