// libTSRemote.so against a client that answers garbage: nothing it sends is trusted.
#include "TSRemoteLibrary.h"
#include "TempDir.h"
#include "TsrWire.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

using Answer = std::function<std::vector<std::uint8_t>(const tsrwire::Header&)>;

// Accepts connections and answers every request with whatever the test says.
class RogueServer {
public:
    RogueServer(const std::string& path, Answer answer) : m_answer(std::move(answer)) {
        m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        ::listen(m_fd, 4);
        m_thread = std::thread([this] { run(); });
    }
    ~RogueServer() {
        m_stop = true;
        ::shutdown(m_fd, SHUT_RDWR);
        // The library keeps its connection: end it so the serving thread sees the end.
        if (const int c = m_client.load(); c >= 0)
            ::shutdown(c, SHUT_RDWR);
        ::close(m_fd);
        m_thread.join();
    }

private:
    void run() {
        while (!m_stop) {
            const int c = ::accept(m_fd, nullptr, nullptr);
            if (c < 0)
                return;
            m_client = c;
            std::uint8_t head[tsrwire::HeaderSize];
            while (::recv(c, head, sizeof head, MSG_WAITALL) == sizeof head) {
                const auto h = tsrwire::decodeHeader(head);
                if (!h)
                    break;
                std::vector<std::uint8_t> payload(h->length);
                if (h->length > 0 && ::recv(c, payload.data(), payload.size(), MSG_WAITALL) !=
                                         static_cast<ssize_t>(h->length))
                    break;
                const auto out = m_answer(*h);
                if (!out.empty())
                    ::send(c, out.data(), out.size(), MSG_NOSIGNAL);
            }
            m_client = -1;
            ::close(c);
        }
    }

    int m_fd = -1;
    Answer m_answer;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_client{-1};
    std::thread m_thread;
};

std::vector<std::uint8_t> answerFrame(std::uint16_t op, const tsrwire::Writer& w) {
    return tsrwire::frame(static_cast<tsrwire::Op>(op), w.data());
}

} // namespace

class RogueClient : public ::testing::Test {
protected:
    TempDir dir;
    std::string socket = dir.fileBytesPath(QStringLiteral("rogue.sock"));
    platform::TSRemoteLibrary lib{{QStringLiteral(LIBTSREMOTE_PATH)}};
    void SetUp() override { qputenv("TSREMOTE_SOCKET", socket.c_str()); }

    std::string lastError() {
        char buf[1024];
        lib.getLastError(buf, sizeof buf);
        return buf;
    }
};

TEST_F(RogueClient, GarbageAndOversizedFramesAreRejected) {
    int variant = 0;
    RogueServer server(socket, [&variant](const tsrwire::Header& h) -> std::vector<std::uint8_t> {
        switch (variant) {
        case 0:
            return std::vector<std::uint8_t>(64, 0xAB);
        case 1: {
            tsrwire::Header big;
            big.op = h.op;
            big.length = 512 * 1024 * 1024;
            auto out = tsrwire::encodeHeader(big);
            out.resize(out.size() + 100, 0);
            return out;
        }
        default:
            return answerFrame(h.op == 1 ? 2 : 1,
                               tsrwire::Writer().i32(0).text("")); // wrong operation
        }
    });
    for (variant = 0; variant < 3; ++variant) {
        UserInfoRecord user{};
        user.Player.PlayerID = 99;
        EXPECT_NE(lib.getUserInfo(&user), 0) << "variant " << variant;
        EXPECT_EQ(+user.Player.PlayerID, 99) << "the record is left alone";
        EXPECT_EQ(lastError(), "Ung\xFCltige Antwort von TeamSpeak 2");
    }
}

TEST_F(RogueClient, ACountAboveTheCallersRoomIsRefused) {
    RogueServer server(socket, [](const tsrwire::Header& h) {
        tsrwire::Writer w;
        w.i32(0).text("").i32(5000);
        for (int i = 0; i < 5000; ++i)
            w.i32(i + 1);
        return answerFrame(h.op, w);
    });
    std::int32_t ids[16] = {};
    std::int32_t count = 16;
    EXPECT_NE(lib.getSpeakers(ids, &count), 0);
    EXPECT_EQ(count, 16);
    EXPECT_EQ(ids[0], 0) << "nothing written into the caller's room";
}

TEST_F(RogueClient, ARecordWithoutNulStaysWithinItsField) {
    RogueServer server(socket, [](const tsrwire::Header& h) {
        PlayerInfoRecord r;
        std::memset(&r, 'x', sizeof r);
        r.PlayerID = 5;
        tsrwire::Writer w;
        w.i32(0).text("").bytes(&r, sizeof r);
        return answerFrame(h.op, w);
    });
    struct {
        PlayerInfoRecord record;
        char guard[8];
    } out{};
    std::memset(out.guard, 'G', sizeof out.guard);
    ASSERT_EQ(lib.getPlayerInfoByID(5, &out.record), 0);
    EXPECT_EQ(+out.record.PlayerID, 5);
    EXPECT_EQ(std::string(out.guard, 8), "GGGGGGGG");
}

