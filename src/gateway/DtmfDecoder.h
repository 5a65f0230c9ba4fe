#pragma once

#include <array>
#include <complex>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

// A DTMF receiver in plain C++: fed blocks of 16-bit mono samples at SampleRate, it
// reports each digit when it has lasted long enough and again when it has ended.
//
// Every 5 ms sub-block gets the DFT at the eight DTMF frequencies (phases taken from
// the absolute sample count, so sub-blocks add up coherently). Four sub-blocks make a
// 20 ms analysis window, which must show one clear pair: both tones loud enough, each
// clearly the strongest of its group, within the twist limits, carrying nearly all of
// the window's energy (talk-off; of the DTMF band's alone where the rest is noise), and
// each within the frequency tolerance, measured by the phase step from the window 5 ms
// before. A digit's pauses are measured on the pair's power over the last 10 ms (5 ms of
// a weak tone in noise vary too much), its duration on the sub-blocks' energy, both in
// 5 ms steps.
namespace dtmf {

inline constexpr int DecoderRate = 8000;

struct DigitEvent {
    char digit;      // 0-9, A-D, *, #
    bool started;    // true: digit started; false: digit ended
    std::int64_t ms; // time of the tone's start (or end) from the first sample fed
};

class Decoder {
public:
    // Named limits; each says where it comes from.
    // ITU-T Q.24: a receiver accepts tones of 40 ms and more...
    static constexpr int MinToneMs = 40;
    // ...separated by pauses of 40 ms and more; shorter gaps belong to one digit.
    static constexpr int MinPauseMs = 40;
    // Q.24 asks acceptance within +/-1.5 % and rejection beyond +/-3.5 %; the cut lies
    // between them.
    static constexpr double MaxDeviation = 0.025;
    // Twist as radio links deliver it: pre-emphasis lifts the high group up to 8 dB,
    // and the low group may lead by up to 4 dB (Q.24 asks for at least 4 dB either way);
    // each bound 2 dB wider for what a 20 ms look mismeasures (at the bare bounds a tenth
    // of the +8 dB pairs and some of the -4 dB ones were lost).
    static constexpr double MaxHighOverLowDb = 10.0;
    static constexpr double MaxLowOverHighDb = 6.0;
    // Each tone of the pair at least this far above the next frequency of its group: a
    // single tone leaks about -13 dB into its neighbour in a 20 ms window.
    static constexpr double MinGroupLeadDb = 8.0;
    // Share of the window's energy the pair must carry. A clean pair carries ~100 %,
    // at 10 dB signal-to-noise ~90 %; speech and music spread theirs over many
    // frequencies (talk-off).
    static constexpr double MinPairShare = 0.76;
    // Where the sound outside the DTMF band is noise, not voice (no more below BandLowHz
    // than NoiseLikeLowShare of what lies above BandHighHz: white noise has 0.3 of it,
    // speech many times more), the share is taken of the band alone: such noise says
    // nothing about the pair, and a weak pair in strong wideband noise never has 76 % of
    // all. Two high-pass and two low-pass Butterworth sections make the band.
    static constexpr double BandLowHz = 500;
    static constexpr double BandHighHz = 2000;
    static constexpr double NoiseLikeLowShare = 0.8;
    static constexpr double NoiseLikeHarmonicShare = 0.25;
    static constexpr double MinBandShare = 0.5;
    static constexpr double NoisyHarmonicDistanceDb = 6.0;
    static constexpr double NoisyGroupLeadDb = 5.0;
    static constexpr double MinNoisyResponse = 0.5;
    static constexpr double NoisySteadyShare = 0.15;
    // The pair's second harmonics together at least this far below the pair: speech
    // that puts two harmonics on DTMF frequencies has their doubles too (the usual
    // talk-off guard beside the energy share).
    static constexpr double MinHarmonicDistanceDb = 10.0;
    // Quietest tone taken, per tone, in dB below full scale (Q.24's sensitivity floor
    // lies near -40 dBm0, about -43 dBFS for a 16-bit channel at the usual level).
    static constexpr double MinToneLevelDbfs = -45.0;

