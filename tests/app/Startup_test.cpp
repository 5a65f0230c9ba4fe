#include "Startup.h"

#include "TempDir.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace app;

TEST(Startup, TheSettingsFileHasExactlyOneSeparatorBeforeIt) {
    EXPECT_EQ(settingsFilePath(QStringLiteral("/")), QStringLiteral("/ts.ini"));
    EXPECT_EQ(settingsFilePath(QStringLiteral("/opt/quorvex")),
              QStringLiteral("/opt/quorvex/ts.ini"));
    EXPECT_EQ(settingsFilePath(QStringLiteral("/opt/quorvex/")),
              QStringLiteral("/opt/quorvex/ts.ini"));
}

TEST(Startup, FileExistSeesOrdinaryFilesOnly) {
    TempDir dir;
    dir.write(QStringLiteral("a.wav"), "x");
    dir.write(QStringLiteral(".hidden"), "x");
    QDir(dir.path()).mkdir(QStringLiteral("folder"));
    EXPECT_TRUE(FileExist(dir.file(QStringLiteral("a.wav"))));
    EXPECT_FALSE(FileExist(dir.file(QStringLiteral("b.wav"))));
    EXPECT_FALSE(FileExist(dir.file(QStringLiteral(".hidden"))));
    EXPECT_FALSE(FileExist(dir.file(QStringLiteral("folder"))));
    EXPECT_FALSE(FileExist(QString()));
    EXPECT_FALSE(FileExist(QStringLiteral("\x01:/\\?*")));
}
