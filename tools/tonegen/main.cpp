// Writes the keypad's tone files 0.wav to 11.wav (16-bit PCM mono) into a folder.
#include "DtmfTones.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

namespace {

void put16(std::ofstream& out, std::uint16_t v) {
    const char b[2] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
    out.write(b, 2);
}

void put32(std::ofstream& out, std::uint32_t v) {
    put16(out, static_cast<std::uint16_t>(v & 0xFFFF));
    put16(out, static_cast<std::uint16_t>(v >> 16));
}

std::vector<std::int16_t> tone(const dtmf::TonePair& pair) {
    constexpr int rate = dtmf::SampleRate;
    constexpr int toneSamples = rate * dtmf::ToneMs / 1000;
    constexpr int rampSamples = rate * dtmf::RampMs / 1000;
    constexpr int pauseSamples = rate * dtmf::PauseMs / 1000;
    // Each component at -9 dBFS: together they stay clear of clipping.
    constexpr double amplitude = 0.35 * 32767.0;
    std::vector<std::int16_t> samples(toneSamples + pauseSamples, 0);
    for (int i = 0; i < toneSamples; ++i) {
        const double t = static_cast<double>(i) / rate;
        double gain = 1.0;
        const int fromEdge = std::min(i, toneSamples - 1 - i);
        if (fromEdge < rampSamples) // raised-cosine fade: no clicks at either end
            gain = 0.5 - 0.5 * std::cos(std::numbers::pi * fromEdge / rampSamples);
        const double v = std::sin(2 * std::numbers::pi * pair.low * t) +
                         std::sin(2 * std::numbers::pi * pair.high * t);
        samples[i] = static_cast<std::int16_t>(std::lround(amplitude * gain * v));
    }
    return samples;
}

bool writeWave(const std::filesystem::path& file, const std::vector<std::int16_t>& samples) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    out.write("RIFF", 4);
    put32(out, 36 + dataBytes);
    out.write("WAVEfmt ", 8);
    put32(out, 16);
    put16(out, 1); // PCM
    put16(out, 1); // mono
    put32(out, dtmf::SampleRate);
    put32(out, dtmf::SampleRate * 2);
    put16(out, 2);
    put16(out, 16);
    out.write("data", 4);
    put32(out, dataBytes);
    for (std::int16_t s : samples)
        put16(out, static_cast<std::uint16_t>(s));
    return static_cast<bool>(out.flush());
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tonegen FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder(argv[1]);
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    for (std::size_t n = 0; n < dtmf::Tones.size(); ++n) {
        const auto file = folder / (std::to_string(n) + ".wav");
        if (!writeWave(file, tone(dtmf::Tones[n]))) {
            std::fprintf(stderr, "tonegen: cannot write %s\n", file.c_str());
            return 1;
        }
    }
    return 0;
}
