#pragma once

#include <QDateTime>
#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class QSqlError;

// Every keying of the transmitter as one record of sendelog.sqlite: start and end (UTC and
// local), duration, the speaker it was for and what ended it. The keyer only hands the
// events over; a thread of the log's own writes them, one transaction each, in WAL mode,
// so that neither a slow disk delays the keying nor a crash or power loss corrupts the
// file. A record a crash left open is closed at the next start with "Programm beendet",
// at the last second the log knew the transmitter keyed. A file another program holds
// locked is waited for: the events wait in memory (up to MaxWaiting) and are written once
// it is free. A file it cannot use (not writable, damaged, a symbolic link, from a newer
// version, which it leaves untouched) is told once; the program keys on without a log.
// The files are the user's alone (0600): they name every speaker and time.
class TransmissionLog {
public:
    static constexpr const char* FileName = "sendelog.sqlite";
    // 2: the table "ereignisse" beside "sendungen" (added to a file of version 1).
    static constexpr int SchemaVersion = 2;
    // Events kept while the file is locked; beyond them whole keyings are dropped, told once.
    static constexpr std::size_t MaxWaiting = 20000;
    static constexpr int RetryMs = 1000;
    // How long the end of the program waits for a locked file.
    static constexpr int FinalWaitMs = 3000;

    // warn: how the log tells a problem, from the log's thread (the caller queues it).
    TransmissionLog(const QString& path, std::function<void(const QString&)> warn);
    ~TransmissionLog(); // an open record ends with "Programm beendet"; waits for the writes
    TransmissionLog(const TransmissionLog&) = delete;
    TransmissionLog& operator=(const TransmissionLog&) = delete;

    void begin(const QString& speaker);
    void end(const QString& cause);
    // What happened at the station, in German, for the operator's event list.
    void note(const QString& text);
    // Blocks until everything handed over so far is written (tests, the benchmark).
    void flush();
    // The same for at most ms milliseconds, for an exit that cannot wait longer; true when
    // everything was written.
    bool flushFor(int ms);

private:
    struct Event {
        enum class Kind { Begin, End, Note } kind;
        QString text; // the speaker, or the cause
        QDateTime utc;
        std::int64_t monotonicMs;
    };
    // What became of a step: done, to be tried again (the file is locked), or given up.
    enum class Outcome { Done, Busy, Broken };

    void hand(Event e);
    void run();
    Outcome open();
    Outcome write(const Event& e);
    void touch(); // the open record's last known time
    Outcome exec(const QString& sql, const QVariantList& values = {});
    Outcome failed(const QSqlError& error);
    void fail(const QString& why);
    void warnOnce(const QString& text);
    void busyChanged(bool busy);

    const QString m_path;
    const QString m_connection;
    std::mutex m_warnMutex; // m_warn is taken once, from either thread
    std::function<void(const QString&)> m_warn;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    std::deque<Event> m_events;
    bool m_busy = true; // the thread is opening or writing
    bool m_stop = false;
    bool m_dropping = false; // a keying's begin was dropped: its end goes too
    bool m_toldDropping = false;
    // The log's thread alone.
    bool m_usable = false;
    bool m_broken = false;      // given up: events are dropped
    bool m_locked = false;      // the file is locked by another: retried every RetryMs
    bool m_open = false;        // a record waits for its end
    std::int64_t m_beginMs = 0; // its start, monotonic
    std::thread m_thread;       // last: starts once everything else exists
};
