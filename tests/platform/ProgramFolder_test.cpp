#include "ProgramFolder.h"
#include "XdgSchemeHandler.h"

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

TEST(ProgramFolders, AnInstalledProgramFindsItsTonesInShare) {
    TempDir prefix;
    QDir(prefix.path()).mkpath(QStringLiteral("bin"));
    QDir(prefix.path()).mkpath(QStringLiteral("share/quorvex/sounds"));
    const QString bin = prefix.file(QStringLiteral("bin"));
    const auto f = platform::programFolders(bin, QString(), prefix.file(QStringLiteral("cfg")));
    EXPECT_EQ(f.sounds, prefix.file(QStringLiteral("share/quorvex")));
}

TEST(ProgramFolders, AProgramUnderUsrKeepsItsSettingsInTheConfigFolder) {
    TempDir config;
    const auto f = platform::programFolders(QStringLiteral("/usr/bin"), QString(), config.path());
    EXPECT_EQ(f.settings, config.file(QStringLiteral("quorvex")));
}

// The XDG rule: a base-folder variable that is empty or relative counts as unset.
TEST(ProgramFolders, AnEmptyOrRelativeXdgFolderIsIgnored) {
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    const QString fallback = QDir::homePath() + QStringLiteral("/.config");
    for (const char* value : {"", "relativ/ordner"}) {
        qputenv("XDG_CONFIG_HOME", value);
        EXPECT_EQ(platform::XdgDirs::fromEnvironment().configHome, fallback) << value;
    }
    qputenv("XDG_CONFIG_HOME", "/etc/anders");
    EXPECT_EQ(platform::XdgDirs::fromEnvironment().configHome, QStringLiteral("/etc/anders"));
    if (saved.isEmpty())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", saved);
}
