// The DTMF receiver on generated signals at its own rate.
#include "DtmfDecoder.h"
#include "Resampler.h"

#include <cmath>
#include <numbers>
#include <random>
#include <string>

#include <gtest/gtest.h>

namespace {

using dtmf::DecoderRate;

constexpr double Lows[] = {697, 770, 852, 941};
constexpr double Highs[] = {1209, 1336, 1477, 1633};
constexpr const char* Keys = "123A456B789C*0#D";

struct Tone {
    char key;
    int ms = 100;
    double lowDbfs = -10, highDbfs = -10;
    double lowShift = 0, highShift = 0; // relative frequency error
    double harmonicDb = -200;           // the low tone's second harmonic, against the tone
};

class Signal {
public:
    Signal& silence(int ms) {
        m_s.resize(m_s.size() + static_cast<std::size_t>(ms * DecoderRate / 1000), 0.0);
        return *this;
    }
    Signal& tone(const Tone& t) {
        const std::size_t k = std::string(Keys).find(t.key);
        const double fl = Lows[k / 4] * (1 + t.lowShift), fh = Highs[k % 4] * (1 + t.highShift);
        const double al = 32768 * std::pow(10, t.lowDbfs / 20);
        const double ah = 32768 * std::pow(10, t.highDbfs / 20);
        const int n = t.ms * DecoderRate / 1000;
        const int ramp = DecoderRate / 1000; // 1 ms, so lengths stay as given
        for (int i = 0; i < n; ++i) {
            const double g = std::min({1.0, (i + 0.5) / ramp, (n - i - 0.5) / ramp});
            const double x = double(i) / DecoderRate;
            const double ahar = al * std::pow(10, t.harmonicDb / 20);
            m_s.push_back(g * (al * std::sin(2 * std::numbers::pi * fl * x) +
                               ah * std::sin(2 * std::numbers::pi * fh * x + 1.0) +
                               ahar * std::sin(2 * std::numbers::pi * 2 * fl * x)));
        }
        return *this;
    }
    Signal& digits(const std::string& keys, int toneMs = 100, int pauseMs = 60) {
        for (char c : keys)
            tone({c, toneMs}).silence(pauseMs);
        return *this;
    }
    // White noise with the given power in dB below full scale over the whole signal.
    Signal& noise(double dbfs, unsigned seed = 7) {
        std::mt19937 rng(seed);
        std::normal_distribution<double> n(0.0, 32768 * std::pow(10, dbfs / 20));
        for (double& s : m_s)
            s += n(rng);
        return *this;
    }
    std::vector<std::int16_t> pcm() const {
        std::vector<std::int16_t> out(m_s.size());
        for (std::size_t i = 0; i < m_s.size(); ++i)
            out[i] = static_cast<std::int16_t>(std::clamp(std::lround(m_s[i]), -32768L, 32767L));
        return out;
    }
    std::string decoded() const {
        std::string out;
        for (const auto& e : dtmf::decodeAll(pcm()))
            out += e.digit;
        return out;
    }

private:
    std::vector<double> m_s;
};

TEST(DtmfDecoder, EveryDigitOfTheKeypad) {
    EXPECT_EQ(Signal().silence(50).digits(Keys).decoded(), Keys);
    EXPECT_EQ(Signal().digits("1*#5").decoded(), "1*#5");
}

TEST(DtmfDecoder, FrequencyErrorsOf1Point5PercentPassAnd3Point5PercentDoNot) {
    for (const char* k = Keys; *k; ++k) {
        for (double sign : {-1.0, 1.0}) {
            const std::string key(1, *k);
            EXPECT_EQ(Signal()
                          .silence(40)
                          .tone({*k, 100, -10, -10, sign * 0.015, sign * 0.015})
                          .silence(60)
                          .decoded(),
                      key)
                << key << " at " << sign * 1.5 << " %";
            EXPECT_EQ(Signal()
                          .silence(40)
                          .tone({*k, 100, -10, -10, sign * 0.035, 0})
                          .silence(60)
                          .decoded(),
                      "")
                << key << " low tone at " << sign * 3.5 << " %";
            EXPECT_EQ(Signal()
                          .silence(40)
                          .tone({*k, 100, -10, -10, 0, sign * 0.035})
                          .silence(60)
                          .decoded(),
                      "")
                << key << " high tone at " << sign * 3.5 << " %";
        }
    }
}

// A voiced sound carries its harmonics along; a DTMF pair has none. The harmonic here
// leaves the pair more than its share of the energy, so only the harmonic rule can tell.
TEST(DtmfDecoder, APairWithAStrongSecondHarmonicIsNoDigit) {
    Tone voiced{'5', 100};
    voiced.harmonicDb = -4;
    EXPECT_EQ(Signal().silence(50).tone(voiced).silence(60).decoded(), "");
    voiced.harmonicDb = -30;
    EXPECT_EQ(Signal().silence(50).tone(voiced).silence(60).decoded(), "5");
}

TEST(DtmfDecoder, TwistWithinTheRadioLimitsOnly) {
    EXPECT_EQ(Signal().tone({'5', 100, -20, -12}).silence(60).decoded(), "5") << "high +8 dB";
    EXPECT_EQ(Signal().tone({'5', 100, -20, -9}).silence(60).decoded(), "") << "high +11 dB";
    EXPECT_EQ(Signal().tone({'5', 100, -12, -16}).silence(60).decoded(), "5") << "low +4 dB";
    EXPECT_EQ(Signal().tone({'5', 100, -12, -19}).silence(60).decoded(), "") << "low +7 dB";
}

TEST(DtmfDecoder, ToneLengthAndPauses) {
    EXPECT_EQ(Signal().silence(40).tone({'8', 35}).silence(80).decoded(), "") << "35 ms";
    EXPECT_EQ(Signal().silence(40).tone({'8', 45}).silence(80).decoded(), "8") << "45 ms";
    EXPECT_EQ(Signal().tone({'5', 80}).silence(50).tone({'5', 80}).silence(80).decoded(), "55");
    EXPECT_EQ(Signal().tone({'5', 80}).silence(20).tone({'5', 80}).silence(80).decoded(), "5")
        << "a 20 ms drop-out belongs to the digit";
}

// White noise over the receiver's band (0 to 4 kHz) from 7 dB below the pair to 6 dB above
// it (about 0 to -9.5 dB over a 16 kHz recording's band): what counts against the pair is
// the band around the DTMF tones, not the whole band.
TEST(DtmfDecoder, NoiseStepsDownToTheLevelOfThePairAndNothingIsHeardInNoiseAlone) {
    // Each tone at -10 dBFS peak: the pair's power is 10 dB below a full-scale square.
    EXPECT_EQ(Signal().silence(60).digits(Keys).noise(-17).decoded(), Keys);
    EXPECT_EQ(Signal().silence(60).digits(Keys).noise(-13).decoded(), Keys);
    EXPECT_EQ(Signal().silence(60).digits(Keys).noise(-10).decoded(), Keys);
    EXPECT_EQ(Signal().silence(60).digits(Keys).noise(-7).decoded(), Keys);
    const std::string weak = Signal().silence(60).digits(Keys).noise(-4).decoded();
    EXPECT_GE(weak.size(), 12u) << weak;
    for (char c : weak)
        EXPECT_NE(std::string(Keys).find(c), std::string::npos) << "a digit never sent";
    EXPECT_EQ(Signal().silence(5000).decoded(), "");
    EXPECT_EQ(Signal().silence(5000).noise(-10).decoded(), "");
    EXPECT_EQ(Signal().silence(5000).noise(-30, 11).decoded(), "");
}

TEST(DtmfDecoder, ReportsStartAndEndWithTheirTimesHoweverTheInputIsCut) {
    const auto pcm = Signal().silence(200).tone({'7', 120}).silence(100).pcm();
    std::vector<dtmf::DigitEvent> events;
    dtmf::Decoder d([&events](const dtmf::DigitEvent& e) { events.push_back(e); });
    for (std::size_t at = 0; at < pcm.size(); at += 37)
        d.feed(std::span(pcm).subspan(at, std::min<std::size_t>(37, pcm.size() - at)));
    d.flush();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].digit, '7');
    EXPECT_TRUE(events[0].started);
    EXPECT_NEAR(static_cast<double>(events[0].ms), 200, 10);
    EXPECT_FALSE(events[1].started);
    EXPECT_NEAR(static_cast<double>(events[1].ms), 320, 10);
}

} // namespace

// Resampled in pieces of any size, a stream comes out as the whole signal would.
TEST(Resampling, PiecesGiveTheSameSamplesAsTheWhole) {
    std::vector<float> signal(48000);
    for (std::size_t i = 0; i < signal.size(); ++i)
        signal[i] = 0.4f * std::sin(0.05f * float(i)) + 0.3f * std::sin(0.31f * float(i));
    for (const int rate : {48000, 11025, 8000}) {
        const auto whole = dtmf::resample(signal, rate, dtmf::DecoderRate);
        dtmf::Resampler r(rate, dtmf::DecoderRate);
        std::vector<std::int16_t> pieces;
        for (std::size_t at = 0, n = 1; at < signal.size(); at += n, n = n * 3 % 4093 + 1)
            r.push(std::span(signal).subspan(at, std::min(n, signal.size() - at)), pieces);
        r.finish(pieces);
        EXPECT_EQ(pieces, whole) << rate;
        EXPECT_EQ(whole.size(), signal.size() * dtmf::DecoderRate / static_cast<std::size_t>(rate));
    }
    EXPECT_TRUE(dtmf::resample(signal, 1883757600, dtmf::DecoderRate).empty());
}
