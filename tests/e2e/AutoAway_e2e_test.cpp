// Auto-away on a real X server: the quorvex program on a private Xvfb against ts2sim,
// input made with xdotool as a person's would arrive. The program runs on a second of
// 50 ms, so its idle minute (the shortest the settings offer) lasts 3 s.
#include "AwayWorld.h"
#include "PrivateDisplay.h"

#include <QStandardPaths>

#include <gtest/gtest.h>

TEST(AutoAwayE2E, AMinuteWithoutInputMakesAwayAndTheMouseBringsBack) {
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        GTEST_SKIP() << "needs Xvfb and xdotool (scripts/install-packages.sh installs them)";
    constexpr int Second = 50;
    PrivateDisplay display;
    ASSERT_FALSE(display.name.isEmpty()) << "Xvfb did not start";
    ASSERT_TRUE(display.xdotool(
        {QStringLiteral("mousemove"), QStringLiteral("100"), QStringLiteral("100")}));

    AwayWorld world;
    ASSERT_TRUE(world.sim->ready());

    Child quorvex;
    QProcessEnvironment fast;
    fast.insert(QStringLiteral("QUORVEX_TEST_SECOND_MS"), QString::number(Second));
    ASSERT_TRUE(startQuorvex(quorvex, world.dir.path(), world.socket, display.name, fast));
    const auto awaySet = [&world] { return world.away(); };
    ASSERT_FALSE(display.window(QStringLiteral("^Quorvex "), 20000).isEmpty());
    // The minute starts from here: a move of the mouse, as someone sitting down.
    ASSERT_TRUE(display.xdotool(
        {QStringLiteral("mousemove"), QStringLiteral("120"), QStringLiteral("120")}));

    // Enter alone is no activity; a letter is, wherever it was typed, and starts the
    // minute again; the first move of the mouse ends the away.
    QThread::msleep(20 * Second);
    ASSERT_TRUE(display.xdotool({QStringLiteral("key"), QStringLiteral("Return")}));
    QThread::msleep(20 * Second);
    ASSERT_TRUE(display.xdotool({QStringLiteral("key"), QStringLiteral("a")}));
    QThread::msleep(40 * Second);
    EXPECT_FALSE(awaySet()) << "the letter at 40 s started the minute again";
    ASSERT_TRUE(waitUntil(awaySet, 200 * Second)) << "away one minute after the letter\n"
                                                  << world.sim->output().toStdString();
    ASSERT_TRUE(display.xdotool(
        {QStringLiteral("mousemove"), QStringLiteral("500"), QStringLiteral("500")}));
    EXPECT_TRUE(waitUntil([&] { return world.back(); }, 2000))
        << "the move brings the player back within a tick\n"
        << world.sim->output().toStdString();
    EXPECT_TRUE(quorvex.state() == QProcess::Running);
}
