#pragma once

#include <QProcess>

#include <csignal>
#include <sys/prctl.h>

// A program a test starts dies with the test, also when the test aborts or crashes
// and no destructor runs: nothing a test started keeps running after it.
inline void endWithTest(QProcess& process) {
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}
