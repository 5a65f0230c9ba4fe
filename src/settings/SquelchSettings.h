#pragma once

#include <QString>

// The squelch input as ts.ini keeps it, section "Squelch": Quelle (Aus, DCD, CTS, DSR, RI,
// Audio, or from the keying interface: CM108 with Eingang VolUp, VolDown, PlayMute or
// RecMute, Hamlib for the radio's DCD, GPIO with Eingang the line of the keying chip), Aktiv (Hoch
// or Tief), Oeffnen (open delay, ms), Haltezeit (ms), Zeitlimit (minutes, 0: none), Schwelle (dBFS,
// for Audio), Tonquelle (a sound server source, empty: its default). A missing or unusable value is
// its default; a missing Quelle is Aus.
struct SquelchSettings {
    enum class Source { Off, Dcd, Cts, Dsr, Ri, Audio, Cm108, Hamlib, Gpio };
    Source source = Source::Off;
    int cm108Input = 1; // 0 VolUp, 1 VolDown, 2 PlayMute, 3 RecMute
    int gpioInput = 0;  // GPIO: the line of the keying chip
    bool activeHigh = true;
    int openDelayMs = 20;
    int hangMs = 300;
    int timeoutMinutes = 5;
    int thresholdDb = -35;
    QString soundSource;

    static constexpr int MaxDelayMs = 5000;
    static constexpr int MaxTimeoutMinutes = 120;
    static constexpr int MinThresholdDb = -90;

    bool operator==(const SquelchSettings&) const = default;
};

// The words of Quelle, in the order of Source, and of Eingang.
QString squelchSourceWord(SquelchSettings::Source source);
inline constexpr const char* Cm108InputWords[] = {"VolUp", "VolDown", "PlayMute", "RecMute"};
SquelchSettings readSquelchSettings(const QString& iniFile);
bool writeSquelchSettings(const QString& iniFile, const SquelchSettings& settings);
