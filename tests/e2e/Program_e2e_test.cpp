// The quorvex program itself against ts2sim, seen through the client's log and the
// files it writes.
#include "INIfile.h"
#include "Rig.h"
#include "SavedSettings.h"
#include "TempDir.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QThread>

#include <gtest/gtest.h>

TEST(QuorvexProgram, AGatewayKeepsItsFlagsInTheClient) {
    TempDir dir;
    const QString socket = dir.file(QStringLiteral("client.sock"));
    saveWithSettingsPage(dir.file(QStringLiteral("ts.ini")), [](frmOptions& page) {
        page.cmbServerAdresse->setCurrentIndex(2);
        page.chkGateway->setChecked(true);
    });
    TempDir scripts;
    scripts.write(QStringLiteral("world.txt"),
                  "connect teamspeak://localhost:8767?nickname=DL0GW?loginname=?password=?channel="
                  "?channelpassword=\n");
    SimProcess sim(socket, scripts.file(QStringLiteral("world.txt")));
    ASSERT_TRUE(sim.ready());

    Child quorvex;
    ASSERT_TRUE(startQuorvex(quorvex, dir.path(), socket));

    // Commander and no-whisper are set, then a hand-set away flag is taken back.
    ASSERT_TRUE(waitUntil([&] { return sim.output().contains("tsrSetPlayerFlags flags=5\n"); }));
    sim.command("own flags=13");
    ASSERT_TRUE(waitUntil([&] { return sim.output().count("tsrSetPlayerFlags flags=5\n") >= 2; }));
    EXPECT_TRUE(quorvex.state() == QProcess::Running);
}

// The program keeps the highest count in ts.ini and a restart keeps the record.
TEST(AdminE2E, ANewUserRecordLandsInTsIniAndOutlivesARestart) {
    TempDir dir;
    const QString ini = dir.file(QStringLiteral("ts.ini"));
    const QString socket = dir.file(QStringLiteral("client.sock"));
    saveWithSettingsPage(ini, [](frmOptions& page) {
        page.cmbServerAdresse->setCurrentIndex(2);
        page.txtNickname->setText(QStringLiteral("DL0GW"));
    });
    QByteArray world;
    for (int p = 1; p <= 14; ++p)
        world +=
            "player " + QByteArray::number(100 + p) + " 2 Spieler" + QByteArray::number(p) + "\n";
    world += "connect teamspeak://localhost:8767?nickname=DL0GW?loginname=?password=?channel="
             "?channelpassword=\n";
    dir.write(QStringLiteral("world.txt"), world);
    SimProcess sim(socket, dir.file(QStringLiteral("world.txt")));
    ASSERT_TRUE(sim.ready());

    const auto record = [&ini] {
        return INIfile::INIRead(ini, QStringLiteral("Statistik"), QStringLiteral("MaxUser"));
    };
    {
        Child quorvex;
        ASSERT_TRUE(startQuorvex(quorvex, dir.path(), socket));
        ASSERT_TRUE(waitUntil([&] { return record() == QStringLiteral("15"); })) << "14 and us";
        sim.command("player 200 2 Sechzehn");
        ASSERT_TRUE(waitUntil([&] { return record() == QStringLiteral("16"); }));
        EXPECT_TRUE(dir.read(QStringLiteral("ts.ini")).contains("MaxUser= 16"));
    }
    sim.command("leave 200");
    sim.command("leave 101");
    Child again;
    ASSERT_TRUE(startQuorvex(again, dir.path(), socket));
    QThread::msleep(1500); // ticks with 14 players on the server
    EXPECT_EQ(record(), QStringLiteral("16")) << "a restart keeps the record";
    EXPECT_EQ(INIfile::INIRead(ini, QStringLiteral("Anmeldung"), QStringLiteral("Nickname")),
              QStringLiteral("DL0GW"))
        << "the record's writes left the settings alone";
}

// Every command answers --help on standard output and --version, exit 0, with no display;
// quorvex refuses an option it does not know with its usage, exit 2.
TEST(CommandLines, HelpVersionAndUnknownOptions) {
    QProcessEnvironment bare = QProcessEnvironment::systemEnvironment();
    for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        bare.remove(QLatin1String(v));
    const auto run = [](const QString& program, const QStringList& arguments,
                        const QProcessEnvironment& env) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(program, arguments);
        p.waitForFinished(10000);
        return std::make_pair(p.exitCode(), QString::fromLocal8Bit(p.readAllStandardOutput() +
                                                                   p.readAllStandardError()));
    };
    QStringList commands{QStringLiteral(QUORVEX_PATH), QStringLiteral(TSINI_PATH),
                         QStringLiteral(TS2SIM_PATH), QStringLiteral(DTMFDECODE_PATH)};
#ifdef BRIDGE_PATH
    commands << QStringLiteral(BRIDGE_PATH);
#endif
    for (const QString& command : commands) {
        const auto [helpExit, help] = run(command, {QStringLiteral("--help")}, bare);
        EXPECT_EQ(helpExit, 0) << command.toStdString();
        EXPECT_TRUE(help.startsWith(QStringLiteral("usage: "))) << help.toStdString();
        const auto [versionExit, version] = run(command, {QStringLiteral("--version")}, bare);
        EXPECT_EQ(versionExit, 0) << command.toStdString();
        EXPECT_TRUE(version.contains(QStringLiteral(QUORVEX_VERSION_TEXT)))
            << version.toStdString();
    }
    QProcessEnvironment offscreen = bare;
    offscreen.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const auto [unknownExit, said] =
        run(QStringLiteral(QUORVEX_PATH), {QStringLiteral("-dtmf"), QStringLiteral("--gibts")},
            offscreen);
    EXPECT_EQ(unknownExit, 2);
    EXPECT_TRUE(said.contains(QStringLiteral("unknown option '--gibts'"))) << said.toStdString();
    EXPECT_EQ(run(QStringLiteral(DTMFDECODE_PATH), {QStringLiteral("--gibts")}, bare).first, 2)
        << "an unknown option is no file name";
}
