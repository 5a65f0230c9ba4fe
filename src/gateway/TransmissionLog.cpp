#include "TransmissionLog.h"

#include "DatabaseFiles.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <chrono>
#include <cstdio>

namespace {

std::int64_t monotonicMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

QString utcText(const QDateTime& t) {
    return t.toUTC().toString(Qt::ISODateWithMs);
}

QString localText(const QDateTime& t) {
    return t.toLocalTime()
        .toOffsetFromUtc(t.toLocalTime().offsetFromUtc())
        .toString(Qt::ISODateWithMs);
}

} // namespace

TransmissionLog::TransmissionLog(const QString& path, std::function<void(const QString&)> warn)
    : m_path(path),
      m_connection(QStringLiteral("sendelog-%1").arg(reinterpret_cast<quintptr>(this))),
      m_warn(std::move(warn)), m_thread([this] { run(); }) {}

TransmissionLog::~TransmissionLog() {
    end(QStringLiteral("Programm beendet"));
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void TransmissionLog::begin(const QString& speaker) {
    hand({Event::Kind::Begin, speaker, QDateTime::currentDateTimeUtc(), monotonicMs()});
}

void TransmissionLog::end(const QString& cause) {
    hand({Event::Kind::End, cause, QDateTime::currentDateTimeUtc(), monotonicMs()});
}

void TransmissionLog::note(const QString& text) {
    std::fprintf(stderr, "quorvex: %s\n", text.toLocal8Bit().constData());
    hand({Event::Kind::Note, text, QDateTime::currentDateTimeUtc(), monotonicMs()});
}

// While the file is locked the events wait here. Past the bound a whole keying is
// dropped (its begin, then its end), never the end of one already handed over.
void TransmissionLog::hand(Event e) {
    bool tell = false;
    {
        const std::lock_guard lock(m_mutex);
        if (e.kind != Event::Kind::End && m_events.size() >= MaxWaiting) {
            m_dropping = e.kind == Event::Kind::Begin;
            tell = !std::exchange(m_toldDropping, true);
        } else if (e.kind == Event::Kind::End && m_dropping) {
            m_dropping = false;
        } else {
            m_events.push_back(std::move(e));
        }
    }
    if (tell)
        warnOnce(QStringLiteral("Das Sendeprotokoll \"%1\" ist seit l\u00E4ngerem von einem "
                                "anderen Programm gesperrt; weitere Sendungen werden nicht "
                                "protokolliert, bis es wieder frei ist.")
                     .arg(m_path));
    m_wake.notify_one();
}

void TransmissionLog::flush() {
    std::unique_lock lock(m_mutex);
    m_done.wait(lock, [this] { return m_events.empty() && !m_busy; });
}

bool TransmissionLog::flushFor(int ms) {
    std::unique_lock lock(m_mutex);
    return m_done.wait_for(lock, std::chrono::milliseconds(ms),
                           [this] { return m_events.empty() && !m_busy; });
}

void TransmissionLog::run() {
    std::unique_lock lock(m_mutex);
    std::int64_t stopDeadline = -1;
    for (;;) {
        // Opened late where the file was locked at start.
        if (!m_usable && !m_broken) {
            m_busy = true;
            lock.unlock();
            const Outcome opened = open();
            lock.lock();
            m_busy = false;
            m_usable = opened == Outcome::Done;
            m_broken = opened == Outcome::Broken;
            busyChanged(opened == Outcome::Busy);
        }
        if (m_broken)
            m_events.clear();
        // Written in order; a locked file keeps the rest waiting.
        while (m_usable && !m_events.empty()) {
            const Event e = m_events.front();
            m_busy = true;
            lock.unlock();
            const Outcome written = write(e);
            lock.lock();
            m_busy = false;
            busyChanged(written == Outcome::Busy);
            if (written == Outcome::Busy)
                break;
            if (written == Outcome::Broken) {
                m_events.clear();
                break;
            }
            m_events.pop_front();
        }
        m_done.notify_all();
        if (m_stop) {
            if (m_events.empty() || m_broken)
                break;
            // A lock at the end is waited for a little, not for ever.
            if (stopDeadline < 0)
                stopDeadline = monotonicMs() + FinalWaitMs;
            if (monotonicMs() >= stopDeadline) {
                std::fprintf(stderr,
                             "quorvex: Sendeprotokoll gesperrt, %zu Eintr\u00E4ge gehen "
                             "verloren\n",
                             m_events.size());
                break;
            }
        }
        // While a record is open, its last known time moves on every second: a crash then
        // ends it there, not at the next start. A locked file is tried again each RetryMs.
        const bool waiting = m_locked || (!m_usable && !m_broken);
        const bool woken = m_wake.wait_for(lock, std::chrono::milliseconds(RetryMs), [&] {
            return m_stop || (!waiting && !m_events.empty());
        });
        if (!woken && m_open && m_usable && !m_locked && m_events.empty()) {
            m_busy = true;
            lock.unlock();
            touch();
            lock.lock();
            m_busy = false;
        }
    }
    lock.unlock();
    QSqlDatabase::database(m_connection, false).close();
    QSqlDatabase::removeDatabase(m_connection);
}

// Said on standard error for a service's journal, and kept for the event list: the file is
// locked (written first once it is free, before what waited), or free again. Called with
// m_mutex held.
void TransmissionLog::busyChanged(bool busy) {
    if (busy == m_locked)
        return;
    m_locked = busy;
    const QString text = busy ? QStringLiteral("Sendeprotokoll gesperrt, Eintr\u00E4ge warten")
                              : QStringLiteral("Sendeprotokoll wieder frei");
    std::fprintf(stderr, "quorvex: %s\n", text.toLocal8Bit().constData());
    Event note{Event::Kind::Note, text, QDateTime::currentDateTimeUtc(), monotonicMs()};
    if (busy)
        m_events.push_front(std::move(note));
    else
        m_events.push_back(std::move(note));
}

TransmissionLog::Outcome TransmissionLog::failed(const QSqlError& error) {
    // SQLITE_BUSY and SQLITE_LOCKED, with their extended codes: another holds the file.
    const int code = error.nativeErrorCode().toInt() & 0xff;
    if (code == 5 || code == 6)
        return Outcome::Busy;
    fail(platform::databaseFiles::reason(error));
    return Outcome::Broken;
}

TransmissionLog::Outcome TransmissionLog::exec(const QString& sql, const QVariantList& values) {
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!q.prepare(sql))
        return failed(q.lastError());
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec())
        return failed(q.lastError());
    return Outcome::Done;
}

