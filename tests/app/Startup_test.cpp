#include "SharedState.h"
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

TEST(Startup, OnlyTheExactDtmfSwitchCounts) {
    EXPECT_TRUE(isDtmfSwitch({QStringLiteral("-dtmf")}));
    EXPECT_FALSE(isDtmfSwitch({}));
    EXPECT_FALSE(isDtmfSwitch({QStringLiteral("-DTMF")}));
    EXPECT_FALSE(isDtmfSwitch({QStringLiteral("-dtmf"), QStringLiteral("x")}));
    EXPECT_FALSE(isDtmfSwitch({QStringLiteral("-dtmf ")}));
    EXPECT_FALSE(isDtmfSwitch({QStringLiteral("x"), QStringLiteral("-dtmf")}));
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

TEST(Startup, TheFirstMissingToneFileIsNamed) {
    TempDir dir;
    EXPECT_EQ(firstMissingToneFile(dir.path()), 0);
    QDir(dir.path()).mkdir(QStringLiteral("sounds"));
    for (int i = 0; i < ToneFileCount; ++i)
        dir.write(QStringLiteral("sounds/%1.wav").arg(i), "RIFF");
    EXPECT_EQ(firstMissingToneFile(dir.path()), std::nullopt);
    QFile::remove(dir.file(QStringLiteral("sounds/11.wav")));
    QFile::remove(dir.file(QStringLiteral("sounds/4.wav")));
    EXPECT_EQ(firstMissingToneFile(dir.path()), 4);
    EXPECT_EQ(dtmfMissingMessage(4),
              QStringLiteral("DTMF Funktion nicht m\u00F6glich !\r     Datei 4.wav fehlt !"));
}

TEST(SharedStateTest, NothingIsKeyedOrSetBeforeTheFirstTick) {
    const SharedState s;
    EXPECT_FALSE(s.COMSenden);
    EXPECT_FALSE(s.FuncGateway || s.FuncAutoAway || s.WatchdogEIN || s.FlagAway);
    EXPECT_EQ(s.EigeneID, 0);
    EXPECT_EQ(s.FremdeID, 0);
    EXPECT_FALSE(s.frmCOM.COMPortOffen || s.frmCOM.COMPortsperren || s.frmCOM.DTR);
    EXPECT_EQ(s.frmOptions.COMPortAuswahl, 0);
    EXPECT_EQ(s.AwayChannelName, QStringLiteral("========> ABWESEND <========"));
}
