#include "DtmfDecoder.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

namespace dtmf {
namespace {

// The eight DTMF frequencies, then their second harmonics.
constexpr std::array<double, Decoder::Bins> Frequencies{
    697, 770, 852, 941, 1209, 1336, 1477, 1633, 1394, 1540, 1704, 1882, 2418, 2672, 2954, 3266};
constexpr char Symbols[4][4] = {
    {'1', '2', '3', 'A'}, {'4', '5', '6', 'B'}, {'7', '8', '9', 'C'}, {'*', '0', '#', 'D'}};
// The low group is judged over the whole window (its tones lie 73 to 89 Hz apart), the
// high group over its newer half (127 to 156 Hz apart): a shorter look loses less of a
// tone that is a little off its frequency.
constexpr int LowBlocks = 4;
constexpr int HighBlocks = 2;

double fromDb(double db) {
    return std::pow(10.0, db / 10.0);
}

// How much of a tone's power a rectangular window of n samples shows at a bin that
// lies delta Hz away from it.
double windowResponse(double delta, int n) {
    const double x = std::numbers::pi * delta / DecoderRate;
    if (std::abs(x) < 1e-12)
        return 1.0;
    const double r = std::sin(n * x) / (n * std::sin(x));
    return r * r;
}

} // namespace

namespace {
// Butterworth sections (Q = 1/sqrt 2) after the audio cookbook's formulas.
Decoder::Biquad section(bool highPass, double corner) {
    const double w = 2 * std::numbers::pi * corner / DecoderRate;
    const double alpha = std::sin(w) / (2 * std::numbers::sqrt2 / 2);
    const double c = std::cos(w);
    const double a0 = 1 + alpha;
    const double b1 = highPass ? -(1 + c) : 1 - c;
    const double b0 = highPass ? (1 + c) / 2 : (1 - c) / 2;
    return {b0 / a0, b1 / a0, b0 / a0, -2 * c / a0, (1 - alpha) / a0};
}
} // namespace

double Decoder::Biquad::gain(double f) const {
    const std::complex<double> z = std::polar(1.0, -2 * std::numbers::pi * f / DecoderRate);
    return std::norm((b0 + b1 * z + b2 * z * z) / (1.0 + a1 * z + a2 * z * z));
}

Decoder::Decoder(Listener listener) : m_listener(std::move(listener)) {
    for (std::size_t f = 0; f < Frequencies.size(); ++f) {
        m_step[f] = std::polar(1.0, -2 * std::numbers::pi * Frequencies[f] / DecoderRate);
        m_phase[f] = 1.0;
    }
    m_band = {section(true, BandLowHz), section(true, BandLowHz), section(false, BandHighHz),
              section(false, BandHighHz)};
    for (std::size_t f = 0; f < 8; ++f) {
        m_aboveGain[f] = m_band[0].gain(Frequencies[f]) * m_band[1].gain(Frequencies[f]);
        m_bandGain[f] =
            m_aboveGain[f] * m_band[2].gain(Frequencies[f]) * m_band[3].gain(Frequencies[f]);
    }
}

void Decoder::feed(std::span<const std::int16_t> samples) {
    for (const std::int16_t s : samples) {
        const double x = s;
        for (std::size_t f = 0; f < Frequencies.size(); ++f) {
            m_current.bins[f] += x * m_phase[f];
            m_phase[f] *= m_step[f];
        }
        m_current.energy += x * x;
        const double above = m_band[1].run(m_band[0].run(x));
        const double band = m_band[3].run(m_band[2].run(above));
        m_current.aboveEnergy += above * above;
        m_current.bandEnergy += band * band;
        ++m_sample;
        if (++m_fill == SubBlock) {
            for (auto& p : m_phase)
                p /= std::abs(p); // no drift however long the input runs
            analyse(m_current);
            m_current = Block{};
            m_fill = 0;
        }
    }
}

void Decoder::flush() {
    if (m_pair >= 0 && m_reported)
        emit(Symbols[m_pair / 4][m_pair % 4], false, m_lastPresentMs);
    m_pair = -1;
}

void Decoder::emit(char digit, bool started, std::int64_t ms) {
    if (m_listener)
        m_listener({digit, started, ms});
}

double Decoder::pairPower(const Block& b, int pair) const {
    const auto power = [&](std::size_t f) {
        return 2 * std::norm(b.bins[f]) / (double(SubBlock) * SubBlock);
    };
    return power(static_cast<std::size_t>(pair / 4)) +
           power(static_cast<std::size_t>(4 + pair % 4));
}

int Decoder::windowPair(Window& window) {
    const auto sum = [&](std::size_t f, int blocks) {
        std::complex<double> x{};
        for (int i = 0; i < std::min(blocks, m_blocks); ++i)
            x += recent(i).bins[f];
        return x;
    };
    // 0 to 7: each frequency over its group's look; 8 to 11: the high group over the
    // whole window too; 12 to 19: all of them over the long look.
    std::array<double, 20> power{};
    const auto frequencyOf = [](std::size_t w) { return w < 8 ? w : w < 12 ? w - 4 : w - 12; };
    for (std::size_t w = 0; w < window.size(); ++w) {
        const std::size_t f = frequencyOf(w);
        const int blocks = w < 4 || (w >= 8 && w < 12) ? LowBlocks
                           : w < 8                     ? HighBlocks
                                                       : LongBlocks;
        const double n = double(blocks) * SubBlock;
        window[w] = sum(f, blocks);
        power[w] = 2 * std::norm(window[w]) / (n * n);
    }
    const auto best = [&](std::size_t first) {
        std::size_t top = first, second = first + 1;
        if (power[second] > power[top])
            std::swap(top, second);
        for (std::size_t f = first + 2; f < first + 4; ++f) {
            if (power[f] > power[top]) {
                second = top;
                top = f;
            } else if (power[f] > power[second]) {
                second = f;
            }
        }
        return std::pair{top, second};
    };
    const auto leads = [&](std::pair<std::size_t, std::size_t> p, double db) {
        return power[p.second] * fromDb(db) <= power[p.first];
    };
    // What only a pair in noise may use (see the end): the high group over the longer
    // look, 3 dB more against noise, a smaller lead in each group, and both groups over
    // 40 ms. They would let a voice's wavering harmonics pass as well.
    struct Look {
        std::size_t lw, hw; // the windows of the two tones
        int lowBlocks, highBlocks;
    };
    bool& noiseOnly = m_noiseOnlyWindow; // what the last look found needed
    noiseOnly = false;
    const auto usual = [&]() -> std::optional<Look> {
        const auto lowBest = best(0);
        if (!leads(lowBest, MinGroupLeadDb)) {
            noiseOnly = true;
            if (!leads(lowBest, NoisyGroupLeadDb))
                return std::nullopt;
        }
        std::size_t hw = best(4).first;
        bool wide = false;
        if (!leads(best(4), MinGroupLeadDb)) {
            hw = best(8).first;
            wide = true;
            if (!leads(best(8), noiseOnly ? NoisyGroupLeadDb : MinGroupLeadDb)) {
                noiseOnly = true;
                if (!leads(best(8), NoisyGroupLeadDb))
                    return std::nullopt;
            }
        }
        noiseOnly = noiseOnly || wide;
        return Look{lowBest.first, hw, LowBlocks, wide ? LowBlocks : HighBlocks};
    };
    // The rules for the tones a look found.
    const auto judge = [&](const Look& look, bool noiseOnly) -> int {
        const std::size_t lw = look.lw, hw = look.hw;
        const std::size_t low = frequencyOf(lw), high = frequencyOf(hw);
        const int lowBlocks = look.lowBlocks, highBlocks = look.highBlocks;
        const int pair = static_cast<int>(low) * 4 + static_cast<int>(high - 4);

        // The pair sounds through this window and the one before: a window that holds a
        // tone's start or end measures neither its frequency nor its share truly.
        if (m_blocks < std::max(History, lowBlocks + 1))
            return -1;
        double strongest = 0, weakest = 1e300;
        for (int i = 0; i < History; ++i) {
            const double pw = pairPower(recent(i), pair);
            strongest = std::max(strongest, pw);
            weakest = std::min(weakest, pw);
        }
        // (Judged below, once it is known whether the rest is noise.)

        // Each tone's offset from its frequency, from the phase step since the last window.
        const double stepSeconds = double(SubBlock) / DecoderRate;
        std::array<double, 2> truePower{};
        int k = 0;
        for (const std::size_t w : {lw, hw}) {
            const std::size_t f = frequencyOf(w);
            const double turn = std::arg(window[w] * std::conj(m_lastWindow[w]));
            const double delta = turn / (2 * std::numbers::pi * stepSeconds);
            if (std::abs(delta) > MaxDeviation * Frequencies[f])
                return -1;
            const int n = (f < 4 ? lowBlocks : highBlocks) * SubBlock;
            // A long look at a tone far off its frequency shows little of it: in noise that
            // little is mostly noise, which the correction would raise to a tone.
            const double response = windowResponse(delta, n);
            if (noiseOnly && response < MinNoisyResponse)
                return -1;
            truePower[static_cast<std::size_t>(k++)] = power[w] / response;
        }
        const double full = 32768.0 * std::pow(10.0, MinToneLevelDbfs / 20.0);
        const double minPower = full * full / 2;
        if (truePower[0] < minPower || truePower[1] < minPower)
            return -1;
        const double twist = 10 * std::log10(truePower[1] / truePower[0]);
        if (twist > MaxHighOverLowDb || -twist > MaxLowOverHighDb)
            return -1;
        // Mean power per sample over the newest blocks, of the whole input, of what lies above
        // the band's low edge, and of the band.
        const auto mean = [&](int blocks, double Block::*part) {
            double e = 0;
            for (int i = 0; i < blocks; ++i)
                e += recent(i).*part;
            return e / (blocks * SubBlock);
        };
        const double whole = mean(lowBlocks, &Block::energy);
        const double above = mean(lowBlocks, &Block::aboveEnergy);
        const double band = mean(lowBlocks, &Block::bandEnergy);
        // Outside the band, less what the pair itself puts there.
        const double pl = truePower[0], ph = truePower[1];
        const double wholeRest = whole - pl - ph;
        const double aboveRest = above - pl * m_aboveGain[low] - ph * m_aboveGain[high];
        const double bandRest = band - pl * m_bandGain[low] - ph * m_bandGain[high];
        // Second harmonics: a DTMF pair has none, a voiced sound carries them along.
        const auto harmonic = [&](std::size_t f, int blocks) {
            const double n = double(blocks) * SubBlock;
            return 2 * std::norm(sum(8 + f, blocks)) / (n * n);
        };
        const double harmonics = harmonic(low, lowBlocks) + harmonic(high, highBlocks);
        // Noise: little below the band, and not the pair's own harmonics either.
        const bool noiseLike =
            wholeRest - aboveRest <= NoiseLikeLowShare * (aboveRest - bandRest) &&
            harmonics <= NoiseLikeHarmonicShare * wholeRest;
        const double share =
            noiseLike ? truePower[0] * m_bandGain[low] / band +
                            truePower[1] * m_bandGain[high] / mean(highBlocks, &Block::bandEnergy)
                      : truePower[0] / whole + truePower[1] / mean(highBlocks, &Block::energy);
        // A longer look holds less of the noise per bin: the pair needs a smaller share.
        if (share < (noiseLike ? MinBandShare * LowBlocks / lowBlocks : MinPairShare))
            return -1;
        if (harmonics > (power[lw] + power[hw]) *
                            fromDb(-(noiseLike ? NoisyHarmonicDistanceDb : MinHarmonicDistanceDb)))
            return -1;
        if (weakest < (noiseLike ? NoisySteadyShare : SteadyShare) * strongest)
            return -1;
        if (noiseOnly && !noiseLike)
            return -1;
        return pair;
    };
    // The usual looks first; where they find nothing, a pair in noise may show over 40 ms.
    int pair = -1;
    if (const auto look = usual())
        pair = judge(*look, noiseOnly);
    if (pair < 0 && m_blocks > LongBlocks && leads(best(12), NoisyGroupLeadDb) &&
        leads(best(16), NoisyGroupLeadDb)) {
        noiseOnly = true;
        pair = judge(Look{best(12).first, best(16).first, LongBlocks, LongBlocks}, true);
    }
    return pair;
}

void Decoder::analyse(const Block& block) {
    m_recent[static_cast<std::size_t>(m_blocks % Kept)] = block;
    m_energies[static_cast<std::size_t>(m_blocks % EnergyBlocks)] = block.energy;
    ++m_blocks;
    m_levelDbfs = 10 * std::log10(std::max(block.energy / SubBlock, 1e-3) / (32768.0 * 32768.0));
    if (m_blocks < WindowBlocks)
        return;
    Window window{};
    const int pair = windowPair(window);
    // windowPair compares with the window before; keep this one for the next.
    m_lastWindow = window;
    const std::int64_t nowMs = m_sample * 1000 / DecoderRate;

    const auto begin = [&](int p) {
        m_pair = p;
        m_reported = false;
        m_validWindows = m_noiseOnlyWindow ? 1 : 2;
        m_absentMs = 0;
        m_pairReference = 0;
        m_energySum = 0;
        for (int i = 0; i < History; ++i) {
            m_pairReference = std::max(m_pairReference, pairPower(recent(i), p));
            m_energySum += recent(i).energy;
        }
        m_energyCount = History;
        m_lastPresentMs = nowMs;
    };

    if (m_pair < 0) {
        if (pair >= 0)
            begin(pair);
    } else {
        // Presence over the last 10 ms: 5 ms of a weak tone in noise vary too much.
        Block last2;
        for (std::size_t f = 0; f < 8; ++f)
            last2.bins[f] = recent(0).bins[f] + recent(1).bins[f];
        const double pw = pairPower(last2, m_pair) / 4;
        if (pair == m_pair) {
            m_validWindows += m_noiseOnlyWindow ? 1 : 2;
            m_pairReference = std::max(m_pairReference, pw);
            m_energySum += block.energy;
            ++m_energyCount;
        }
        if (pw >= PresentShare * m_pairReference) {
            m_absentMs = 0;
            m_lastPresentMs = nowMs;
        } else {
            m_absentMs += 1000.0 * SubBlock / DecoderRate;
        }
        // Another digit before this one was reported: this one was not a digit.
        if (pair >= 0 && pair != m_pair && !m_reported)
            begin(pair);
    }

    if (m_pair >= 0 && !m_reported && m_validWindows >= 4) {
        // The tone's length: the sub-blocks back from now while it lasts, each counted by
        // its energy against the steady tone's (a sub-block it half fills counts half).
        const double full = m_energySum / m_energyCount;
        double ms = 0;
        for (int back = 0; back < EnergyBlocks && back < m_blocks; ++back) {
            const double e =
                m_energies[static_cast<std::size_t>((m_blocks - 1 - back) % EnergyBlocks)];
            if (e < EdgeShare * full)
                break;
            // Not capped at 1: the two tones beat, so single sub-blocks lie a little above
            // or below the mean; only a much louder one (a sound beside the tone) is cut.
            ms += std::min(1.5, e / full) * 1000.0 * SubBlock / DecoderRate;
        }
        if (ms >= MinToneMs) {
            m_reported = true;
            emit(Symbols[m_pair / 4][m_pair % 4], true,
                 nowMs - static_cast<std::int64_t>(std::lround(ms)));
        }
    }
    if (m_pair >= 0 && m_absentMs >= MinPauseMs) {
        if (m_reported)
            emit(Symbols[m_pair / 4][m_pair % 4], false, m_lastPresentMs);
        m_pair = -1;
    }
}

std::vector<DigitEvent> decodeAll(std::span<const std::int16_t> samples) {
    std::vector<DigitEvent> events;
    Decoder d([&events](const DigitEvent& e) {
        if (e.started)
            events.push_back(e);
    });
    d.feed(samples);
    d.flush();
    return events;
}

} // namespace dtmf