void TransmissionLog::fail(const QString& why) {
    warnOnce(QStringLiteral("Das Sendeprotokoll \"%1\" kann nicht geschrieben werden. Quorvex "
                            "tastet weiter, ohne Protokoll. (%2)")
                 .arg(m_path, why));
}

void TransmissionLog::warnOnce(const QString& text) {
    std::function<void(const QString&)> warn;
    {
        const std::lock_guard lock(m_warnMutex);
        warn = std::exchange(m_warn, nullptr);
    }
    if (warn)
        warn(text);
}

TransmissionLog::Outcome TransmissionLog::open() {
    if (const QString refused = platform::databaseFiles::refusal(m_path); !refused.isEmpty()) {
        fail(refused);
        return Outcome::Broken;
    }
    platform::databaseFiles::createPrivate(m_path);
    platform::databaseFiles::keepPrivate(m_path);
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.isValid()) {
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
        db.setDatabaseName(m_path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(RetryMs));
    }
    if (!db.isValid()) {
        fail(QStringLiteral("kein SQLite-Treiber"));
        return Outcome::Broken;
    }
    if (!db.isOpen() && !db.open())
        return failed(db.lastError());
    QSqlQuery version(db);
    if (!version.exec(QStringLiteral("PRAGMA user_version")) || !version.next())
        return failed(version.lastError());
    const int found = version.value(0).toInt();
    version.finish();
    if (found > SchemaVersion) {
        warnOnce(QStringLiteral("Das Sendeprotokoll \"%1\" stammt von einer neueren Version "
                                "von Quorvex und bleibt unber\u00FChrt; Quorvex tastet "
                                "weiter, ohne Protokoll.")
                     .arg(m_path));
        return Outcome::Broken;
    }
    for (const char* sql : {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=NORMAL"}) {
        if (const Outcome o = exec(QLatin1String(sql)); o != Outcome::Done)
            return o;
    }
    if (found < SchemaVersion) {
        for (const QString& sql :
             {QStringLiteral("CREATE TABLE IF NOT EXISTS sendungen ("
                             "id INTEGER PRIMARY KEY, sprecher TEXT NOT NULL, "
                             "beginn TEXT NOT NULL, beginn_lokal TEXT NOT NULL, "
                             "ende TEXT, ende_lokal TEXT, dauer_ms INTEGER, grund TEXT, "
                             "zuletzt TEXT)"),
              QStringLiteral("CREATE INDEX IF NOT EXISTS sendungen_beginn ON sendungen(beginn)"),
              QStringLiteral("CREATE TABLE IF NOT EXISTS ereignisse (id INTEGER PRIMARY KEY, "
                             "zeit TEXT NOT NULL, zeit_lokal TEXT NOT NULL, text TEXT NOT NULL)"),
              QStringLiteral("PRAGMA user_version=%1").arg(SchemaVersion)}) {
            if (const Outcome o = exec(sql); o != Outcome::Done)
                return o;
        }
    }
    // What a crash left open ends at its last known second.
    QSqlQuery open(db);
    if (!open.exec(QStringLiteral("SELECT id, beginn, zuletzt FROM sendungen WHERE ende IS NULL")))
        return failed(open.lastError());
    while (open.next()) {
        const QDateTime begun = QDateTime::fromString(open.value(1).toString(), Qt::ISODateWithMs);
        QDateTime last = QDateTime::fromString(open.value(2).toString(), Qt::ISODateWithMs);
        if (!last.isValid() || last < begun)
            last = begun;
        if (const Outcome o =
                exec(QStringLiteral("UPDATE sendungen SET ende = ?, ende_lokal = ?, dauer_ms = ?, "
                                    "grund = 'Programm beendet' WHERE id = ?"),
                     {utcText(last), localText(last), QVariant::fromValue(begun.msecsTo(last)),
                      open.value(0)});
            o != Outcome::Done)
            return o;
    }
    return Outcome::Done;
}

