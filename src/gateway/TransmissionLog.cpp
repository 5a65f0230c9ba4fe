#include "TransmissionLog.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <chrono>

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
    {
        const std::lock_guard lock(m_mutex);
        m_events.push_back({true, speaker, QDateTime::currentDateTimeUtc(), monotonicMs()});
    }
    m_wake.notify_one();
}

void TransmissionLog::end(const QString& cause) {
    {
        const std::lock_guard lock(m_mutex);
        m_events.push_back({false, cause, QDateTime::currentDateTimeUtc(), monotonicMs()});
    }
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
    m_usable = open();
    std::unique_lock lock(m_mutex);
    for (;;) {
        // While a record is open, its last known time moves on every second: a crash then
        // ends it there, not at the next start.
        m_wake.wait_for(lock, std::chrono::seconds(1),
                        [this] { return m_stop || !m_events.empty(); });
        if (m_events.empty()) {
            if (m_stop)
                break;
            if (m_open && m_usable) {
                m_busy = true;
                lock.unlock();
                touch();
                lock.lock();
                m_busy = false;
            }
            m_done.notify_all();
            continue;
        }
        const Event e = m_events.front();
        m_events.pop_front();
        m_busy = true;
        lock.unlock();
        if (m_usable)
            write(e);
        lock.lock();
        m_busy = false;
        m_done.notify_all();
    }
    lock.unlock();
    QSqlDatabase::database(m_connection, false).close();
    QSqlDatabase::removeDatabase(m_connection);
}

bool TransmissionLog::exec(const QString& sql, const QVariantList& values) {
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!q.prepare(sql)) {
        fail(q.lastError().text());
        return false;
    }
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec()) {
        fail(q.lastError().text());
        return false;
    }
    return true;
}

void TransmissionLog::fail(const QString& why) {
    m_usable = false;
    if (m_warn)
        m_warn(QStringLiteral("Das Sendeprotokoll \"%1\" kann nicht geschrieben werden (%2). "
                              "Quorvex tastet weiter, ohne Protokoll.")
                   .arg(m_path, why));
    m_warn = nullptr; // once
}

bool TransmissionLog::open() {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(m_path);
    if (!db.isValid() || !db.open()) {
        fail(db.isValid() ? db.lastError().text() : QStringLiteral("kein SQLite-Treiber"));
        return false;
    }
    QSqlQuery version(db);
    if (!version.exec(QStringLiteral("PRAGMA user_version")) || !version.next()) {
        fail(version.lastError().text());
        return false;
    }
    const int found = version.value(0).toInt();
    version.finish();
    if (found > SchemaVersion) {
        if (m_warn)
            m_warn(QStringLiteral("Das Sendeprotokoll \"%1\" stammt von einer neueren Version "
                                  "von Quorvex und bleibt unber\u00FChrt; Quorvex tastet "
                                  "weiter, ohne Protokoll.")
                       .arg(m_path));
        m_warn = nullptr;
        return false;
    }
    m_usable = true; // for exec's sake
    if (!exec(QStringLiteral("PRAGMA journal_mode=WAL")) ||
        !exec(QStringLiteral("PRAGMA synchronous=NORMAL")))
        return false;
    if (found == 0 &&
        (!exec(QStringLiteral("CREATE TABLE IF NOT EXISTS sendungen ("
                              "id INTEGER PRIMARY KEY, sprecher TEXT NOT NULL, "
                              "beginn TEXT NOT NULL, beginn_lokal TEXT NOT NULL, "
                              "ende TEXT, ende_lokal TEXT, dauer_ms INTEGER, grund TEXT, "
                              "zuletzt TEXT)")) ||
         !exec(
             QStringLiteral("CREATE INDEX IF NOT EXISTS sendungen_beginn ON sendungen(beginn)")) ||
         !exec(QStringLiteral("PRAGMA user_version=%1").arg(SchemaVersion))))
        return false;
    // What a crash left open ends at its last known second.
    QSqlQuery open(db);
    if (!open.exec(
            QStringLiteral("SELECT id, beginn, zuletzt FROM sendungen WHERE ende IS NULL"))) {
        fail(open.lastError().text());
        return false;
    }
    while (open.next()) {
        const QDateTime begun = QDateTime::fromString(open.value(1).toString(), Qt::ISODateWithMs);
        QDateTime last = QDateTime::fromString(open.value(2).toString(), Qt::ISODateWithMs);
        if (!last.isValid() || last < begun)
            last = begun;
        if (!exec(QStringLiteral("UPDATE sendungen SET ende = ?, ende_lokal = ?, dauer_ms = ?, "
                                 "grund = 'Programm beendet' WHERE id = ?"),
                  {utcText(last), localText(last), QVariant::fromValue(begun.msecsTo(last)),
                   open.value(0)}))
            return false;
    }
    return true;
}

void TransmissionLog::write(const Event& e) {
    if (e.begin) {
        if (m_open)
            return; // keyed already: one record per keying
        m_open = exec(QStringLiteral("INSERT INTO sendungen (sprecher, beginn, beginn_lokal, "
                                     "zuletzt) VALUES (?, ?, ?, ?)"),
                      {e.text, utcText(e.utc), localText(e.utc), utcText(e.utc)});
        m_beginMs = e.monotonicMs;
        return;
    }
    if (!m_open)
        return;
    m_open = false;
    exec(
        QStringLiteral("UPDATE sendungen SET ende = ?, ende_lokal = ?, dauer_ms = ?, grund = ? "
                       "WHERE ende IS NULL"),
        {utcText(e.utc), localText(e.utc), QVariant::fromValue(e.monotonicMs - m_beginMs), e.text});
}

void TransmissionLog::touch() {
    exec(QStringLiteral("UPDATE sendungen SET zuletzt = ? WHERE ende IS NULL"),
         {utcText(QDateTime::currentDateTimeUtc())});
}
