// tsremote-bridge between our 64-bit libTSRemote.so and a fake 32-bit client library.
#include "ChildProcess.h"
#include "TempDir.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

class BridgeTest : public ::testing::Test {
protected:
    TempDir dir;
    QProcess bridge;
    QString socket = dir.file(QStringLiteral("client.sock"));

    ~BridgeTest() override {
        if (bridge.state() != QProcess::NotRunning) {
            bridge.terminate();
            if (!bridge.waitForFinished(3000))
                bridge.kill();
            bridge.waitForFinished(3000);
        }
    }
    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TSREMOTE_SOCKET"), socket);
        env.insert(QStringLiteral("HOME"), dir.path());
        env.remove(QStringLiteral("TSREMOTE_CLIENT_LIBRARY"));
        return env;
    }
    bool startBridge(const QProcessEnvironment& extra = {}) {
        QProcessEnvironment env = environment();
        env.insert(extra);
        bridge.setProcessEnvironment(env);
        asChildOfTest(bridge);
        bridge.start(QStringLiteral(BRIDGE_PATH),
                     {QStringLiteral("--library"), QStringLiteral(FAKE_CLIENT_PATH)});
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 5000 && bridge.state() != QProcess::NotRunning) {
            if (QFileInfo(socket).exists())
                return true;
            QThread::msleep(10);
        }
        return false;
    }
    QString run(const char* program, const QStringList& arguments) const {
        QProcess p;
        p.setProcessEnvironment(environment());
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(QString::fromLatin1(program), arguments);
        if (!p.waitForFinished(20000) || p.exitCode() != 0)
            return QStringLiteral("<failed>");
        return QString::fromLatin1(p.readAllStandardOutput());
    }
};

TEST_F(BridgeTest, EveryCallGivesWhatTheLibraryGivesDirectly) {
    ASSERT_TRUE(startBridge());
    const QString direct = run(DUMP_I386_PATH, {QStringLiteral(FAKE_CLIENT_PATH)});
    const QString through = run(DUMP_PATH, {QStringLiteral(LIBTSREMOTE_PATH)});
    ASSERT_NE(direct, QStringLiteral("<failed>"));
    EXPECT_TRUE(direct.contains(QStringLiteral("tsrGetServerInfo 0\n")));
    EXPECT_TRUE(direct.contains(QStringLiteral("tsrSwitchChannelID 2 falsch -8\n")));
    EXPECT_EQ(direct.count(QStringLiteral("\n  error")), 8) << direct.toStdString();
    // Results, every record byte and every error text the same.
    EXPECT_EQ(through.toStdString(), direct.toStdString());
}

TEST_F(BridgeTest, AHangingCallIsAnsweredWithinTheBoundAndTheBridgeGoesOn) {
    QProcessEnvironment hang;
    hang.insert(QStringLiteral("FAKE_CLIENT_HANG"), QStringLiteral("tsrKickPlayerFromServer:3000"));
    ASSERT_TRUE(startBridge(hang));
    const QString out = run(DUMP_PATH, {QStringLiteral(LIBTSREMOTE_PATH), QStringLiteral("hang")});
    std::printf("%s", out.toStdString().c_str());
    const QStringList lines = out.split(QLatin1Char('\n'));
    ASSERT_GE(lines.size(), 5) << out.toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("tsrKickPlayerFromServer -2"));
    // "TeamSpeak 2 antwortet nicht"
    EXPECT_TRUE(
        out.contains(QStringLiteral("5465616d537065616b203220616e74776f72746574206e69636874")));
    const int hungMs = lines.filter(QStringLiteral("ms ")).value(0).mid(3).toInt();
    const int nextMs = lines.filter(QStringLiteral("ms ")).value(1).mid(3).toInt();
    EXPECT_LT(hungMs, 200) << "within our library's own deadline";
    EXPECT_TRUE(out.contains(QStringLiteral("tsrGetServerInfo 0\n"))) << "the next call works";
    EXPECT_LT(nextMs, 100);
}

TEST_F(BridgeTest, WithoutALibraryItSaysWhereItLookedAndFails) {
    QProcess p;
    p.setProcessEnvironment(environment());
    p.start(QStringLiteral(BRIDGE_PATH), {});
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_NE(p.exitCode(), 0);
    const QString said = QString::fromLocal8Bit(p.readAllStandardError());
    for (const QString& path :
         {QStringLiteral("/usr/local/lib/teamspeak2/client_sdk/libTSRemote.so.0.4"),
          QStringLiteral("/opt/teamspeak2/client_sdk/libTSRemote.so"),
          dir.file(QStringLiteral("teamspeak2/client_sdk/libTSRemote.so.0.4"))})
        EXPECT_TRUE(said.contains(path)) << said.toStdString();
    EXPECT_FALSE(QFileInfo::exists(socket));

    // A library of the wrong kind (our own 64-bit one) is named with the reason.
    p.start(QStringLiteral(BRIDGE_PATH),
            {QStringLiteral("--library"), QStringLiteral(LIBTSREMOTE_PATH)});
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_NE(p.exitCode(), 0);
    EXPECT_TRUE(QString::fromLocal8Bit(p.readAllStandardError())
                    .contains(QStringLiteral(LIBTSREMOTE_PATH)));
}
