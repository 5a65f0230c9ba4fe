#pragma once

#include <QProcess>

#include <csignal>
#include <sys/prctl.h>

// A program a test starts dies with the test, also when the test aborts or crashes and
// no destructor runs, so nothing a test started keeps running after it. What it writes
// to standard error shows in the test's own output, where a sanitizer's report from
// the child is found.
inline void asChildOfTest(QProcess& process) {
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}
