// The main window with the real client library and real timers against ts2sim; and
// the quorvex program itself against ts2sim, seen through the client's log.
#include "ClickLabel.h"
#include "Clock.h"
#include "Fakes.h"
#include "ProgramRun.h"
#include "SavedSettings.h"
#include "SharedState.h"
#include "SimProcess.h"
#include "TSRemote.h"
#include "TSRemoteLibrary.h"
#include "TempDir.h"
#include "frmMain.h"
#include "frmOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QThread>
#include <QToolButton>

#include <gtest/gtest.h>

class MainWindowE2E : public ::testing::Test {
protected:
    TempDir dir;
    QString socket = dir.file(QStringLiteral("client.sock"));
    platform::TSRemoteLibrary library{{QStringLiteral(LIBTSREMOTE_PATH)}};
    clientlink::TSRemote ts{library};
    platform::SystemClock clock;
    fakes::Prompts prompts;
    fakes::Shell shell;
    fakes::SchemeHandler urlHandler;
    app::SharedState state;
    std::unique_ptr<frmOptions> options;
    std::unique_ptr<app::frmMain> window;

    void SetUp() override {
        qputenv("TSREMOTE_SOCKET", QFile::encodeName(socket));
        saveWithSettingsPage(dir.file(QStringLiteral("ts.ini")), [](frmOptions& page) {
            page.cmbServerAdresse->setCurrentIndex(2);
            page.txtNickname->setText(QStringLiteral("DL0GW"));
        });
        options = std::make_unique<frmOptions>(state, ts, prompts);
        app::MainWindowParts parts{
            state,      ts,         prompts,   clock, shell, urlHandler,          *options,
            dir.path(), dir.path(), QString(), {},    [] {}, [] { return false; }};
        app::MainWindowSeams seams;
        seams.WerteEinlesen = [this] { options->WerteEinlesen(); };
        window = std::make_unique<app::frmMain>(std::move(parts), std::move(seams));
        window->Form_Load();
        window->show();
        window->startTimers();
    }
    QString status() const { return window->lblVerbindung->text(); }
};

TEST_F(MainWindowE2E, TheWindowFollowsTheClientFromNotRunningToASpeaker) {
    ASSERT_TRUE(
        waitUntil([&] { return status() == QStringLiteral("!!! TS NICHT GESTARTET !!!"); }));

    TempDir scripts;
    scripts.write(QStringLiteral("world.txt"), "player 7 2 DL1ABC\n");
    SimProcess sim(socket, scripts.file(QStringLiteral("world.txt")));
    ASSERT_TRUE(sim.ready());
    ASSERT_TRUE(waitUntil([&] { return status() == QStringLiteral("DISCONNECTED"); }));
    EXPECT_FALSE(window->cmdTSverbinden->isHidden());

    QTest::mouseClick(window->cmdTSverbinden, Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return status() == QStringLiteral("CONNECTED"); }));
    ASSERT_TRUE(
        waitUntil([&] { return window->lblOwnNickname->text() == QStringLiteral("DL0GW"); }));
    EXPECT_EQ(window->lblOwnChannel->text(), QStringLiteral("Eingangshalle"));
    EXPECT_TRUE(
        sim.output().contains("tsrConnect url=\"teamspeak://localhost:8767?nickname=DL0GW"));

    // An empty channel message goes out as it is.
    window->txtChannelMessage->clear();
    QTest::keyClick(window->txtChannelMessage, Qt::Key_Return);
    EXPECT_TRUE(waitUntil([&] {
        return sim.output().contains("tsrSendTextMessageToChannel channel=") &&
               sim.output().contains(" text=\"\"\n");
    })) << sim.output().toStdString();

    sim.command("speak 7 on");
    ASSERT_TRUE(waitUntil([&] { return state.COMSenden; }));
    EXPECT_EQ(window->lblSprecher->text(), QStringLiteral("DL1ABC"));
    EXPECT_EQ(state.FremdeID, 7);
    sim.command("speak 7 off");
    ASSERT_TRUE(waitUntil([&] { return !state.COMSenden; }));
    EXPECT_TRUE(window->lblSprecher->text().isEmpty());

    // A client that dies takes the window back to "not running", and it keeps ticking.
    sim.signal(SIGKILL);
    ASSERT_TRUE(sim.waitForEnd(3000));
    QElapsedTimer t;
    t.start();
    ASSERT_TRUE(
        waitUntil([&] { return status() == QStringLiteral("!!! TS NICHT GESTARTET !!!"); }, 2000));
    EXPECT_LT(t.elapsed(), 1000);
    EXPECT_TRUE(window->lblOwnChannel->text().isEmpty());
}

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

    QProcess quorvex;
    ASSERT_TRUE(startQuorvex(quorvex, dir.path(), socket));

    // Commander and no-whisper are set, then a hand-set away flag is taken back.
    ASSERT_TRUE(waitUntil([&] { return sim.output().contains("tsrSetPlayerFlags flags=5\n"); }));
    sim.command("own flags=13");
    ASSERT_TRUE(waitUntil([&] { return sim.output().count("tsrSetPlayerFlags flags=5\n") >= 2; }));
    EXPECT_TRUE(quorvex.state() == QProcess::Running);
    quorvex.kill();
    quorvex.waitForFinished(3000);
}
