#include "GermanDialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include <gtest/gtest.h>

// Message boxes speak German even where the system's locale is English or C.
TEST(GermanDialogs, StandardButtonsReadGerman) {
    QString why;
    ASSERT_TRUE(platform::installGermanDialogTexts(*qApp, &why)) << why.toStdString();
    QMessageBox box(QMessageBox::Question, QStringLiteral("quorvex"), QStringLiteral("?"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text().remove(QLatin1Char('&')), QStringLiteral("Ja"));
    EXPECT_EQ(box.button(QMessageBox::No)->text().remove(QLatin1Char('&')), QStringLiteral("Nein"));
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text().remove(QLatin1Char('&')),
              QStringLiteral("Abbrechen"));
}
