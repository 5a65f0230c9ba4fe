#pragma once

#include "ClientApi.h"
#include "LibraryThread.h"
#include "TsrWire.h"

#include <atomic>
#include <chrono>
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

// Several clients at a time, each answered as its frames arrive.
inline constexpr std::size_t MaxClients = 16;
inline constexpr std::chrono::seconds PartialFrameLimit{2};

// Serves the socket until stop becomes true. Returns 0, or 1
// with the reason on standard error when the socket cannot be set up.
int serve(const std::string& socketPath, Bridge& bridge, const std::atomic<bool>& stop);

} // namespace bridge
