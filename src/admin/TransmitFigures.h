#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

// What the transmission log (sendelog.sqlite) says about the transmitter's use: keyings and
// transmit time today, over the last 7 days and since the operator's reset, the longest
// transmission and the watchdog cuts since then, the duty cycle of the last hour and the
// transmit minutes of each of the last 24 clock hours. The file is only read; a keying
// still going on counts up to now. Sums run in SQLite, so a year of records is read in a
// few milliseconds.
struct TransmitFigures {
    struct Span {
        int keyings = 0;
        std::int64_t ms = 0;
    };
    Span today;    // keyings begun since local midnight
    Span lastWeek; // begun since local midnight six days ago
    Span sinceReset;
    std::int64_t longestMs = 0; // since the reset
    int watchdogCuts = 0;       // since the reset
    double dutyLastHour = 0;    // share of the last 60 minutes keyed, 0 to 1
    // Keyed minutes per local clock hour; the last entry is the hour now running.
    std::array<double, 24> minutesPerHour{};
    QDateTime firstHour; // local start of minutesPerHour[0]
    // The latest keyings, newest first.
    struct Keying {
        QDateTime begin;        // local
        std::int64_t ms = -1;   // -1: still keyed
        QString speaker, cause; // cause empty while keyed
    };
    static constexpr int LatestShown = 500;
    std::vector<Keying> latest;
    // What happened at the station, newest first: local time and the German text.
    static constexpr int EventsShown = 200;
    std::vector<std::pair<QDateTime, QString>> events;
};

// sinceReset invalid: every record counts. nullopt and *error set when the file cannot be
// read; a file that does not exist yet has no keyings.
std::optional<TransmitFigures> readTransmitFigures(const QString& logFile, const QDateTime& now,
                                                   const QDateTime& sinceReset, QString* error);

// How the CSV is written: RFC 4180 with commas, or as a German spreadsheet reads it
// (semicolons, and a byte-order mark to tell UTF-8).
enum class CsvStyle { Comma, Excel };

// The keyings begun on the local days from..to as CSV (UTF-8, a header line, one keying per
// line ending in CRLF). Returns the number of keyings written, or nullopt with *error set.
std::optional<int> exportTransmissions(const QString& logFile, const QString& csvFile, QDate from,
                                       QDate to, QString* error, CsvStyle style = CsvStyle::Comma);

// The reset point of the transmit statistics, ts.ini [Sendestatistik] Seit (UTC); invalid
// when never reset.
QDateTime readTransmitReset(const QString& iniFile);
bool writeTransmitReset(const QString& iniFile, const QDateTime& at);
