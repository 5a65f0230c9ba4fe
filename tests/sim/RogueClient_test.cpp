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
        EXPECT_EQ(user.Player.PlayerID, 99) << "the record is left alone";
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
    EXPECT_EQ(out.record.PlayerID, 5);
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
