// Wave playback against a private PulseAudio server with a null sink: the time from
// the call to the server starting the stream (first sample), and the gap between
// consecutive tones of a string beyond the files' own 60 ms of silence.
//   sound_bench [--tones N]
#include "PulsePlayback.h"
#include "PulseServer.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using SteadyClock = std::chrono::steady_clock;

double ms(SteadyClock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

void report(const char* what, std::vector<double> values) {
    if (values.empty()) {
        std::printf("%-44s no samples\n", what);
        return;
    }
    std::sort(values.begin(), values.end());
    std::printf("%-44s p50 %6.1f ms   max %6.1f ms   (n=%zu)\n", what, values[values.size() / 2],
                values.back(), values.size());
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    int tones = 40;
    for (int i = 1; i + 1 < argc; ++i) {
        if (QByteArray(argv[i]) == "--tones")
            tones = std::max(2, QByteArray(argv[i + 1]).toInt());
    }
    PulseServer server;
    if (!server.ok()) {
        std::fprintf(stderr, "sound_bench: pulseaudio did not start\n");
        return 1;
    }
    server.useInThisProcess();
    const std::string tone = QFile::encodeName(QStringLiteral(TONE_FOLDER "/5.wav")).toStdString();
    constexpr double fileMs = 160; // 100 ms tone and 60 ms silence
    const std::atomic<bool> cancel{false};

    const auto play = [&](SteadyClock::time_point* started) {
        platform::pulse::PlaybackRequest r;
        r.path = tone;
        r.waveOnly = true;
        r.onStarted = [started] { *started = SteadyClock::now(); };
        return platform::pulse::playFile(r, cancel);
    };

    std::vector<double> firstSample;
    for (int i = 0; i < tones; ++i) {
        SteadyClock::time_point started{};
        const auto call = SteadyClock::now();
        if (!play(&started).played || started == SteadyClock::time_point{}) {
            std::fprintf(stderr, "sound_bench: a tone did not play\n");
            return 1;
        }
        firstSample.push_back(ms(started - call));
        QThread::msleep(100);
    }

    // The string as the sink rendered it: tone onsets in the recording of its monitor.
    SinkRecorder recorder(server);
    for (int i = 0; i < tones; ++i) {
        SteadyClock::time_point started{};
        if (!play(&started).played) {
            std::fprintf(stderr, "sound_bench: a tone of the string did not play\n");
            return 1;
        }
    }
    QThread::msleep(200);
    const std::vector<std::int16_t> samples = recorder.stop();
    std::vector<std::size_t> onsets;
    std::size_t quiet = 0;
    const std::size_t quietNeeded = SinkRecorder::Rate * 40 / 1000;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (std::abs(samples[i]) > 300) {
            if (quiet >= quietNeeded || onsets.empty())
                onsets.push_back(i);
            quiet = 0;
        } else {
            ++quiet;
        }
    }
    std::vector<double> gaps;
    for (std::size_t i = 1; i < onsets.size(); ++i)
        gaps.push_back((onsets[i] - onsets[i - 1]) * 1000.0 / SinkRecorder::Rate - fileMs);
    if (onsets.size() != static_cast<std::size_t>(tones))
        std::fprintf(stderr, "sound_bench: %zu tones heard of %d\n", onsets.size(), tones);

    std::printf("16-bit mono tone files of %.0f ms, null sink, 40 ms target latency\n", fileMs);
    report("call to first sample (goal <= 30 ms)", firstSample);
    report("gap between tones beyond their silence (<= 20)", gaps);
    return 0;
}
