// Decodes DTMF digits with the program's own receiver: one line per digit, its start
// in milliseconds and the digit ("1234 5").
//   dtmfdecode FILE        any file libsndfile reads (WAV, FLAC, Ogg...), any rate
//   dtmfdecode [--rate R] -   raw 16-bit little-endian mono at R Hz (default 8000)
#include "DtmfDecoder.h"
#include "Resampler.h"

#include <sndfile.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

int usage() {
    std::fprintf(stderr, "usage: dtmfdecode FILE | dtmfdecode [--rate HZ] -\n");
    return 2;
}

void print(const dtmf::DigitEvent& e) {
    if (e.started)
        std::printf("%lld %c\n", static_cast<long long>(e.ms), e.digit);
}

std::vector<float> readFile(const char* path, int& rate) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path, SFM_READ, &info);
    if (!f) {
        std::fprintf(stderr, "dtmfdecode: %s: %s\n", path, sf_strerror(nullptr));
        std::exit(1);
    }
    rate = info.samplerate;
    std::vector<float> frames(static_cast<std::size_t>(info.channels) * 4096);
    std::vector<float> mono;
    sf_count_t got;
    while ((got = sf_readf_float(f, frames.data(), 4096)) > 0) {
        for (sf_count_t i = 0; i < got; ++i) {
            float sum = 0;
            for (int c = 0; c < info.channels; ++c)
                sum += frames[static_cast<std::size_t>(i * info.channels + c)];
            mono.push_back(sum / static_cast<float>(info.channels));
        }
    }
    sf_close(f);
    return mono;
}

} // namespace

int main(int argc, char* argv[]) {
    int rawRate = dtmf::DecoderRate;
    const char* input = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--rate") == 0 && i + 1 < argc) {
            rawRate = std::atoi(argv[++i]);
            if (rawRate < 1000 || rawRate > 384000)
                return usage();
        } else if (!input) {
            input = argv[i];
        } else {
            return usage();
        }
    }
    if (!input)
        return usage();
    dtmf::Decoder decoder(print);
    if (std::strcmp(input, "-") != 0) {
        int rate = 0;
        const std::vector<float> mono = readFile(input, rate);
        const auto pcm = dtmf::resample(mono, rate, dtmf::DecoderRate);
        decoder.feed(pcm);
        decoder.flush();
        return 0;
    }
    // Standard input in pieces, so a live stream is decoded as it comes.
    std::vector<std::int16_t> chunk(rawRate / 10);
    std::vector<float> floats;
    std::size_t n;
    while ((n = std::fread(chunk.data(), sizeof(std::int16_t), chunk.size(), stdin)) > 0) {
        if (rawRate == dtmf::DecoderRate) {
            decoder.feed(std::span(chunk.data(), n));
        } else {
            floats.resize(n);
            for (std::size_t i = 0; i < n; ++i)
                floats[i] = chunk[i] / 32768.0f;
            decoder.feed(dtmf::resample(floats, rawRate, dtmf::DecoderRate));
        }
        std::fflush(stdout);
    }
    decoder.flush();
    return 0;
}
