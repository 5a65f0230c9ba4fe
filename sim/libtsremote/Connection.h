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

private:
    bool open(std::int64_t deadline, bool& refused);
    void close();

    int m_fd = -1;
    std::int64_t m_quietUntil = 0;
};

} // namespace tsremote
