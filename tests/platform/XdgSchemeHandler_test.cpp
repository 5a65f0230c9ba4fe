#include "XdgSchemeHandler.h"

#include "DesktopEntry.h"
#include "InstallPath.h"
#include "TempDir.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using platform::XdgDirs;
using platform::XdgSchemeHandler;

class SchemeHandlerTest : public ::testing::Test {
protected:
    TempDir dir;
    XdgDirs dirs{dir.file(QStringLiteral("config")),
                 {dir.file(QStringLiteral("etc"))},
                 dir.file(QStringLiteral("data")),
                 {dir.file(QStringLiteral("usr"))},
                 {dir.file(QStringLiteral("bin"))}};

    void put(const QString& name, const QByteArray& content) {
        QDir().mkpath(QFileInfo(dir.file(name)).path());
        dir.write(name, content);
    }
};

TEST_F(SchemeHandlerTest, NoHandlerMeansNoPath) {
    XdgSchemeHandler handler(dirs);
    EXPECT_EQ(handler.desktopFile(), QString());
    EXPECT_EQ(handler.command(), QString());
    EXPECT_EQ(clientlink::TSInstallPath(handler), QString());
}

TEST_F(SchemeHandlerTest, FindsTheDefaultHandlersProgram) {
    put(QStringLiteral("config/mimeapps.list"),
        "[Default Applications]\nx-scheme-handler/teamspeak=gone.desktop;ts2.desktop;\n");
    put(QStringLiteral("data/applications/ts2.desktop"),
        "[Desktop Entry]\nType=Application\nExec=\"/opt/Team Speak/TeamSpeak\" -nosplash %u\n");
    XdgSchemeHandler handler(dirs);
    EXPECT_EQ(handler.desktopFile(), dir.file(QStringLiteral("data/applications/ts2.desktop")));
    EXPECT_EQ(clientlink::TSInstallPath(handler), QStringLiteral("/opt/Team Speak/TeamSpeak"));
    EXPECT_EQ(handler.command(),
              QStringLiteral("\"/opt/Team Speak/TeamSpeak\" \"-nosplash\" \"%1\""));
}

TEST_F(SchemeHandlerTest, FallsBackToAddedAssociationsAndSearchesThePath) {
    put(QStringLiteral("usr/applications/mimeapps.list"),
        "[Added Associations]\nx-scheme-handler/teamspeak=vendor-ts.desktop\n");
    put(QStringLiteral("usr/applications/vendor/ts.desktop"),
        "[Desktop Entry]\nExec=teamspeak2 %u\n");
    put(QStringLiteral("bin/teamspeak2"), "#!/bin/sh\n");
    QFile::setPermissions(dir.file(QStringLiteral("bin/teamspeak2")),
                          QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    XdgSchemeHandler handler(dirs);
    EXPECT_EQ(clientlink::TSInstallPath(handler), dir.file(QStringLiteral("bin/teamspeak2")));
}

TEST_F(SchemeHandlerTest, APathTooLongForItsFieldGivesNothing) {
    const QString longPath = QStringLiteral("/opt/") + QString(260, QLatin1Char('x'));
    put(QStringLiteral("config/mimeapps.list"),
        "[Default Applications]\nx-scheme-handler/teamspeak=ts2.desktop\n");
    put(QStringLiteral("data/applications/ts2.desktop"),
        ("[Desktop Entry]\nExec=" + longPath + " %u\n").toUtf8());
    XdgSchemeHandler handler(dirs);
    EXPECT_EQ(handler.program(), longPath);
    EXPECT_EQ(clientlink::TSInstallPath(handler), QString());
}

TEST_F(SchemeHandlerTest, SettingTheCommandRegistersOurEntryAndCannotInjectLines) {
    put(QStringLiteral("config/mimeapps.list"),
        "[Default Applications]\ntext/plain=editor.desktop\n");
    XdgSchemeHandler handler(dirs);
    const QString program = QStringLiteral("/opt/a b/ts$2\\x\nExec=rm -rf ~");
    ASSERT_TRUE(handler.setCommand(QLatin1Char('"') + program + QStringLiteral("\" \"%1\"")));
    EXPECT_EQ(handler.program(), program);
    EXPECT_EQ(handler.command(), QLatin1Char('"') + program + QStringLiteral("\" \"%1\""));

    const QByteArray entry =
        dir.read(QStringLiteral("data/applications/quorvex-teamspeak.desktop"));
    EXPECT_EQ(entry.count("\nExec="), 1) << entry.toStdString();
    const QByteArray list = dir.read(QStringLiteral("config/mimeapps.list"));
    EXPECT_TRUE(list.contains("text/plain=editor.desktop\n"));
    EXPECT_TRUE(list.contains("x-scheme-handler/teamspeak=quorvex-teamspeak.desktop\n"));
    EXPECT_FALSE(handler.setCommand(QString()));
}

TEST(DesktopEntryValues, ExecArgumentsSurviveQuotingAndEscaping) {
    namespace de = platform::desktopentry;
    const QStringList args = {QStringLiteral("/opt/a \"b\"/$x`y`\\z"), QStringLiteral("plain")};
    const QString exec =
        de::quoteExecArgument(args[0]) + QLatin1Char(' ') + de::quoteExecArgument(args[1]);
    const QString stored = de::escapeValue(exec);
    EXPECT_FALSE(stored.contains(QLatin1Char('\n')));
    EXPECT_EQ(de::splitExec(de::unescapeValue(stored)), args);
    EXPECT_EQ(de::splitExec(QStringLiteral("\"unclosed")), std::nullopt);
    EXPECT_EQ(de::unescapeValue(de::escapeValue(QStringLiteral(" a\tb\nc\\"))),
              QStringLiteral(" a\tb\nc\\"));
}
