// quorvex unchanged against the bridge and a fake client library: it finds the client
// connected, sees the foreign speaker and keys the line as with ts2sim.
#include "BridgeBuilds.h"
#include "KeyerRig.h"

#include <gtest/gtest.h>

class BridgeKeyerE2E : public ::testing::TestWithParam<BridgeBuild> {};

TEST_P(BridgeKeyerE2E, TheProgramKeysForTheSpeakerTheBridgedLibraryReports) {
    if (const QString why = whyBuildCannotRun(GetParam()); !why.isEmpty())
        GTEST_SKIP() << why.toStdString();
    KeyerRig rig;
    Child bridge;
    rig.startClient = [&](const QString& socket) {
        bridge.setProcessEnvironment(environmentWith(
            {{QStringLiteral("TSREMOTE_SOCKET"), socket},
             {QStringLiteral("FAKE_CLIENT_LOG"), rig.dir.file(QStringLiteral("calls.log"))}}));
        bridge.start(QString::fromLatin1(GetParam().bridge),
                     {QStringLiteral("--library"), QString::fromLatin1(GetParam().library)});
        return waitUntil([&] { return QFileInfo::exists(socket); }, 5000);
    };
    ASSERT_TRUE(rig.start(300));
    // The fake reports player 7 speaking all the time.
    ASSERT_TRUE(waitUntil([&] { return !rig.keying().empty() && rig.keying().back().rts; }, 3000))
        << "the line was not keyed";
    const QString calls = QString::fromLatin1(rig.dir.read(QStringLiteral("calls.log")));
    EXPECT_TRUE(calls.contains(QStringLiteral("tsrGetSpeakers")));
    EXPECT_TRUE(calls.contains(QStringLiteral("tsrGetUserInfo")));
    rig.quorvex.terminate();
    ASSERT_TRUE(rig.quorvex.waitForFinished(5000));
    EXPECT_FALSE(rig.keying().back().rts) << "down when the program ended";
}

INSTANTIATE_TEST_SUITE_P(Builds, BridgeKeyerE2E, ::testing::ValuesIn(bridgeBuilds()),
                         bridgeBuildName);
