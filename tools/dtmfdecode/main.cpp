// Decodes DTMF digits with the program's own receiver: one line per digit, its start
// in milliseconds and the digit ("1234 5").
//   dtmfdecode FILE        any file libsndfile reads (WAV, FLAC, Ogg...), 1 to 768 kHz
//   dtmfdecode [--rate R] -   raw 16-bit little-endian mono at R Hz (default 8000)
// Both are decoded as a stream: memory stays small for files of any length.
#include "DtmfDecoder.h"
#include "Resampler.h"

#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr const char* Usage =
    "usage: dtmfdecode FILE            a sound file of any rate (WAV, FLAC, Ogg ...)\n"
    "       dtmfdecode [--rate HZ] -   raw 16-bit little-endian mono (8000 Hz unless given)\n"
    "       dtmfdecode --help | --version\n"
    "Prints one line per DTMF digit heard: its start in milliseconds and the digit.\n";

int usage() {
    std::fputs(Usage, stderr);
    return 2;
}

bool saneRate(long rate) {
    return rate >= dtmf::MinResampleRate && rate <= dtmf::MaxResampleRate;
}

int badRate(long rate) {
    std::fprintf(stderr, "dtmfdecode: sample rate %ld Hz is outside %d to %d Hz\n", rate,
                 dtmf::MinResampleRate, dtmf::MaxResampleRate);
    return 1;
}

void print(const dtmf::DigitEvent& e) {
    if (e.started)
        std::printf("%lld %c\n", static_cast<long long>(e.ms), e.digit);
}

// The decoder behind a resampler, fed in pieces.
class Pipeline {
public:
    explicit Pipeline(int rate)
        : m_direct(rate == dtmf::DecoderRate), m_resampler(rate, dtmf::DecoderRate) {}
    void feed(std::span<const float> mono) {
        m_pcm.clear();
        if (m_direct) {
            // At the receiver's own rate the samples pass unfiltered, as read.
            for (const float x : mono)
                m_pcm.push_back(static_cast<std::int16_t>(
                    std::clamp(std::lround(x * 32768.0f), -32768L, 32767L)));
        } else {
            m_resampler.push(mono, m_pcm);
        }
        m_decoder.feed(m_pcm);
    }
    void finish() {
        m_pcm.clear();
        if (!m_direct)
            m_resampler.finish(m_pcm);
        m_decoder.feed(m_pcm);
        m_decoder.flush();
    }

private:
    bool m_direct;
    dtmf::Resampler m_resampler;
    dtmf::Decoder m_decoder{print};
    std::vector<std::int16_t> m_pcm;
};

int decodeFile(const char* path) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path, SFM_READ, &info);
    if (!f) {
        std::fprintf(stderr, "dtmfdecode: %s: %s\n", path, sf_strerror(nullptr));
        return 1;
    }
    if (!saneRate(info.samplerate) || info.channels < 1 || info.channels > 64) {
        sf_close(f);
        return info.channels < 1 || info.channels > 64
                   ? (std::fprintf(stderr, "dtmfdecode: %s: %d channels\n", path, info.channels), 1)
                   : badRate(info.samplerate);
    }
    Pipeline pipeline(info.samplerate);
    constexpr sf_count_t Frames = 4096;
    std::vector<float> frames(static_cast<std::size_t>(info.channels) * Frames);
    std::vector<float> mono(Frames);
    sf_count_t got;
    while ((got = sf_readf_float(f, frames.data(), Frames)) > 0) {
        for (sf_count_t i = 0; i < got; ++i) {
            float sum = 0;
            for (int c = 0; c < info.channels; ++c)
                sum += frames[static_cast<std::size_t>(i * info.channels + c)];
            mono[static_cast<std::size_t>(i)] = sum / static_cast<float>(info.channels);
        }
        pipeline.feed(std::span(mono.data(), static_cast<std::size_t>(got)));
    }
    sf_close(f);
    pipeline.finish();
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    long rawRate = dtmf::DecoderRate;
    const char* input = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0)
            return std::fputs(Usage, stdout) < 0;
        if (std::strcmp(argv[i], "--version") == 0)
            return std::printf("dtmfdecode %s\n", QUORVEX_VERSION_TEXT) < 0;
        if (std::strcmp(argv[i], "--rate") == 0 && i + 1 < argc) {
            const char* text = argv[++i];
            char* end = nullptr;
            errno = 0;
            rawRate = std::strtol(text, &end, 10);
            if (end == text || *end != '\0' || errno != 0)
                return usage();
            if (!saneRate(rawRate))
                return badRate(rawRate);
        } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
            return usage(); // an option we do not know, not a file name
        } else if (!input) {
            input = argv[i];
        } else {
            return usage();
        }
    }
    if (!input)
        return usage();
    if (std::strcmp(input, "-") != 0)
        return decodeFile(input);
    // Standard input in pieces, so a live stream is decoded as it comes.
    Pipeline pipeline(static_cast<int>(rawRate));
    std::vector<std::int16_t> chunk(static_cast<std::size_t>(rawRate / 10));
    std::vector<float> floats(chunk.size());
    std::size_t n;
    while ((n = std::fread(chunk.data(), sizeof(std::int16_t), chunk.size(), stdin)) > 0) {
        for (std::size_t i = 0; i < n; ++i)
            floats[i] = chunk[i] / 32768.0f;
        pipeline.feed(std::span(floats.data(), n));
        std::fflush(stdout);
    }
    pipeline.finish();
    return 0;
}
