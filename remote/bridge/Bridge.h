#pragma once

#include "ClientApi.h"
#include "LibraryThread.h"
#include "TsrWire.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace bridge {

// Answers the frames of our libTSRemote.so with one call each into the client's
// library: the same results, records and texts the library gives.
class Bridge {
public:
    // Our library waits 200 ms for an answer; the bridge answers before that.
    static constexpr int CallBoundMs = 150;
    static constexpr std::int32_t NoAnswerResult = -2;

    Bridge(const ClientApi& api, bool verbose);

    std::vector<std::uint8_t> answer(tsrwire::Op op, tsrwire::Reader& in);

private:
    const ClientApi& m_api;
    bool m_verbose;
    LibraryThread m_thread;
};

// Serves one client at a time on the socket until stop becomes true. Returns 0, or 1
// with the reason on standard error when the socket cannot be set up.
int serve(const std::string& socketPath, Bridge& bridge, const std::atomic<bool>& stop);

} // namespace bridge
