// The administration against ts2sim: kicks through the real client library, and the
// user record kept by the quorvex program itself in its ts.ini.
#include "Fakes.h"
#include "INIfile.h"
#include "ProgramRun.h"
#include "SavedSettings.h"
#include "SharedState.h"
#include "SimProcess.h"
#include "TSRemote.h"
#include "TSRemoteLibrary.h"
#include "TempDir.h"
#include "frmKick.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QThread>

#include <gtest/gtest.h>

TEST(AdminE2E, KicksFromChannelAndServerReachTheClientWithTheReason) {
    TempDir dir;
    const QString socket = dir.file(QStringLiteral("client.sock"));
    qputenv("TSREMOTE_SOCKET", QFile::encodeName(socket));
    dir.write(QStringLiteral("world.txt"),
              "player 7 2 Alpha\nplayer 8 2 Bravo\nown privileges=1\n"
              "connect teamspeak://localhost:8767?nickname=DL0GW?loginname=?password=?channel="
              "?channelpassword=\n");
    SimProcess sim(socket, dir.file(QStringLiteral("world.txt")));
    ASSERT_TRUE(sim.ready());
    platform::TSRemoteLibrary library({QStringLiteral(LIBTSREMOTE_PATH)});
    clientlink::TSRemote ts(library);
    app::SharedState state;
    ASSERT_TRUE(waitUntil([&] {
        state.AllUser = ts.TSGetServerInfo().PlayerCount;
        return state.AllUser == 3;
    }));
    fakes::Prompts prompts;
    prompts.nextAnswers = {platform::Prompts::Answer::Yes, platform::Prompts::Answer::Yes};
    frmKick dialog(state, ts, prompts, [] {});
    dialog.show();

    const auto choose = [&dialog](const QString& prefix) {
        for (int i = 0; i < dialog.List1->count(); ++i) {
            if (dialog.List1->item(i)->text().startsWith(prefix))
                dialog.List1->setCurrentRow(i);
        }
    };
    choose(QStringLiteral("7 #      Alpha"));
    dialog.cmdKickPlayerChannel->click();
    choose(QStringLiteral("8 #      Bravo"));
    dialog.cmdKickPlayerServer->click();
    EXPECT_TRUE(waitUntil([&] {
        const QByteArray log = sim.output();
        return log.contains("tsrKickPlayerFromChannel id=7 reason=\"Kicked by Orvanta SA\"") &&
               log.contains("tsrKickPlayerFromServer id=8 reason=\"Kicked by Orvanta SA\"");
    })) << sim.output().toStdString();
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
        QProcess quorvex;
        ASSERT_TRUE(startQuorvex(quorvex, dir.path(), socket));
        ASSERT_TRUE(waitUntil([&] { return record() == QStringLiteral("15"); })) << "14 and us";
        sim.command("player 200 2 Sechzehn");
        ASSERT_TRUE(waitUntil([&] { return record() == QStringLiteral("16"); }));
        EXPECT_TRUE(dir.read(QStringLiteral("ts.ini")).contains("MaxUser= 16"));
        quorvex.kill();
        quorvex.waitForFinished(3000);
    }
    sim.command("leave 200");
    sim.command("leave 101");
    QProcess again;
    ASSERT_TRUE(startQuorvex(again, dir.path(), socket));
    QThread::msleep(1500); // ticks with 14 players on the server
    EXPECT_EQ(record(), QStringLiteral("16")) << "a restart keeps the record";
    EXPECT_EQ(INIfile::INIRead(ini, QStringLiteral("Anmeldung"), QStringLiteral("Nickname")),
              QStringLiteral("DL0GW"))
        << "the record's writes left the settings alone";
}
