#pragma once

#include "TsrWire.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tsremote {

// What became of one request.
enum class Outcome {
    Answered,   // a well-formed answer arrived; its result may still be a failure
    NotRunning, // nobody listens on the socket
    NoAnswer,   // the client did not answer in time
    BadAnswer,  // the answer was malformed; it was not used
};

// One persistent connection to the client, one request and one answer at a time,
// every exchange bounded by a deadline.
class Connection {
public:
    static constexpr int DeadlineMs = 200;
    // After a client failed to answer, calls fail at once for this long, so a frozen
    // client costs one deadline per second and not one per call.
    static constexpr int QuietMs = 1000;

    Connection() = default;
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    Outcome exchange(tsrwire::Op op, const std::vector<std::uint8_t>& request,
                     std::vector<std::uint8_t>& answer);

    // The calls until endBudget share budgetMs: once it is spent they fail at once as
    // not answering, and once the client was found not running they fail as that
    // without another connect. A caller that polls in rounds so bounds each round.
    void beginBudget(int budgetMs);
    void endBudget();

private:
    bool open(std::int64_t deadline, bool& refused);
    void close();
    Outcome exchangeUntil(tsrwire::Op op, const std::vector<std::uint8_t>& request,
                          std::vector<std::uint8_t>& answer, std::int64_t deadline);
    // The call's deadline passed without an answer.
    Outcome timedOut(std::int64_t deadline);

    int m_fd = -1;
    std::int64_t m_quietUntil = 0;
    std::string m_quietPath;      // the quiet period holds for this client only
    std::int64_t m_budgetEnd = 0; // 0: no budget
    bool m_budgetNotRunning = false;
    bool m_budgetAnswered = false;
};

} // namespace tsremote
