#include "UserStatistics.h"

#include "Fakes.h"
#include "INIfile.h"
#include "SharedState.h"
#include "TempDir.h"

#include <gtest/gtest.h>

// The record against a real ts.ini and a clock that stands at 11:30:00 on 6.12.2026.
class Statistics : public ::testing::Test {
protected:
    TempDir dir;
    app::SharedState state;
    fakes::ManualClock clock;
    UserStatistics stats{state, clock};

    void SetUp() override { state.Dateiname = dir.file(QStringLiteral("ts.ini")); }
    QString stored(const char* key) const {
        return INIfile::INIRead(state.Dateiname, QStringLiteral("Statistik"),
                                QString::fromLatin1(key));
    }
    void tick(int users) {
        state.AllUser = users;
        stats.recordUserMaximum();
    }
};

TEST_F(Statistics, TheFirstRecordIsWrittenWithItsLeadingBlankTimeAndDate) {
    tick(0);
    EXPECT_FALSE(dir.read(QStringLiteral("ts.ini")).contains("Statistik")) << "0 beats nothing";
    tick(3);
    EXPECT_EQ(stored("MaxUser"), QStringLiteral("3")) << "the reader trims the blank";
    EXPECT_TRUE(dir.read(QStringLiteral("ts.ini")).contains("MaxUser= 3\n"));
    EXPECT_EQ(stored("MaxUserTime"), clock.longTimeText(clock.localNow().time()));
    EXPECT_EQ(stored("MaxUserDate"), clock.shortDateText(clock.localNow().date()));
    EXPECT_EQ(state.frmStatic.UserMax, 3);
}

TEST_F(Statistics, OnlyABeatenRecordIsWritten) {
    dir.write(QStringLiteral("ts.ini"),
              "[Statistik]\nMaxUser= 15\nMaxUserTime=20:00:00\nMaxUserDate=01.05.2026\n");
    const QByteArray before = dir.read(QStringLiteral("ts.ini"));
    tick(12);
    EXPECT_EQ(dir.read(QStringLiteral("ts.ini")), before) << "12 against 15";
    tick(15);
    EXPECT_EQ(dir.read(QStringLiteral("ts.ini")), before) << "15 against 15";
    tick(16);
    EXPECT_TRUE(dir.read(QStringLiteral("ts.ini")).contains("MaxUser= 16\n"));
    EXPECT_EQ(stored("MaxUserTime"), QStringLiteral("11:30:00"));
    EXPECT_EQ(stored("MaxUserDate"), QStringLiteral("06.12.2026"));
    EXPECT_EQ(stats.SavedMax, QStringLiteral("15")) << "the saved record lags by one write";
}

TEST_F(Statistics, AResetWritesAtOnceAndTheNextTickOverwrites) {
    tick(9);
    stats.reset();
    EXPECT_TRUE(dir.read(QStringLiteral("ts.ini")).contains("MaxUser= 0\n"));
    EXPECT_EQ(stored("MaxUserTime"), QStringLiteral("00:00:00"));
    EXPECT_EQ(stored("MaxUserDate"), QStringLiteral("01.01.2000"));
    tick(4);
    EXPECT_TRUE(dir.read(QStringLiteral("ts.ini")).contains("MaxUser= 4\n"));
    EXPECT_EQ(stored("MaxUserDate"), QStringLiteral("06.12.2026"));
}

TEST_F(Statistics, ALargerServerCountsAs32767OnceAndForAll) {
    tick(40000);
    EXPECT_EQ(state.frmStatic.UserMax, 32767);
    dir.write(QStringLiteral("ts.ini"), "[Statistik]\nMaxUser=x\n");
    tick(40001);
    EXPECT_EQ(dir.read(QStringLiteral("ts.ini")), "[Statistik]\nMaxUser=x\n")
        << "no write on every tick";
}
