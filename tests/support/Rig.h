#pragma once

// The process rigs of the tests: programs that end with the test, the one wait for a
// condition, and quorvex and ts2sim started the way the tests need them.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <csignal>
#include <cstdio>
#include <initializer_list>
#include <utility>

#include <sys/prctl.h>

// A program a test starts. It dies with the test, also when the test aborts and no
// destructor runs, and its destructor ends it on every other path. What it writes to
// standard error shows in the test's output, where a sanitizer's report from it is found.
class Child : public QProcess {
public:
    Child() {
        setProcessChannelMode(QProcess::ForwardedErrorChannel);
        setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    }
    ~Child() override { stop(); }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // Politely first, so a server removes its socket; a stopped one is woken to hear it.
    void stop(int sig = SIGTERM) {
        if (state() == QProcess::NotRunning)
            return;
        signal(SIGCONT);
        signal(sig);
        if (!waitForFinished(3000)) {
            kill();
            waitForFinished(3000);
        }
    }
    void signal(int sig) const { ::kill(static_cast<pid_t>(processId()), sig); }
    bool running() const { return state() != QProcess::NotRunning; }
};

// This process's environment with some variables set (an empty value removes one).
inline QProcessEnvironment
environmentWith(std::initializer_list<std::pair<QString, QString>> changes,
                QProcessEnvironment env = QProcessEnvironment::systemEnvironment()) {
    for (const auto& [name, value] : changes) {
        if (value.isEmpty())
            env.remove(name);
        else
            env.insert(name, value);
    }
    return env;
}

// Runs a command to its end; true when it ended with exit code 0 in time.
inline bool runTool(const QString& program, const QStringList& arguments,
                    QByteArray* output = nullptr,
                    const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
                    int ms = 10000) {
    QProcess tool;
    tool.setProcessEnvironment(env);
    tool.start(program, arguments);
    const bool ok = tool.waitForFinished(ms) && tool.exitStatus() == QProcess::NormalExit &&
                    tool.exitCode() == 0;
    if (output)
        *output = tool.readAllStandardOutput();
    return ok;
}

// Runs the event loop until the condition holds or the time is up; the one wait of the
// rigs, so no test sleeps where it can wait for a condition.
template <typename F> bool waitUntil(F condition, int ms = 5000, int stepMs = 5) {
    QElapsedTimer t;
    t.start();
    while (!condition()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, stepMs);
        QThread::msleep(static_cast<unsigned long>(stepMs));
    }
    return true;
}

#ifdef QUORVEX_PATH
// The quorvex program with its ts.ini in home and the client behind socket; headless
// unless an X display is given.
inline bool startQuorvex(Child& quorvex, const QString& home, const QString& socket,
                         const QString& x11Display = {}, const QProcessEnvironment& extra = {},
                         const QStringList& arguments = {}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(extra);
    quorvex.setProcessEnvironment(environmentWith(
        {{QStringLiteral("QT_QPA_PLATFORM"),
          x11Display.isEmpty() ? QStringLiteral("offscreen") : QStringLiteral("xcb")},
         {QStringLiteral("DISPLAY"), x11Display},
         {QStringLiteral("QUORVEX_HOME"), home},
         {QStringLiteral("TSREMOTE_SOCKET"), socket}},
        env));
    // On a private X display: started again if it ends at once (it could not reach the
    // display), which a fresh display now and then makes it do.
    for (int attempt = 0; attempt < 3; ++attempt) {
        quorvex.start(QStringLiteral(QUORVEX_PATH), arguments);
        if (!quorvex.waitForStarted(5000))
            return false;
        if (x11Display.isEmpty() || !quorvex.waitForFinished(1000))
            return true;
        std::fprintf(stderr, "startQuorvex: ended at once on %s, starting it again\n",
                     qPrintable(x11Display));
        QThread::msleep(300);
    }
    return false;
}
#endif

#ifdef TS2SIM_PATH
// ts2sim started headless on a private socket, as the tests' client.
class SimProcess {
public:
    explicit SimProcess(const QString& socketPath, const QString& script = {}) {
        QStringList args{QStringLiteral("--no-window"), QStringLiteral("--socket"), socketPath};
        if (!script.isEmpty())
            args << QStringLiteral("--script") << script;
        m_process.start(QStringLiteral(TS2SIM_PATH), args);
        m_process.waitForStarted(5000);
        while (!m_output.contains("ready on") && m_process.waitForReadyRead(5000))
            m_output += m_process.readAllStandardOutput();
    }

    bool ready() const { return m_output.contains("ready on"); }
    void command(const QByteArray& line) {
        m_process.write(line + '\n');
        m_process.waitForBytesWritten(1000);
    }
    // Everything it printed so far, after waiting up to waitMs for more.
    QByteArray output(int waitMs = 50) {
        m_process.waitForReadyRead(waitMs);
        m_output += m_process.readAllStandardOutput();
        return m_output;
    }
    Child& process() { return m_process; }

private:
    Child m_process;
    QByteArray m_output;
};
#endif
