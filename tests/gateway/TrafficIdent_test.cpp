// Identification after traffic on a clock that moves only when told.
#include "TrafficIdent.h"

#include "Fakes.h"

#include <gtest/gtest.h>

class TrafficIdentTest : public ::testing::Test {
protected:
    fakes::ManualClock clock;
    std::vector<std::int64_t> sent; // when, in ms since the start
    std::int64_t start = clock.ms;
    TrafficIdent ident{clock, [this] { sent.push_back(clock.ms - start); }};
    bool line = false;

    void SetUp() override { ident.setSettings({true, 10}); }
    // ms of monitor ticks; the line keyed for a speaker or not.
    void run(std::int64_t ms, bool speaker) {
        if (speaker != line) {
            line = speaker;
            ident.speakerKeying(speaker);
        }
        for (std::int64_t t = 0; t < ms; t += 100) {
            clock.advance(100);
            ident.tick(line);
        }
    }
};

TEST_F(TrafficIdentTest, OnceAfterTrafficNeverWithoutIt) {
    run(60'000, false);
    EXPECT_TRUE(sent.empty()) << "nothing sent, nothing to identify";
    run(5'000, true);
    run(2'900, false);
    EXPECT_TRUE(sent.empty()) << "the traffic may go on";
    run(200, false);
    EXPECT_EQ(sent, std::vector<std::int64_t>{60'000 + 5'000 + 3'000});
    run(30 * 60'000, false);
    EXPECT_EQ(sent.size(), 1u);

    ident.setSettings({false, 10});
    run(5'000, true);
    run(60'000, false);
    EXPECT_EQ(sent.size(), 1u) << "switched off";
}

// Overs with short pauses for 25 minutes: an identification in a pause every 10 minutes,
// never over a speaker, and once at the end, but not within a minute of the last.
TEST_F(TrafficIdentTest, EveryNMinutesInAPauseAndAtTheEndNeverOverASpeaker) {
    std::vector<std::pair<std::int64_t, std::int64_t>> overs; // start, end
    for (int i = 0; i < 25 * 2; ++i) {
        const std::int64_t from = clock.ms - start;
        run(28'000, true);
        overs.push_back({from, clock.ms - start});
        run(2'000, false);
    }
    run(10'000, false);
    ASSERT_EQ(sent.size(), 3u) << "two in the traffic, one at its end";
    for (const std::int64_t at : sent) {
        for (const auto& [from, to] : overs)
            EXPECT_FALSE(at > from && at <= to) << at << " over a speaker";
    }
    EXPECT_GE(sent[0], 10 * 60'000);
    EXPECT_LE(sent[0], 10 * 60'000 + 30'000) << "in the next pause";
    EXPECT_GE(sent[1] - sent[0], 10 * 60'000);
    EXPECT_EQ(sent[2], overs.back().second + 3'000) << "after the last over, once";

    // A speaker keyed through the due time: the identification waits for his end.
    sent.clear();
    run(5'000, true);
    run(12 * 60'000, true);
    run(100, false);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_GE(sent[0], overs.back().second + 10'000 + 5'000 + 12 * 60'000);

    // Never twice within a minute: the end of short traffic right after one waits.
    sent.clear();
    ident.setSettings({true, 1});
    run(65'000, true);
    run(100, false);
    run(5'000, true);
    run(70'000, false);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1] - sent[0], 60'000);
}
