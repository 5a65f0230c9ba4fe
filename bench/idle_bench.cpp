// The CPU the idle program uses with each source of the desktop's idle time: its own
// windows (no display), X11's raw input (Xvfb), and GNOME's compositor (the real mutter,
// the program on XWayland and on Qt's Wayland platform), each with auto-away on. Goal:
// the compositor's watches add nothing measurable (no polling).
#include "AwayWorld.h"
#include "MutterRig.h"
#include "PrivateDisplay.h"
#include "ProcessCpu.h"

#include <QApplication>
#include <QStandardPaths>

#include <cstdio>
#include <functional>
#include <memory>

namespace {

// Quorvex against the away world with the session's variables; true once it runs.
bool start(Child& quorvex, const AwayWorld& world, QProcessEnvironment env,
           std::initializer_list<std::pair<const char*, QString>> vars) {
    for (const auto& [key, value] : vars)
        env.insert(QLatin1String(key), value);
    env.insert(QStringLiteral("QUORVEX_HOME"), world.dir.path());
    env.insert(QStringLiteral("TSREMOTE_SOCKET"), world.socket);
    quorvex.setProcessEnvironment(env);
    quorvex.setProcessChannelMode(QProcess::SeparateChannels);
    // A fresh display now and then turns the first start away: started again then.
    for (int attempt = 0; attempt < 3; ++attempt) {
        QByteArray said;
        quorvex.start(QStringLiteral(QUORVEX_PATH), {});
        if (quorvex.waitForStarted(5000) &&
            waitUntil(
                [&] {
                    said += quorvex.readAllStandardError();
                    return said.contains("CONNECTED") || !quorvex.running();
                },
                15000) &&
            quorvex.running())
            return true;
        std::fprintf(stderr, "quorvex said: %s\n", said.constData());
        quorvex.stop();
    }
    return false;
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int seconds = 10;
    for (int i = 1; i + 1 < argc; ++i) {
        if (QByteArray(argv[i]) == "--seconds")
            seconds = std::max(1, QByteArray(argv[i + 1]).toInt());
    }
    std::printf("CPU of the idle program over %d s (%% of one core), auto-away on\n", seconds);
    SessionBus bus, gnomeBus; // GNOME's monitor on a bus of its own: the others must not see it
    // One display at a time: mutter's XWayland takes a display number Xvfb holds.
    auto x11 = std::make_unique<PrivateDisplay>();
    std::unique_ptr<Mutter> gnome;
    const auto onGnome = [&](const char* platform) {
        x11.reset();
        if (!gnome)
            gnome = std::make_unique<Mutter>(gnomeBus);
        QProcessEnvironment env = gnome->environment();
        for (const auto& [key, value] : {std::pair{"WAYLAND_DISPLAY", QStringLiteral("wayland-0")},
                                         {"DISPLAY", gnome->display},
                                         {"XAUTHORITY", gnome->xauthority},
                                         {"XDG_SESSION_TYPE", QStringLiteral("wayland")},
                                         {"QT_QPA_PLATFORM", QString::fromLatin1(platform)}})
            env.insert(QLatin1String(key), value);
        return env;
    };
    const std::pair<const char*, std::function<QProcessEnvironment()>> sources[] = {
        {"own windows (offscreen)",
         [&] {
             return environmentWith(
                 {{QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen")}},
                 bus.environment());
         }},
        {"X11 raw input (Xvfb)",
         [&] {
             return environmentWith({{QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb")},
                                     {QStringLiteral("DISPLAY"), x11->name}},
                                    bus.environment());
         }},
        {"GNOME's compositor, XWayland", [&] { return onGnome("xcb"); }},
        {"GNOME's compositor, Wayland", [&] { return onGnome("wayland"); }},
    };
    const bool haveMutter = !QStandardPaths::findExecutable(QStringLiteral("mutter")).isEmpty();
    for (const auto& [name, environment] : sources) {
        if (QByteArray(name).startsWith("GNOME") && !haveMutter) {
            std::printf("%-40s %8s\n", name, "(no mutter)");
            continue;
        }
        AwayWorld world;
        Child quorvex;
        const QProcessEnvironment env = environment();
        if (!world.sim->ready() || !start(quorvex, world, env, {})) {
            std::fprintf(stderr, "could not start quorvex for %s\n", name);
            return 1;
        }
        QThread::msleep(1000);
        const double before = cpuMs(quorvex.processId());
        QThread::msleep(static_cast<unsigned long>(seconds) * 1000);
        const double used = cpuMs(quorvex.processId()) - before;
        std::printf("%-40s %8.2f\n", name, 100.0 * used / (seconds * 1000.0));
    }
    return 0;
}
