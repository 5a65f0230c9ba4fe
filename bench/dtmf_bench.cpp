// The DTMF receiver's figures: detection per signal-to-noise step, false digits on
// synthesized speech, the delay from a tone's start to its report, and CPU per second
// of audio. With multimon-ng installed, the same signals go through it too.
//   dtmf_bench [--digits N] [--speech-seconds S] [--noise-minutes M]
#include "DtmfDecoder.h"
#include "Resampler.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr const char* Keys = "123A456B789C*0#D";
constexpr double Lows[] = {697, 770, 852, 941};
constexpr double Highs[] = {1209, 1336, 1477, 1633};

// The corpus as radio audio is recorded: 16 kHz, digit strings of 70 ms tones and 70 ms
// pauses, each tone of the pair at -10 dBFS peak, white Gaussian noise over the whole band.
constexpr int CorpusRate = 16000;
constexpr int ToneMs = 70;

struct Corpus {
    std::vector<float> samples; // at rate
    int rate = CorpusRate;
    std::string digits;
    std::vector<std::size_t> starts; // sample index of each tone's start
};

// twistDb: the high tone's level against the low one's (negative: reverse twist).
Corpus tones(int count, double snrDb, unsigned seed, double twistDb = 0) {
    std::mt19937 rng(seed);
    Corpus c;
    const double amp = std::pow(10, -10 / 20.0); // each tone -10 dBFS peak
    const double highAmp = amp * std::pow(10, twistDb / 20);
    const double pairPower = (amp * amp + highAmp * highAmp) / 2;
    std::normal_distribution<double> noise(0.0, std::sqrt(pairPower / std::pow(10, snrDb / 10)));
    const auto pause = [&](int ms) {
        for (int i = 0; i < ms * c.rate / 1000; ++i)
            c.samples.push_back(static_cast<float>(noise(rng)));
    };
    pause(100);
    for (int d = 0; d < count; ++d) {
        const int k = static_cast<int>(rng() % 16);
        c.digits += Keys[k];
        c.starts.push_back(c.samples.size());
        const int n = ToneMs * c.rate / 1000;
        for (int i = 0; i < n; ++i) {
            const double t = double(i) / c.rate;
            c.samples.push_back(static_cast<float>(
                amp * std::sin(2 * std::numbers::pi * Lows[k / 4] * t) +
                highAmp * std::sin(2 * std::numbers::pi * Highs[k % 4] * t + 1) + noise(rng)));
        }
        pause(ToneMs);
    }
    return c;
}

// Longest common subsequence: digits found in order, whatever else was reported.
std::size_t common(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1, 0);
    for (char x : a) {
        std::size_t diag = 0;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t up = row[j];
            row[j] = x == b[j - 1] ? diag + 1 : std::max(row[j], row[j - 1]);
            diag = up;
        }
    }
    return row[b.size()];
}

