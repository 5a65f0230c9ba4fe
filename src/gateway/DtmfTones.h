#pragma once

#include <array>

// The keypad's twelve tones: 0 to 9, then 10 for "*" and 11 for "#", each the pair of a
// low-group and a high-group frequency (Hz) of the DTMF standard.
namespace dtmf {

struct TonePair {
    double low;
    double high;
    char symbol;
};

inline constexpr std::array<TonePair, 12> Tones{{
    {941, 1336, '0'},
    {697, 1209, '1'},
    {697, 1336, '2'},
    {697, 1477, '3'},
    {770, 1209, '4'},
    {770, 1336, '5'},
    {770, 1477, '6'},
    {852, 1209, '7'},
    {852, 1336, '8'},
    {852, 1477, '9'},
    {941, 1209, '*'},
    {941, 1477, '#'},
}};

// The tone files: a tone of ToneMs with RampMs fades, then PauseMs of silence, so that
// a string of equal digits is heard (and decoded) as separate digits.
inline constexpr int SampleRate = 16000;
inline constexpr int ToneMs = 100;
inline constexpr int RampMs = 5;
inline constexpr int PauseMs = 60;

} // namespace dtmf
