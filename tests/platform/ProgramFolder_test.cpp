#include "ProgramFolder.h"

#include "TempDir.h"

#include <QDir>

#include <gtest/gtest.h>

TEST(ProgramFolders, AHomeOfItsOwnTakesTheTonesFromTheProgramUnlessItHasThem) {
    TempDir program, home;
    auto f = platform::programFolders(program.path(), home.path(), QString());
    EXPECT_EQ(f.settings, home.path());
    EXPECT_EQ(f.sounds, program.path()) << "a home without sounds/ uses the program's tones";
    QDir(home.path()).mkdir(QStringLiteral("sounds"));
    f = platform::programFolders(program.path(), home.path(), QString());
    EXPECT_EQ(f.sounds, home.path());
    f = platform::programFolders(program.path(), QString(), QString());
    EXPECT_EQ(f.settings, program.path());
    EXPECT_EQ(f.sounds, program.path());
}