    // A window counts only while the pair's power in each of its sub-blocks (and the
    // one before) stays within 3 dB of the strongest: a steady tone, not an edge.
    // (-5 dB: the 5 ms look at a pair whose tones lie 268 Hz apart beats by that much).
    static constexpr double SteadyShare = 0.3;
    // After that, the pair counts as present down to this share of its full power...
    static constexpr double PresentShare = 0.25;
    // ...and a sub-block belongs to the tone's length from this share of its energy on
    // (a quieter one is pause, or noise 7 dB and more below the tone).
    static constexpr double EdgeShare = 0.2;

    static constexpr int SubBlock = DecoderRate / 200; // 5 ms
    static constexpr std::size_t Bins = 16;            // 8 frequencies, 8 harmonics
    static constexpr int WindowBlocks = 4;             // 20 ms
    static constexpr int History = WindowBlocks + 1;
    // A pair in noise may also be judged over 40 ms: 3 dB more against the noise.
    static constexpr int LongBlocks = 8;
    static constexpr int Kept = LongBlocks + 1; // sub-blocks kept
    static constexpr int EnergyBlocks = 64;     // the longest tone measured: 320 ms

    // A second-order section of the band-pass around the DTMF band.
    struct Biquad {
        double b0, b1, b2, a1, a2;
        double z1 = 0, z2 = 0;
        double run(double x) {
            const double y = b0 * x + z1;
            z1 = b1 * x - a1 * y + z2;
            z2 = b2 * x - a2 * y;
            return y;
        }
        double gain(double f) const; // |H|^2 at f
    };
    using Listener = std::function<void(const DigitEvent&)>;
    explicit Decoder(Listener listener);

    void feed(std::span<const std::int16_t> samples);
    // Ends a digit still sounding at the end of the input.
    void flush();

    // Mean power of the last sub-block in dB below full scale (a level meter).
    double levelDbfs() const { return m_levelDbfs; }

private:
    struct Block {
        std::array<std::complex<double>, Bins> bins{};
        double energy = 0;
        double aboveEnergy = 0; // above BandLowHz
        double bandEnergy = 0;  // from BandLowHz to BandHighHz
    };
    std::array<Biquad, 4> m_band{};
    std::array<double, 8> m_aboveGain{}; // |H|^2 of the high-pass at each DTMF frequency
    std::array<double, 8> m_bandGain{};  // |H|^2 of the band-pass
    void analyse(const Block& block);
    // The pair the window shows, as its symbol index, or -1.
    using Window = std::array<std::complex<double>, 20>;
    int windowPair(Window& window);
    double pairPower(const Block& b, int pair) const;
    void emit(char digit, bool started, std::int64_t ms);

    Listener m_listener;
    std::array<std::complex<double>, Bins> m_step{};  // per-sample rotation of each bin
    std::array<std::complex<double>, Bins> m_phase{}; // rotation at the current sample
    std::int64_t m_sample = 0;
    Block m_current;
    int m_fill = 0;
    std::array<Block, Kept> m_recent{};
    const Block& recent(int back) const {
        return m_recent[static_cast<std::size_t>((m_blocks - 1 - back) % Kept)];
    }
    int m_blocks = 0;
    Window m_lastWindow{};
    double m_levelDbfs = -120;

    // The digit being followed.
    int m_pair = -1;
    std::array<double, EnergyBlocks> m_energies{};
    double m_pairReference = 0; // the pair's power per sub-block at full strength
    double m_energySum = 0;     // sub-block energies while the pair was steady
    int m_energyCount = 0;
    double m_absentMs = 0;
    // Windows that showed the pair, counted double where they needed no allowance for
    // noise; a report takes 4.
    int m_validWindows = 0;
    bool m_noiseOnlyWindow = false; // the last window passed only as a pair in noise
    bool m_reported = false;
    std::int64_t m_lastPresentMs = 0;
};

// Decodes a whole signal at DecoderRate: the digits with their start times.
std::vector<DigitEvent> decodeAll(std::span<const std::int16_t> samples);

} // namespace dtmf
