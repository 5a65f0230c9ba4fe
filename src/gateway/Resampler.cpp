#include "Resampler.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace dtmf {

std::vector<std::int16_t> resample(std::span<const float> input, int fromRate, int toRate) {
    std::vector<std::int16_t> out;
    if (fromRate <= 0 || toRate <= 0 || input.empty())
        return out;
    const double step = double(fromRate) / toRate;
    // Cut below the lower Nyquist frequency; the kernel spans 16 zero crossings a side.
    const double cutoff = 0.45 * std::min(fromRate, toRate) / fromRate; // cycles per input sample
    const int half = static_cast<int>(std::ceil(16 / (2 * cutoff)));
    const int taps = 2 * half;
    // The kernel at 512 fractional positions between two input samples, computed once.
    constexpr int Phases = 512;
    std::vector<float> kernel(static_cast<std::size_t>((Phases + 1) * taps));
    for (int p = 0; p <= Phases; ++p) {
        const double frac = double(p) / Phases;
        for (int k = 0; k < taps; ++k) {
            const double x = frac + half - 1 - k; // distance from tap k to the output time
            const double arg = 2 * cutoff * x;
            const double sinc = std::abs(arg) < 1e-9
                                    ? 1.0
                                    : std::sin(std::numbers::pi * arg) / (std::numbers::pi * arg);
            const double w = 0.5 + 0.5 * std::cos(std::numbers::pi * x / half); // Hann
            kernel[static_cast<std::size_t>(p * taps + k)] =
                static_cast<float>(2 * cutoff * sinc * w);
        }
    }
    const auto count = static_cast<std::size_t>(double(input.size()) / step);
    out.reserve(count);
    const auto size = static_cast<long>(input.size());
    for (std::size_t n = 0; n < count; ++n) {
        const double t = n * step;
        const auto centre = static_cast<long>(std::floor(t));
        const int phase = static_cast<int>(std::lround((t - centre) * Phases));
        const float* k = &kernel[static_cast<std::size_t>(phase * taps)];
        const long first = centre - half + 1;
        double acc = 0;
        for (int i = 0; i < taps; ++i) {
            const long at = first + i;
            if (at >= 0 && at < size)
                acc += input[static_cast<std::size_t>(at)] * k[i];
        }
        out.push_back(
            static_cast<std::int16_t>(std::clamp(std::lround(acc * 32767.0), -32768L, 32767L)));
    }
    return out;
}

} // namespace dtmf
