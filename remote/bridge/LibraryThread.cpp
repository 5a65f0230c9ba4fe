#include "LibraryThread.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace bridge {

struct LibraryThread::Worker {
    std::mutex mutex;
    std::condition_variable wake;
    std::function<void()> job;
    bool busy = false;
    bool quit = false;
    bool abandoned = false;
    std::shared_ptr<std::atomic<int>> stuck;

    static void loop(std::shared_ptr<Worker> self) {
        std::unique_lock lock(self->mutex);
        for (;;) {
            self->wake.wait(lock, [&] { return self->quit || (self->busy && self->job); });
            if (self->quit)
                return;
            auto job = std::move(self->job);
            lock.unlock();
            job();
            lock.lock();
            self->busy = false;
            self->wake.notify_all();
            if (self->abandoned) {
                // It came back after all: one stuck thread fewer, and this one ends.
                --*self->stuck;
                return;
            }
        }
    }
};

LibraryThread::LibraryThread() : m_stuck(std::make_shared<std::atomic<int>>(0)) {}

LibraryThread::~LibraryThread() {
    if (m_worker) {
        const std::lock_guard lock(m_worker->mutex);
        m_worker->quit = true;
        m_worker->wake.notify_all();
    }
}

bool LibraryThread::run(std::function<void()> job, int boundMs) {
    if (!m_worker) {
        if (m_stuck->load() >= MaxStuck)
            return false;
        m_worker = std::make_shared<Worker>();
        m_worker->stuck = m_stuck;
        std::thread(&Worker::loop, m_worker).detach();
    }
    std::unique_lock lock(m_worker->mutex);
    m_worker->job = std::move(job);
    m_worker->busy = true;
    m_worker->wake.notify_all();
    if (m_worker->wake.wait_for(lock, std::chrono::milliseconds(boundMs),
                                [&] { return !m_worker->busy; }))
        return true;
    // Stuck in the library: leave it there and take a new thread next time.
    m_worker->abandoned = true;
    ++*m_stuck;
    lock.unlock();
    m_worker.reset();
    return false;
}

} // namespace bridge
