#pragma once

#include <cstdint>
#include <span>
#include <vector>

// Converts a signal to another sample rate with a windowed-sinc low-pass, so audio
// of any rate reaches the DTMF receiver without aliases.
namespace dtmf {

// Rates the receiver's tools take; beyond them the filter would grow without bound.
inline constexpr int MinResampleRate = 1000;
inline constexpr int MaxResampleRate = 768000;

// A stream in pieces of any size: the filter is built once and carries its history
// across pieces, so the output is the same as for the whole signal at once and memory
// stays bounded for files of any length.
class Resampler {
public:
    // Rates outside MinResampleRate..MaxResampleRate give no output.
    Resampler(int fromRate, int toRate);

    void push(std::span<const float> input, std::vector<std::int16_t>& output);
    // The rest, as if the signal were followed by silence; the stream ends here.
    void finish(std::vector<std::int16_t>& output);

private:
    void emit(std::vector<std::int16_t>& output, std::int64_t lastUsable);

    bool m_valid = false;
    double m_step = 1;
    int m_half = 0, m_taps = 0;
    std::vector<float> m_kernel;
    std::vector<float> m_buffer; // input from absolute index m_base on
    std::int64_t m_base = 0;
    std::int64_t m_received = 0; // input samples pushed so far
    std::int64_t m_next = 0;     // index of the next output sample
};

// The whole signal at once.
std::vector<std::int16_t> resample(std::span<const float> input, int fromRate, int toRate);

} // namespace dtmf
