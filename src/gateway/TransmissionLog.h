#pragma once

#include <QDateTime>
#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// Every keying of the transmitter as one record of sendelog.sqlite: start and end (UTC and
// local), duration, the speaker it was for and what ended it. The keyer only hands the
// events over; a thread of the log's own writes them, one transaction each, in WAL mode,
// so that neither a slow disk delays the keying nor a crash or power loss corrupts the
// file. A record a crash left open is closed at the next start with "Programm beendet",
// at the last second the log knew the transmitter keyed. A file it cannot use (not
// writable, damaged, from a newer version, which it leaves untouched) is told once; the
// program keys on without a log.
class TransmissionLog {
public:
    static constexpr const char* FileName = "sendelog.sqlite";
    static constexpr int SchemaVersion = 1;

    // warn: how the log tells a problem, from the log's thread (the caller queues it).
    TransmissionLog(const QString& path, std::function<void(const QString&)> warn);
    ~TransmissionLog(); // an open record ends with "Programm beendet"; waits for the writes
    TransmissionLog(const TransmissionLog&) = delete;
    TransmissionLog& operator=(const TransmissionLog&) = delete;

    void begin(const QString& speaker);
    void end(const QString& cause);
    // Blocks until everything handed over so far is written (tests, the benchmark).
    void flush();
    // The same for at most ms milliseconds, for an exit that cannot wait longer; true when
    // everything was written.
    bool flushFor(int ms);

private:
    struct Event {
        bool begin;
        QString text; // the speaker, or the cause
        QDateTime utc;
        std::int64_t monotonicMs;
    };
    void run();
    bool open();
    void write(const Event& e);
    void touch(); // the open record's last known time
    bool exec(const QString& sql, const QVariantList& values = {});
    void fail(const QString& why);

    const QString m_path;
    const QString m_connection;
    std::function<void(const QString&)> m_warn;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    std::deque<Event> m_events;
    bool m_busy = false;
    bool m_stop = false;
    bool m_usable = false;
    bool m_open = false;        // a record waits for its end
    std::int64_t m_beginMs = 0; // its start, monotonic
    std::thread m_thread;       // last: starts once everything else exists
};
