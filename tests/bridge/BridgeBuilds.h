#pragma once

// The bridge as the tests run it: built for the host against the host's fake client
// library, and, where the 32-bit toolchain exists, built for i386 against an i386 fake.
// A host whose kernel executes no i386 code skips the second with the reason.
#include <QProcess>
#include <QString>

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

struct BridgeBuild {
    const char* name;
    const char* bridge;
    const char* library; // the fake client library it serves
    const char* dump;    // calls a library directly; built like the bridge
};

inline std::vector<BridgeBuild> bridgeBuilds() {
    std::vector<BridgeBuild> builds{{"host", BRIDGE_HOST_PATH, FAKE_CLIENT_HOST_PATH, DUMP_PATH}};
#ifdef BRIDGE_I386_PATH
    builds.push_back({"i386", BRIDGE_I386_PATH, FAKE_CLIENT_I386_PATH, DUMP_I386_PATH});
#endif
    return builds;
}

// Empty when the build runs here, else why it cannot.
inline QString whyBuildCannotRun(const BridgeBuild& build) {
#ifdef I386_PROBE_PATH
    if (QString::fromLatin1(build.name) != QStringLiteral("i386"))
        return {};
    QProcess probe;
    probe.start(QStringLiteral(I386_PROBE_PATH), {});
    if (!probe.waitForFinished(10000) || probe.exitStatus() != QProcess::NormalExit ||
        probe.exitCode() != 0)
        return QStringLiteral("this host executes no i386 programs (%1)").arg(probe.errorString());
#else
    (void)build;
#endif
    return {};
}

inline void PrintTo(const BridgeBuild& build, std::ostream* out) {
    *out << build.name;
}

inline std::string bridgeBuildName(const testing::TestParamInfo<BridgeBuild>& info) {
    return info.param.name;
}
