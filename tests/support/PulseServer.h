#pragma once

// A private PulseAudio server with one null sink, started by a test: what our sound
// code plays there can be recorded from the sink's monitor. Needs the pulseaudio and
// pulseaudio-utils packages; no D-Bus, no sound card.
#include "Rig.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <cstdint>
#include <vector>

class PulseServer {
public:
    static constexpr const char* SinkName = "test_sink";

    PulseServer() {
        if (!m_dir.isValid())
            return;
        QFile::setPermissions(m_dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                QFileDevice::ExeOwner);
        QDir(m_dir.path()).mkpath(QStringLiteral("home"));
        const QString script = m_dir.filePath(QStringLiteral("null.pa"));
        QFile f(script);
        if (!f.open(QIODevice::WriteOnly))
            return;
        f.write(QStringLiteral(".fail\n"
                               "load-module module-native-protocol-unix socket=%1 "
                               "auth-anonymous=1\n"
                               "load-module module-null-sink sink_name=%2\n"
                               "load-module module-sine-source source_name=tone\n"
                               "set-default-sink %2\n"
                               "set-default-source %2.monitor\n")
                    .arg(socketPath(), QLatin1String(SinkName))
                    .toUtf8());
        f.close();
        m_server.setProcessEnvironment(environment());
        m_server.setStandardOutputFile(QProcess::nullDevice());
        m_server.start(QStringLiteral("pulseaudio"),
                       {QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                        QStringLiteral("--use-pid-file=no"), QStringLiteral("-n"),
                        QStringLiteral("-F"), script});
        m_ok = waitUntil([this] { return !m_server.running() || QFileInfo::exists(socketPath()); },
                         10000, 20) &&
               m_server.running();
        if (m_ok)
            keepRealTime();
    }

    bool ok() const { return m_ok; }
    QString socketPath() const { return m_dir.filePath(QStringLiteral("pulse/native")); }
    QString serverAddress() const { return QStringLiteral("unix:") + socketPath(); }

    // What a program needs to find this server and nothing else.
    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.path());
        env.insert(QStringLiteral("PULSE_SERVER"), serverAddress());
        env.insert(QStringLiteral("HOME"), m_dir.filePath(QStringLiteral("home")));
        return env;
    }
    // The test process itself plays to this server.
    void useInThisProcess() const { qputenv("PULSE_SERVER", serverAddress().toUtf8()); }

    // Recording streams of clients other than the test's own listener.
    int recordingStreams() const {
        QByteArray out;
        if (!runTool(
                QStringLiteral("pactl"),
                {QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("source-outputs")},
                &out, environment(), 5000))
            return -1;
        return static_cast<int>(out.count('\n')) - 1;
    }

    void freeze() { m_server.signal(SIGSTOP); }
    void thaw() { m_server.signal(SIGCONT); }

private:
    // The null sink renders in blocks of seconds until a low-latency client has been
    // attached for about two seconds; a listener that stays attached keeps it in real
    // time for every test of the suite.
    void keepRealTime() {
        m_listener.setProcessEnvironment(environment());
        m_listener.setStandardOutputFile(QProcess::nullDevice());
        m_listener.start(QStringLiteral("parec"),
                         {QStringLiteral("-d"),
                          QLatin1String(SinkName) + QStringLiteral(".monitor"),
                          QStringLiteral("--raw"), QStringLiteral("--latency-msec=20")});
        m_listener.waitForStarted(5000);
        QThread::msleep(2200);
    }

    QTemporaryDir m_dir;
    Child m_server;
    Child m_listener;
    bool m_ok = false;
};

// Records the null sink's monitor as 16-bit mono samples into a file.
class SinkRecorder {
public:
    static constexpr int Rate = 16000;

    explicit SinkRecorder(const PulseServer& server) {
        m_file = m_dir.filePath(QStringLiteral("monitor.raw"));
        m_parec.setProcessEnvironment(server.environment());
        m_parec.setStandardOutputFile(m_file);
        m_parec.start(QStringLiteral("parec"),
                      {QStringLiteral("-d"),
                       QLatin1String(PulseServer::SinkName) + QStringLiteral(".monitor"),
                       QStringLiteral("--rate=%1").arg(Rate), QStringLiteral("--channels=1"),
                       QStringLiteral("--format=s16le"), QStringLiteral("--raw"),
                       QStringLiteral("--latency-msec=20")});
        m_parec.waitForStarted(5000);
        QThread::msleep(300); // connected and recording before anything plays
    }
    // Stops the recorder (SIGINT, so it writes out what it holds) and reads the file.
    std::vector<std::int16_t> stop() {
        m_parec.stop(SIGINT);
        QFile f(m_file);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        const QByteArray bytes = f.readAll();
        std::vector<std::int16_t> samples(static_cast<std::size_t>(bytes.size()) / 2);
        for (std::size_t i = 0; i < samples.size(); ++i) {
            const auto lo = static_cast<std::uint8_t>(bytes[static_cast<qsizetype>(2 * i)]);
            const auto hi = static_cast<std::uint8_t>(bytes[static_cast<qsizetype>(2 * i + 1)]);
            samples[i] = static_cast<std::int16_t>(lo | (hi << 8));
        }
        return samples;
    }

private:
    QTemporaryDir m_dir;
    QString m_file;
    Child m_parec;
};
