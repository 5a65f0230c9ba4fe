#include "Resampler.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace dtmf {
namespace {

// The kernel at this many fractional positions between two input samples.
constexpr int Phases = 512;

} // namespace

Resampler::Resampler(int fromRate, int toRate) {
    const auto sane = [](int rate) { return rate >= MinResampleRate && rate <= MaxResampleRate; };
    if (!sane(fromRate) || !sane(toRate))
        return;
    m_valid = true;
    m_step = double(fromRate) / toRate;
    // Cut below the lower Nyquist frequency; the kernel spans 16 zero crossings a side.
    const double cutoff = 0.45 * std::min(fromRate, toRate) / fromRate; // cycles per input sample
    m_half = static_cast<int>(std::ceil(16 / (2 * cutoff)));
    m_taps = 2 * m_half;
    m_kernel.resize(static_cast<std::size_t>(Phases + 1) * static_cast<std::size_t>(m_taps));
    for (int p = 0; p <= Phases; ++p) {
        const double frac = double(p) / Phases;
        for (int k = 0; k < m_taps; ++k) {
            const double x = frac + m_half - 1 - k; // distance from tap k to the output time
            const double arg = 2 * cutoff * x;
            const double sinc = std::abs(arg) < 1e-9
                                    ? 1.0
                                    : std::sin(std::numbers::pi * arg) / (std::numbers::pi * arg);
            const double w = 0.5 + 0.5 * std::cos(std::numbers::pi * x / m_half); // Hann
            m_kernel[static_cast<std::size_t>(p) * static_cast<std::size_t>(m_taps) +
                     static_cast<std::size_t>(k)] = static_cast<float>(2 * cutoff * sinc * w);
        }
    }
    // Silence before the signal, so the first outputs see zeros as the whole-file filter did.
    m_buffer.assign(static_cast<std::size_t>(m_half), 0.0f);
    m_base = -m_half;
}

// Emits every output whose taps lie at or before lastUsable, then drops spent input.
void Resampler::emit(std::vector<std::int16_t>& output, std::int64_t lastUsable) {
    for (;;) {
        const double t = double(m_next) * m_step;
        const auto centre = static_cast<std::int64_t>(std::floor(t));
        if (centre + m_half > lastUsable)
            break;
        const int phase = static_cast<int>(std::lround((t - double(centre)) * Phases));
        const float* k =
            &m_kernel[static_cast<std::size_t>(phase) * static_cast<std::size_t>(m_taps)];
        const float* in = &m_buffer[static_cast<std::size_t>(centre - m_half + 1 - m_base)];
        double acc = 0;
        for (int i = 0; i < m_taps; ++i)
            acc += double(in[i]) * k[i];
        output.push_back(
            static_cast<std::int16_t>(std::clamp(std::lround(acc * 32767.0), -32768L, 32767L)));
        ++m_next;
    }
    const auto keepFrom =
        static_cast<std::int64_t>(std::floor(double(m_next) * m_step)) - m_half + 1;
    if (keepFrom > m_base) {
        const auto drop =
            std::min<std::int64_t>(keepFrom - m_base, static_cast<std::int64_t>(m_buffer.size()));
        m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(drop));
        m_base += drop;
    }
}

void Resampler::push(std::span<const float> input, std::vector<std::int16_t>& output) {
    if (!m_valid || input.empty())
        return;
    m_buffer.insert(m_buffer.end(), input.begin(), input.end());
    m_received += static_cast<std::int64_t>(input.size());
    emit(output, m_base + static_cast<std::int64_t>(m_buffer.size()) - 1);
}

void Resampler::finish(std::vector<std::int16_t>& output) {
    if (!m_valid)
        return;
    // As many outputs as the signal's length gives, with silence after it.
    const auto count = static_cast<std::int64_t>(double(m_received) / m_step);
    m_buffer.insert(m_buffer.end(), static_cast<std::size_t>(m_taps), 0.0f);
    const std::int64_t end = m_base + static_cast<std::int64_t>(m_buffer.size()) - 1;
    const std::int64_t before = m_next;
    std::vector<std::int16_t> rest;
    emit(rest, end);
    rest.resize(static_cast<std::size_t>(
        std::clamp<std::int64_t>(count - before, 0, static_cast<std::int64_t>(rest.size()))));
    output.insert(output.end(), rest.begin(), rest.end());
    m_valid = false;
}

std::vector<std::int16_t> resample(std::span<const float> input, int fromRate, int toRate) {
    std::vector<std::int16_t> out;
    Resampler r(fromRate, toRate);
    r.push(input, out);
    r.finish(out);
    return out;
}

} // namespace dtmf