std::string multimon(const std::vector<float>& samples, int rate) {
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("multimon-ng"));
    if (tool.isEmpty())
        return "-";
    const auto at22k = dtmf::resample(samples, rate, 22050);
    QProcess p;
    p.start(tool, {QStringLiteral("-q"), QStringLiteral("-a"), QStringLiteral("DTMF"),
                   QStringLiteral("-t"), QStringLiteral("raw"), QStringLiteral("-")});
    p.write(reinterpret_cast<const char*>(at22k.data()),
            static_cast<qint64>(at22k.size() * sizeof(std::int16_t)));
    p.closeWriteChannel();
    p.waitForFinished(60000);
    std::string digits;
    for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
        if (line.startsWith("DTMF: ") && line.size() > 6)
            digits += line[6];
    }
    return digits;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    int count = 500;
    int speechSeconds = 120;
    int noiseMinutes = 10;
    for (int i = 1; i + 1 < argc; ++i) {
        if (QByteArray(argv[i]) == "--noise-minutes")
            noiseMinutes = std::max(0, QByteArray(argv[i + 1]).toInt());
        if (QByteArray(argv[i]) == "--digits")
            count = std::max(10, QByteArray(argv[i + 1]).toInt());
        if (QByteArray(argv[i]) == "--speech-seconds")
            speechSeconds = std::max(0, QByteArray(argv[i + 1]).toInt());
    }
    std::printf("%d random digits per step, %d kHz, %d ms tones and pauses, each tone -10 dBFS "
                "peak,\nwhite Gaussian noise over the whole band; SNR = power of the tone pair / "
                "power of the noise.\n",
                count, CorpusRate / 1000, ToneMs);
    std::printf("%-34s %12s %12s\n", "", "quorvex", "multimon-ng");
    double audioSeconds = 0, cpuSeconds = 0;
    std::vector<double> delays, strongDelays;
    // The SNR steps with the tones at one level, then the twist the standard accepts: the
    // high tone 4 dB under the low one, and 8 dB over it, in a little noise.
    const struct {
        double snr, twist;
    } steps[] = {{10, 0}, {0, 0}, {-3, 0}, {-6, 0}, {-10, 0}, {20, -4}, {20, 8}};
    for (const auto& [snr, twist] : steps) {
        const std::size_t delaysBefore = delays.size();
        const Corpus c = tones(count, snr, 17, twist);
        // As the recognizer hears it: taken down to the receiver's rate.
        const auto pcm = dtmf::resample(c.samples, c.rate, dtmf::DecoderRate);
        const auto scale = [&c](std::size_t at) { return at * dtmf::DecoderRate / c.rate; };
        std::string found;
        std::size_t fed = 0, next = 0;
        dtmf::Decoder d([&](const dtmf::DigitEvent& e) {
            if (!e.started)
                return;
            found += e.digit;
            while (next < c.starts.size() && scale(c.starts[next]) + 40 * 8 < fed - 800)
                ++next;
            if (next < c.starts.size() && fed >= scale(c.starts[next]))
                delays.push_back((fed - scale(c.starts[next])) * 1000.0 / dtmf::DecoderRate);
        });
        const auto t0 = std::chrono::steady_clock::now();
        // 5 ms pieces, as the capture delivers; fed counts the samples given so far.
        for (std::size_t at = 0; at < pcm.size(); at += 40) {
            const std::size_t n = std::min<std::size_t>(40, pcm.size() - at);
            fed = at + n;
            d.feed(std::span(pcm).subspan(at, n));
        }
        d.flush();
        cpuSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        audioSeconds += double(pcm.size()) / dtmf::DecoderRate;
        const std::string other = multimon(c.samples, c.rate);
        const auto rate = [&](const std::string& got) {
            if (got == "-")
                return std::string("-");
            char buf[64];
            std::snprintf(buf, sizeof buf, "%.1f %% +%zu", 100.0 * common(c.digits, got) / count,
                          got.size() - common(c.digits, got));
            return std::string(buf);
        };
        if (twist == 0)
            std::printf("detected at %+4.0f dB SNR (extra)     %12s %12s\n", snr,
                        rate(found).c_str(), rate(other).c_str());
        else
            std::printf("detected, high tone %+2.0f dB, %2.0f dB SNR %10s %12s\n", twist, snr,
                        rate(found).c_str(), rate(other).c_str());
        if (snr == 10)
            strongDelays.assign(delays.begin() + static_cast<std::ptrdiff_t>(delaysBefore),
                                delays.end());
    }

    // Noise alone, at several levels: every digit is a false one.
    if (noiseMinutes > 0) {
        std::mt19937 rng(4711);
        for (const double dbfs : {-10.0, -20.0, -30.0}) {
            std::normal_distribution<double> noise(0.0, std::pow(10, dbfs / 20));
            std::vector<float> samples(static_cast<std::size_t>(noiseMinutes) * 60 * CorpusRate);
            for (float& x : samples)
                x = static_cast<float>(noise(rng));
            const auto ours =
                dtmf::decodeAll(dtmf::resample(samples, CorpusRate, dtmf::DecoderRate));
            const double hours = noiseMinutes / 60.0;
            const std::string other = multimon(samples, CorpusRate);
            char theirs[32] = "-";
            if (other != "-")
                std::snprintf(theirs, sizeof theirs, "%.0f", double(other.size()) / hours);
            std::printf("false digits per hour, noise %3.0f dBFS %9.0f %12s\n", dbfs,
                        double(ours.size()) / hours, theirs);
        }
    }

    // Talk-off on synthesized speech.
    if (speechSeconds > 0 &&
        !QStandardPaths::findExecutable(QStringLiteral("espeak-ng")).isEmpty()) {
        QTemporaryDir dir;
        const char* voices[] = {"de", "de+f2", "en", "en-us+f3", "de+m3", "en+m7"};
        const QString text = QStringLiteral(
            "Hier spricht die Relaisstation. Bitte kommen, eins zwei drei vier fuenf. "
            "This is the repeater gateway, testing one two three, star, pound, over. "
            "Aaaah, ooooh, iiiih, the weather is fine and the wind blows from south west. ");
        std::vector<float> speech;
        int rate = 22050;
        for (int v = 0; double(speech.size()) / rate < speechSeconds; v = (v + 1) % 6) {
            const QString wav = dir.filePath(QStringLiteral("s.wav"));
            QProcess::execute(QStringLiteral("espeak-ng"),
                              {QStringLiteral("-v"), QString::fromLatin1(voices[v]),
                               QStringLiteral("-w"), wav, text + text});
            SF_INFO info{};
            SNDFILE* f = sf_open(wav.toLocal8Bit().constData(), SFM_READ, &info);
            if (!f)
                break;
            rate = info.samplerate;
            std::vector<float> part(static_cast<std::size_t>(info.frames));
            sf_readf_float(f, part.data(), info.frames);
            sf_close(f);
            speech.insert(speech.end(), part.begin(), part.end());
        }
        const auto pcm = dtmf::resample(speech, rate, dtmf::DecoderRate);
        const auto ours = dtmf::decodeAll(pcm);
        const double hours = double(pcm.size()) / dtmf::DecoderRate / 3600;
        const std::string other = multimon(speech, rate);
        char theirs[32] = "-";
        if (other != "-")
            std::snprintf(theirs, sizeof theirs, "%.0f", double(other.size()) / hours);
        std::printf("false digits per hour of speech     %12.0f %12s   (%.0f s of speech)\n",
                    double(ours.size()) / hours, theirs, hours * 3600);
        // The same speech under white noise, as a weak station sounds: the noise path of the
        // receiver must not take a voice for a pair either.
        double power = 0;
        for (float x : speech)
            power += double(x) * x;
        power /= double(speech.size());
        for (const double snr : {10.0, 3.0, 0.0}) {
            std::mt19937 rng(99);
            std::normal_distribution<double> noise(0.0, std::sqrt(power / std::pow(10, snr / 10)));
            std::vector<float> noisy = speech;
            for (float& x : noisy)
                x += static_cast<float>(noise(rng));
            const auto heard = dtmf::decodeAll(dtmf::resample(noisy, rate, dtmf::DecoderRate));
            const std::string theirsNoisy = multimon(noisy, rate);
            char t[32] = "-";
            if (theirsNoisy != "-")
                std::snprintf(t, sizeof t, "%.0f", double(theirsNoisy.size()) / hours);
            std::printf("false digits per hour, speech %2.0f dB over noise %5.0f %12s\n", snr,
                        double(heard.size()) / hours, t);
        }
    }
    for (auto* d : {&strongDelays, &delays}) {
        std::sort(d->begin(), d->end());
        if (!d->empty())
            std::printf("report after tone start, %-13s p50 %.1f ms  max %.1f ms (goal <= 60)\n",
                        d == &delays ? "all steps:" : "+10 dB:", (*d)[d->size() / 2], d->back());
    }
    std::printf("CPU per second of audio (goal < 1 %%)     %.3f %% of a core\n",
                100.0 * cpuSeconds / audioSeconds);
    return 0;
}
