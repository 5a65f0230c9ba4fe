#pragma once

#include <atomic>
#include <functional>
#include <memory>

namespace bridge {

// Runs the library's calls on a thread of their own, so a call that never returns
// cannot stop the bridge. A call that outlasts its bound is left to finish on its
// thread (its job owns all the data it touches) and the next call gets a new thread;
// once MaxStuck threads are stuck, calls are refused at once.
class LibraryThread {
public:
    static constexpr int MaxStuck = 4;

    LibraryThread();
    ~LibraryThread();
    LibraryThread(const LibraryThread&) = delete;
    LibraryThread& operator=(const LibraryThread&) = delete;

    // True when job ran to its end within boundMs.
    bool run(std::function<void()> job, int boundMs);
    int stuck() const { return m_stuck->load(); }

private:
    struct Worker;
    std::shared_ptr<Worker> m_worker;
    std::shared_ptr<std::atomic<int>> m_stuck;
};

} // namespace bridge
