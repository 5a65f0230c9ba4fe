// The serial line's own code against a pseudo-terminal whose modem lines the interposer
// (preloaded into this test) plays: what the squelch's thread relies on.
#include "KeyingProcessLine.h"
#include "LineGuard.h"
#include "QtSerialLine.h"
#include "TempDir.h"

#include <QDir>
#include <QSaveFile>

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <future>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

using Result = platform::SerialLine::Result;

class SerialLine : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_GE(master, 0);
        ASSERT_TRUE(::grantpt(master) == 0 && ::unlockpt(master) == 0);
        const QString pts = QString::fromLocal8Bit(::ptsname(master));
        qputenv("MODEM_INTERPOSE_PATH", pts.toLocal8Bit());
        qputenv("MODEM_INTERPOSE_INPUTS", QFile::encodeName(inputs));
        ASSERT_TRUE(setInputLines(""));
        ASSERT_EQ(line.open(pts), Result::Ok) << line.errorText().toStdString();
    }
    void TearDown() override {
        line.close();
        ::close(master);
    }
    // The status lines as the interposer reads them, written whole.
    bool setInputLines(const QByteArray& lines) {
        QSaveFile f(inputs);
        return f.open(QIODevice::WriteOnly) && f.write(lines + '\n') >= 0 && f.commit();
    }
    int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    TempDir dir;
    QString inputs = dir.file(QStringLiteral("inputs"));
    platform::QtSerialLine line;
};

// A wake asked for just before the thread enters its wait is kept: the wait returns at
// once instead of sleeping until a status line next changes (on a quiet receiver: never).
TEST_F(SerialLine, AWakeJustBeforeTheWaitIsNotLost) {
    line.interruptWait();
    auto waited = std::async(std::launch::async, [this] { return line.waitInputChange(); });
    const bool returned = waited.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
    if (!returned) {
        ASSERT_TRUE(setInputLines("DCD")); // let it go before failing
    }
    EXPECT_TRUE(returned) << "the wake was lost";
    EXPECT_EQ(waited.get(), Result::Ok);
}

TEST_F(SerialLine, TheDriversChangeCountAndHangUpOnClose) {
    ASSERT_TRUE(setInputLines("DCD changes 7"));
    int count = 0;
    ASSERT_EQ(line.inputChangeCount(platform::SerialLine::Dcd, count), Result::Ok);
    EXPECT_EQ(count, 7);
    termios t{};
    ASSERT_EQ(::tcgetattr(master, &t), 0);
    EXPECT_TRUE(t.c_cflag & HUPCL) << "the kernel drops the lines when the last user goes";
}

// The guard in a child of its own (the test program started again for this test): the
// child keys the line, installs the guard and ends as the table says; the interposer's
// log, shared with the parent, must end with both lines down. A guard that cannot run
// (no stack of its own after an overflow) or that is gone too early (a late SIGTERM's
// default action) leaves the last entry keyed.
namespace {
volatile bool deeper = true;
[[gnu::noinline]] int overflowStack(int depth) {
    volatile char frame[4096];
    frame[0] = static_cast<char>(depth);
    return (deeper ? overflowStack(depth + 1) : 0) + frame[0];
}
} // namespace

TEST_F(SerialLine, TheGuardDropsTheLinesHoweverTheProgramEnds) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto logOf = [](pid_t test) {
        return QStringLiteral("%1/quorvex-guard-%2.log").arg(QDir::tempPath()).arg(test);
    };
    const QString log = logOf(::getpid());
    const auto keyedChild = [&] {
        qputenv("MODEM_INTERPOSE_LOG", QFile::encodeName(logOf(::getppid())));
        line.close();
        if (line.open(QString::fromLocal8Bit(::ptsname(master))) != Result::Ok ||
            line.setRequestToSend(true) != Result::Ok)
            ::_exit(3);
        platform::LineGuard::watch(line.nativeHandle());
    };
    const auto endsKeyedDown = [&](const char* how) {
        QFile f(log);
        const QList<QByteArray> entries =
            f.open(QIODevice::ReadOnly) ? f.readAll().trimmed().split('\n') : QList<QByteArray>();
        EXPECT_TRUE(entries.size() >= 2 && entries.last().endsWith("RTS=0 DTR=0"))
            << how << ": " << entries.join(" | ").toStdString();
        f.remove();
    };
    EXPECT_EXIT(
        {
            keyedChild();
            platform::TerminationSignals guard;
            overflowStack(0);
        },
        ::testing::KilledBySignal(SIGSEGV), "");
    endsKeyedDown("a stack overflow");
    EXPECT_EXIT(
        {
            keyedChild();
            { platform::TerminationSignals guard; } // the end of the program has begun
            ::raise(SIGTERM);
            ::_exit(7);
        },
        ::testing::ExitedWithCode(7), "");
    endsKeyedDown("a SIGTERM after the program stopped listening");
}

// A keying process played by a shell script, a stand-in for one that misbehaves.
class KeyingProcess : public ::testing::Test {
protected:
    TempDir dir;
    std::unique_ptr<platform::KeyingProcessLine> line;
    void start(const char* script) {
        const QString keyer = dir.file(QStringLiteral("keyer"));
        dir.write(QStringLiteral("keyer"), QByteArray("#!/bin/sh\necho '0 0'\n") + script + '\n');
        QFile::setPermissions(keyer, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        line = std::make_unique<platform::KeyingProcessLine>(keyer, nullptr);
        ASSERT_EQ(line->open(QStringLiteral("/dev/null")), Result::Ok) << script;
    }
};

// Stand-ins of a keying process that stopped reading: one that closed its input while
// it lives on (a write raises SIGPIPE, which would end the program), one that reads
// nothing (its pipe fills, and a blocking write would hold the window's thread). Either
// costs failed requests only, and the line is given up at once.
TEST_F(KeyingProcess, OneThatStoppedReadingCostsFailedRequestsNotTheProgram) {
    for (const char* standIn : {"exec 0<&-; exec sleep 30", "exec sleep 30"}) {
        start(standIn);
        const auto started = std::chrono::steady_clock::now();
        for (int i = 0; i < 30000; ++i) // more than a pipe holds
            line->interruptWait();
        EXPECT_NE(line->setRequestToSend(true), Result::Ok) << standIn;
        line->close();
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - started)
                            .count();
        EXPECT_LT(ms, 3000) << standIn; // an answer's 500 ms and the end's 500 ms, loaded
    }
}

// Answers that come after their request was given up (a slow radio's squelch, asked all
// along) are dropped when they come, not kept for ever.
TEST_F(KeyingProcess, LateAnswersAreNotKept) {
    start("while read -r id rest; do sleep 0.7; echo \"$id 0 1\"; done");
    int lines = 0, failed = 0;
    for (int i = 0; i < 3; ++i)
        failed += line->inputLines(lines) != Result::Ok;
    EXPECT_GT(failed, 0);
    const auto settled = [&] { return line->answersHeld() == 0; };
    for (int i = 0; i < 50 && !settled(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(settled()) << line->answersHeld() << " answers kept";
}