TransmissionLog::Outcome TransmissionLog::write(const Event& e) {
    if (e.kind == Event::Kind::Note)
        return exec(
            QStringLiteral("INSERT INTO ereignisse (zeit, zeit_lokal, text) VALUES (?, ?, ?)"),
            {utcText(e.utc), localText(e.utc), e.text});
    if (e.kind == Event::Kind::Begin) {
        if (m_open)
            return Outcome::Done; // keyed already: one record per keying
        const Outcome o =
            exec(QStringLiteral("INSERT INTO sendungen (sprecher, beginn, beginn_lokal, "
                                "zuletzt) VALUES (?, ?, ?, ?)"),
                 {e.text, utcText(e.utc), localText(e.utc), utcText(e.utc)});
        if (o == Outcome::Done) {
            m_open = true;
            m_beginMs = e.monotonicMs;
        }
        return o;
    }
    if (!m_open)
        return Outcome::Done;
    const Outcome o = exec(
        QStringLiteral("UPDATE sendungen SET ende = ?, ende_lokal = ?, dauer_ms = ?, grund = ? "
                       "WHERE ende IS NULL"),
        {utcText(e.utc), localText(e.utc), QVariant::fromValue(e.monotonicMs - m_beginMs), e.text});
    if (o != Outcome::Busy)
        m_open = false;
    return o;
}

void TransmissionLog::touch() {
    exec(QStringLiteral("UPDATE sendungen SET zuletzt = ? WHERE ende IS NULL"),
         {utcText(QDateTime::currentDateTimeUtc())});
}
