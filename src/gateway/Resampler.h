#pragma once

#include <cstdint>
#include <span>
#include <vector>

// Converts a signal to another sample rate with a windowed-sinc low-pass, so audio
// of any rate reaches the DTMF receiver without aliases.
namespace dtmf {

std::vector<std::int16_t> resample(std::span<const float> input, int fromRate, int toRate);

} // namespace dtmf
