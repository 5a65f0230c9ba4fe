#pragma once

#include "ChildProcess.h"

#include <QByteArray>
#include <QProcess>
#include <QStringList>

#include <csignal>

// ts2sim started headless on a private socket, as the tests' client.
class SimProcess {
public:
    explicit SimProcess(const QString& socketPath, const QString& script = {}) {
        QStringList args{QStringLiteral("--no-window"), QStringLiteral("--socket"), socketPath};
        if (!script.isEmpty())
            args << QStringLiteral("--script") << script;
        asChildOfTest(m_process);
        m_process.start(QStringLiteral(TS2SIM_PATH), args);
        m_process.waitForStarted(5000);
        while (!m_output.contains("ready on") && m_process.waitForReadyRead(5000))
            m_output += m_process.readAllStandardOutput();
    }
    ~SimProcess() {
        if (m_process.state() != QProcess::NotRunning) {
            ::kill(static_cast<pid_t>(m_process.processId()), SIGCONT);
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    bool ready() const { return m_output.contains("ready on"); }
    void command(const QByteArray& line) {
        m_process.write(line + '\n');
        m_process.waitForBytesWritten(1000);
    }
    // Everything it printed so far.
    QByteArray output() {
        m_process.waitForReadyRead(50);
        m_output += m_process.readAllStandardOutput();
        return m_output;
    }
    void signal(int sig) { ::kill(static_cast<pid_t>(m_process.processId()), sig); }
    bool waitForEnd(int ms) { return m_process.waitForFinished(ms); }
    bool running() const { return m_process.state() != QProcess::NotRunning; }

private:
    QProcess m_process;
    QByteArray m_output;
};
