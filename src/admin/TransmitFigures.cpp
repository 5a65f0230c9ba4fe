#include "TransmitFigures.h"

#include "DatabaseFiles.h"
#include "INIfile.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <atomic>

namespace {

QString utcText(const QDateTime& t) {
    return t.toUTC().toString(Qt::ISODateWithMs);
}

// A read-only connection of its own, gone with the object: the log's thread writes
// through another one, which WAL lets go on meanwhile.
class Reader {
public:
    explicit Reader(const QString& file) {
        static std::atomic<int> counter{0};
        m_name = QStringLiteral("sendelog-lesen-%1").arg(++counter);
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        m_error = platform::databaseFiles::refusal(file);
        if (!m_error.isEmpty())
            return; // a link is not followed to another database
        db.setDatabaseName(file);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=1000"));
        if (!db.open())
            m_error = platform::databaseFiles::reason(db.lastError());
    }
    ~Reader() {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    // Runs sql with the values bound in order; false and error() on failure.
    bool run(QSqlQuery& q, const QString& sql, const QVariantList& values) {
        if (!m_error.isEmpty())
            return false;
        q = QSqlQuery(QSqlDatabase::database(m_name, false));
        if (!q.prepare(sql)) {
            m_error = platform::databaseFiles::reason(q.lastError());
            return false;
        }
        for (const QVariant& v : values)
            q.addBindValue(v);
        if (!q.exec()) {
            m_error = platform::databaseFiles::reason(q.lastError());
            return false;
        }
        return true;
    }
    const QString& error() const { return m_error; }

private:
    QString m_name;
    QString m_error;
};

// The length of [b, e) within [from, to), in ms.
std::int64_t overlapMs(const QDateTime& b, const QDateTime& e, const QDateTime& from,
                       const QDateTime& to) {
    return std::max<std::int64_t>(0, std::min(e, to).toMSecsSinceEpoch() -
                                         std::max(b, from).toMSecsSinceEpoch());
}

// A CSV cell: quoted where it must be, and never read as a formula by a spreadsheet (a
// speaker's name is chosen by whoever joins the server): a cell that starts with a tab or
// a carriage return, or whose first character after blanks starts a formula, gets a quote.
QString csvCell(QString text, QChar separator) {
    const auto first = std::find_if(text.cbegin(), text.cend(), [](QChar c) {
        return c != QLatin1Char(' ') && c != QLatin1Char('\t') && c != QLatin1Char('\r') &&
               c != QLatin1Char('\n');
    });
    if (!text.isEmpty() && (QStringLiteral("\t\r").contains(text.front()) ||
                            (first != text.cend() && QStringLiteral("=+-@").contains(*first))))
        text.prepend(QLatin1Char('\''));
    if (text.contains(separator) || text.contains(QLatin1Char('"')) ||
        text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')) ||
        text.contains(QLatin1Char('\''))) {
        text.replace(QLatin1String("\""), QLatin1String("\"\""));
        text = QLatin1Char('"') + text + QLatin1Char('"');
    }
    return text;
}

} // namespace

std::optional<TransmitFigures> readTransmitFigures(const QString& logFile, const QDateTime& now,
                                                   const QDateTime& sinceReset, QString* error) {
    TransmitFigures f;
    const QDateTime local = now.toLocalTime();
    const QDateTime hourNow(local.date(), QTime(local.time().hour(), 0));
    f.firstHour = hourNow.addSecs(-23 * 3600);
    if (!QFileInfo::exists(logFile))
        return f;

    Reader db(logFile);
    const auto failed = [&]() -> std::optional<TransmitFigures> {
        if (error)
            *error = db.error();
        return std::nullopt;
    };
    if (!db.error().isEmpty())
        return failed();
    const QString nowText = utcText(now);
    // A keying still going on has no duration yet: it counts up to now.
    const QString duration =
        QStringLiteral("COALESCE(dauer_ms, (julianday(?) - julianday(beginn)) * 86400000.0)");
    QSqlQuery q;
    const auto span = [&](const QDateTime& from, TransmitFigures::Span& out) {
        if (!db.run(q,
                    QStringLiteral("SELECT COUNT(*), TOTAL(%1), MAX(%1), TOTAL(grund = 'Watchdog') "
                                   "FROM sendungen WHERE beginn >= ?")
                        .arg(duration),
                    {nowText, nowText, from.isValid() ? utcText(from) : QStringLiteral("0")}) ||
            !q.next())
            return false;
        out = {q.value(0).toInt(), static_cast<std::int64_t>(q.value(1).toDouble())};
        return true;
    };
    const QDateTime midnight(local.date(), QTime(0, 0));
    if (!span(midnight, f.today) || !span(midnight.addDays(-6), f.lastWeek) ||
        !span(sinceReset, f.sinceReset))
        return failed();
    f.longestMs = static_cast<std::int64_t>(q.value(2).toDouble());
    f.watchdogCuts = static_cast<int>(q.value(3).toDouble());

    // The last 24 clock hours, from the records that reach into them (no keying lasts a
    // day: the watchdog cuts long before).
    const QDateTime windowStart = std::min(f.firstHour, now.addSecs(-3600));
    if (!db.run(q,
                QStringLiteral("SELECT beginn, COALESCE(ende, ?) FROM sendungen "
                               "WHERE beginn >= ? AND COALESCE(ende, ?) > ?"),
                {nowText, utcText(windowStart.addDays(-1)), nowText, utcText(windowStart)}))
        return failed();
    while (q.next()) {
        const QDateTime b = QDateTime::fromString(q.value(0).toString(), Qt::ISODateWithMs);
        const QDateTime e = QDateTime::fromString(q.value(1).toString(), Qt::ISODateWithMs);
        if (!b.isValid() || !e.isValid())
            continue;
        for (std::size_t i = 0; i < f.minutesPerHour.size(); ++i) {
            const QDateTime hour = f.firstHour.addSecs(static_cast<qint64>(i) * 3600);
            f.minutesPerHour[i] += overlapMs(b, e, hour, hour.addSecs(3600)) / 60000.0;
        }
        f.dutyLastHour += overlapMs(b, e, now.addSecs(-3600), now) / 3600000.0;
    }
    if (!db.run(q,
                QStringLiteral("SELECT beginn, dauer_ms, sprecher, grund FROM sendungen "
                               "ORDER BY beginn DESC LIMIT %1")
                    .arg(TransmitFigures::LatestShown),
                {}))
        return failed();
    while (q.next())
        f.latest.push_back(
            {QDateTime::fromString(q.value(0).toString(), Qt::ISODateWithMs).toLocalTime(),
             q.value(1).isNull() ? -1 : q.value(1).toLongLong(), q.value(2).toString(),
             q.value(3).toString()});
    // A file an older program wrote has no events yet: that is no failure.
    if (db.run(q,
               QStringLiteral("SELECT zeit, text FROM ereignisse ORDER BY id DESC LIMIT %1")
                   .arg(TransmitFigures::EventsShown),
               {})) {
        while (q.next())
            f.events.emplace_back(
                QDateTime::fromString(q.value(0).toString(), Qt::ISODateWithMs).toLocalTime(),
                q.value(1).toString());
    }
    return f;
}

std::optional<int> exportTransmissions(const QString& logFile, const QString& csvFile, QDate from,
                                       QDate to, QString* error, CsvStyle style) {
    const auto fail = [error](const QString& why) -> std::optional<int> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    if (!QFileInfo::exists(logFile))
        return fail(QStringLiteral("Es gibt noch kein Sendeprotokoll."));
    Reader db(logFile);
    QSqlQuery q;
    // beginn_lokal starts with the local date, so the range is a comparison of texts.
    if (!db.error().isEmpty() ||
        !db.run(q,
                QStringLiteral("SELECT beginn, ende, beginn_lokal, ende_lokal, dauer_ms, sprecher, "
                               "grund FROM sendungen WHERE beginn_lokal >= ? AND beginn_lokal < ? "
                               "ORDER BY beginn"),
                {from.toString(Qt::ISODate), to.addDays(1).toString(Qt::ISODate)}))
        return fail(db.error());
    QSaveFile out(csvFile);
    if (!out.open(QIODevice::WriteOnly))
        return fail(out.errorString());
    const QChar separator = style == CsvStyle::Excel ? QLatin1Char(';') : QLatin1Char(',');
    const QString lineEnd = QStringLiteral("\r\n");
    QString text = QStringLiteral("beginn,ende,beginn_lokal,ende_lokal,dauer_ms,sprecher,grund")
                       .replace(QLatin1Char(','), separator) +
                   lineEnd;
    int count = 0;
    while (q.next()) {
        QStringList cells;
        for (int i = 0; i < 7; ++i)
            cells << csvCell(q.value(i).toString(), separator);
        text += cells.join(separator) + lineEnd;
        ++count;
    }
    if (style == CsvStyle::Excel)
        out.write("\xEF\xBB\xBF");
    out.write(text.toUtf8());
    if (!out.commit())
        return fail(out.errorString());
    return count;
}

QDateTime readTransmitReset(const QString& iniFile) {
    return QDateTime::fromString(
        INIfile::INIRead(iniFile, QStringLiteral("Sendestatistik"), QStringLiteral("Seit"))
            .trimmed(),
        Qt::ISODateWithMs);
}

bool writeTransmitReset(const QString& iniFile, const QDateTime& at) {
    return INIfile::INIWrite(iniFile, QStringLiteral("Sendestatistik"), QStringLiteral("Seit"),
                             utcText(at)) != 0;
}
