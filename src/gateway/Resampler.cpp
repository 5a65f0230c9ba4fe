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
    const auto count = static_cast<std::size_t>(double(input.size()) / step);
    out.reserve(count);
    for (std::size_t n = 0; n < count; ++n) {
        const double t = n * step;
        const auto centre = static_cast<long>(std::floor(t));
        double acc = 0;
        for (long i = centre - half + 1; i <= centre + half; ++i) {
            if (i < 0 || i >= static_cast<long>(input.size()))
                continue;
            const double x = t - i;
            const double arg = 2 * cutoff * x;
            const double sinc = std::abs(arg) < 1e-9
                                    ? 1.0
                                    : std::sin(std::numbers::pi * arg) / (std::numbers::pi * arg);
            const double w = 0.5 + 0.5 * std::cos(std::numbers::pi * x / half); // Hann
            acc += input[static_cast<std::size_t>(i)] * 2 * cutoff * sinc * w;
        }
        out.push_back(
            static_cast<std::int16_t>(std::clamp(std::lround(acc * 32767.0), -32768L, 32767L)));
    }
    return out;
}

} // namespace dtmf
