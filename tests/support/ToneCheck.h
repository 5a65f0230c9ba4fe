#pragma once

// A small DTMF reader for tests: Goertzel power at the seven DTMF frequencies in
// 20 ms blocks; a digit is two or more blocks in a row with the same clear pair.
#include "DtmfTones.h"

#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <vector>

struct HeardDigit {
    char symbol;
    std::size_t firstSample;
};

inline std::vector<HeardDigit> hearDigits(const std::vector<std::int16_t>& samples, int rate) {
    const std::size_t block = static_cast<std::size_t>(rate) / 50;
    const double lows[] = {697, 770, 852, 941};
    const double highs[] = {1209, 1336, 1477};
    const auto share = [&](std::size_t start, double f, double energy) {
        const double k = 2 * std::cos(2 * std::numbers::pi * f / rate);
        double s1 = 0, s2 = 0;
        for (std::size_t i = 0; i < block; ++i) {
            const double s0 = samples[start + i] + k * s1 - s2;
            s2 = s1;
            s1 = s0;
        }
        const double power = s1 * s1 + s2 * s2 - k * s1 * s2;
        return 2 * power / (static_cast<double>(block) * energy);
    };
    std::vector<HeardDigit> heard;
    char run = 0;
    int runLength = 0;
    std::size_t runStart = 0;
    for (std::size_t start = 0; start + block <= samples.size(); start += block) {
        double energy = 0;
        for (std::size_t i = 0; i < block; ++i)
            energy += double(samples[start + i]) * samples[start + i];
        char symbol = 0;
        if (energy / static_cast<double>(block) > 100.0 * 100.0) {
            int lo = 0, hi = 0;
            double loShare = 0, hiShare = 0;
            for (int i = 0; i < 4; ++i) {
                if (const double v = share(start, lows[i], energy); v > loShare)
                    loShare = v, lo = i;
            }
            for (int i = 0; i < 3; ++i) {
                if (const double v = share(start, highs[i], energy); v > hiShare)
                    hiShare = v, hi = i;
            }
            if (loShare > 0.25 && hiShare > 0.25) {
                for (const auto& t : dtmf::Tones) {
                    if (t.low == lows[lo] && t.high == highs[hi])
                        symbol = t.symbol;
                }
            }
        }
        if (symbol != 0 && symbol == run) {
            if (++runLength == 2)
                heard.push_back({symbol, runStart});
        } else {
            run = symbol;
            runLength = symbol != 0 ? 1 : 0;
            runStart = start;
        }
    }
    return heard;
}

inline std::string heardString(const std::vector<std::int16_t>& samples, int rate) {
    std::string s;
    for (const HeardDigit& d : hearDigits(samples, rate))
        s += d.symbol;
    return s;
}