TEST_F(RogueClient, AClientThatNeverAnswersIsLeftAfterTheDeadline) {
    RogueServer server(socket, [](const tsrwire::Header&) { return std::vector<std::uint8_t>(); });
    const auto start = std::chrono::steady_clock::now();
    std::int32_t ids[4];
    std::int32_t count = 4;
    EXPECT_NE(lib.getSpeakers(ids, &count), TSR_NOT_RUNNING);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    EXPECT_LE(ms, 300) << "the deadline is 200 ms; the rest is scheduling slack";
    EXPECT_EQ(lastError(), "TeamSpeak 2 antwortet nicht");
}

namespace {

std::int64_t msSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}

tsrwire::Writer serverInfoAnswer() {
    ServerInfoRecord r{};
    r.PlayerCount = 3;
    tsrwire::Writer w;
    w.i32(0).text("").bytes(&r, sizeof r);
    return w;
}

} // namespace

// A frozen client's listen queue fills up; then connect() fails with EAGAIN.
TEST_F(RogueClient, AFullQueueOfAFrozenClientIsNotAnsweringNeverNotRunning) {
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, socket.c_str(), sizeof addr.sun_path - 1);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(listener, 1), 0);
    std::vector<int> queued;
    for (int i = 0; i < 64; ++i) {
        const int c = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (::connect(c, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
            ASSERT_EQ(errno, EAGAIN);
            ::close(c);
            break;
        }
        queued.push_back(c);
    }
    ASSERT_LT(queued.size(), 64u) << "the queue never filled";

    const auto start = std::chrono::steady_clock::now();
    std::int32_t ids[4];
    std::int32_t count = 4;
    EXPECT_NE(lib.getSpeakers(ids, &count), TSR_NOT_RUNNING);
    EXPECT_EQ(lastError(), "TeamSpeak 2 antwortet nicht");
    UserInfoRecord user{};
    EXPECT_NE(lib.getUserInfo(&user), TSR_NOT_RUNNING) << "the quiet period says the same";
    EXPECT_EQ(lastError(), "TeamSpeak 2 antwortet nicht");
    EXPECT_LT(msSince(start), 100) << "a full queue is known at once";
    for (int c : queued)
        ::close(c);
    ::close(listener);
}

// A client that takes 40 ms per answer: one round of calls stays within its budget.
TEST_F(RogueClient, ARoundOfCallsSharesOneBudget) {
    RogueServer server(socket, [](const tsrwire::Header& h) {
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        return answerFrame(h.op, serverInfoAnswer());
    });
    for (int round = 0; round < 3; ++round) {
        const auto start = std::chrono::steady_clock::now();
        int answered = 0;
        lib.beginCallBudget(150);
        for (int i = 0; i < 14; ++i) {
            ServerInfoRecord r{};
            if (lib.getServerInfo(&r) == 0)
                ++answered;
            else
                EXPECT_EQ(lastError(), "TeamSpeak 2 antwortet nicht");
        }
        lib.endCallBudget();
        const auto ms = msSince(start);
        std::printf("round %d: %d of 14 calls answered in %lld ms\n", round, answered,
                    static_cast<long long>(ms));
        EXPECT_GE(answered, 1) << "a slow client is no frozen one: every round tries afresh";
        EXPECT_LT(answered, 14);
        EXPECT_LE(ms, 150 + 100) << "the budget, plus scheduling slack on a loaded machine";
    }
    ServerInfoRecord r{};
    EXPECT_EQ(lib.getServerInfo(&r), 0) << "outside a round a call has its own deadline";
}

TEST_F(RogueClient, NotRunningHoldsForTheRestOfTheRound) {
    lib.beginCallBudget(150);
    ServerInfoRecord r{};
    EXPECT_EQ(lib.getServerInfo(&r), TSR_NOT_RUNNING);
    RogueServer server(
        socket, [](const tsrwire::Header& h) { return answerFrame(h.op, serverInfoAnswer()); });
    EXPECT_EQ(lib.getServerInfo(&r), TSR_NOT_RUNNING) << "no second connect in the same round";
    lib.endCallBudget();
    lib.beginCallBudget(150);
    EXPECT_EQ(lib.getServerInfo(&r), 0) << "the next round finds the client";
    EXPECT_EQ(+r.PlayerCount, 3);
    lib.endCallBudget();
}

// A text that claims more bytes than the frame has left is refused, and the refusal
// sticks for every later read of the frame.
TEST(TsrWire, ATextLongerThanItsFrameIsRefused) {
    tsrwire::Writer w;
    w.i32(7).text("Funkraum");
    std::vector<std::uint8_t> payload = w.data();
    tsrwire::Reader whole(payload.data(), payload.size());
    EXPECT_EQ(whole.i32(), 7);
    EXPECT_EQ(whole.text(), std::string("Funkraum"));
    EXPECT_TRUE(whole.ok());

    payload.resize(payload.size() - 3); // the length still says 8
    tsrwire::Reader cut(payload.data(), payload.size());
    EXPECT_EQ(cut.i32(), 7);
    EXPECT_EQ(cut.text(), std::nullopt);
    EXPECT_FALSE(cut.ok());
    EXPECT_EQ(cut.i32(), std::nullopt);
}
