#include "PulseSound.h"

#include "PulsePlayback.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>

#include <cstdio>
#include <memory>

namespace platform {
namespace {

pulse::PlaybackRequest requestFor(const QString& path, bool waveOnly, int timeoutMs) {
    pulse::PlaybackRequest r;
    r.path = QFile::encodeName(path).toStdString();
    r.waveOnly = waveOnly;
    r.serverTimeoutMs = timeoutMs;
    return r;
}

void report(const std::string& error) {
    std::fprintf(stderr, "quorvex: sound: %s\n", error.c_str());
}

} // namespace

PulseSound::PulseSound(int serverTimeoutMs) : m_timeoutMs(serverTimeoutMs) {}

PulseSound::~PulseSound() {
    m_asyncCancel = true;
    joinAsync();
}

void PulseSound::joinAsync() {
    if (m_async.joinable())
        m_async.join();
}

bool PulseSound::playWaveSync(const QString& path) {
    if (m_busy.exchange(true)) {
        m_lastError = QStringLiteral("another sound is playing");
        return false;
    }
    joinAsync(); // a finished asynchronous sound leaves its thread to be collected

    struct Job {
        std::atomic<bool> cancel{false};
        pulse::PlaybackResult result;
    };
    auto job = std::make_shared<Job>();
    const pulse::PlaybackRequest request = requestFor(path, true, m_timeoutMs);
    QEventLoop* loop = QCoreApplication::instance() ? new QEventLoop : nullptr;
    std::thread worker([job, request, loop] {
        job->result = pulse::playFile(request, job->cancel);
        if (loop)
            QMetaObject::invokeMethod(loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    if (loop) {
        loop->exec(QEventLoop::ExcludeUserInputEvents);
        // The loop also ends when the program quits: then the sound stops here.
        job->cancel = true;
    }
    worker.join();
    delete loop; // after the join: the worker's quit call may still be queued for it

    m_busy = false;
    m_lastError = QString::fromStdString(job->result.error);
    if (!job->result.played)
        report(job->result.error);
    return job->result.played;
}

bool PulseSound::playAsync(const QString& path) {
    if (m_busy.exchange(true))
        return false;
    joinAsync();
    m_asyncCancel = false;
    m_async = std::thread([this, request = requestFor(path, false, m_timeoutMs)] {
        const pulse::PlaybackResult r = pulse::playFile(request, m_asyncCancel);
        if (!r.played && r.error != "cancelled")
            report(r.error);
        m_busy = false;
    });
    return true;
}

} // namespace platform
