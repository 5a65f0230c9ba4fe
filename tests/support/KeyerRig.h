#pragma once

// quorvex in gateway mode against ts2sim, keying COM1 mapped to a pseudo-terminal
// whose modem lines the test interposer plays and logs. Used by the end-to-end keyer
// tests and the keyer benchmark.
#include "INIfile.h"
#include "Rig.h"
#include "SavedSettings.h"
#include "TempDir.h"

#include <QCheckBox>
#include <QFile>
#include <QSlider>

#include <chrono>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <stdlib.h>
#include <unistd.h>

struct LineEvent {
    std::int64_t ns;
    QByteArray what;
    bool rts, dtr;
};

inline std::int64_t monotonicNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

class KeyerRig {
public:
    KeyerRig() {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master >= 0 && ::grantpt(m_master) == 0 && ::unlockpt(m_master) == 0)
            pts = QString::fromLocal8Bit(::ptsname(m_master));
    }
    ~KeyerRig() {
        quorvex.stop(SIGKILL);
        sim.reset();
        if (m_master >= 0)
            ::close(m_master);
    }

    // Starts both programs; true once the port was opened and the gateway settled.
    // The program runs headless unless given an X display; extra adds to its environment.
    bool start(int hangMs, const QString& x11Display = {}, const QProcessEnvironment& extra = {}) {
        if (pts.isEmpty())
            return false;
        const QString socket = dir.file(QStringLiteral("client.sock"));
        saveWithSettingsPage(dir.file(QStringLiteral("ts.ini")), [this, hangMs](frmOptions& page) {
            page.cmbServerAdresse->setCurrentIndex(2);
            page.chkGateway->setChecked(true);
            page.cmbCOMPort->setCurrentIndex(1);
            page.optRTSDTR[0]->click();
            page.sldDelay->setValue(hangMs);
            page.sldWatchdog->setValue(5);
            if (morePage)
                morePage(page);
        });
        if (moreSettings)
            moreSettings(dir.file(QStringLiteral("ts.ini")));
        // COM1 leads to the pseudo-terminal, as a user maps an adapter with tsini.
        INIfile::INIWrite(dir.file(QStringLiteral("ts.ini")), QStringLiteral("Schnittstellen"),
                          QStringLiteral("COM1"), pts);
        dir.write(QStringLiteral("world.txt"),
                  "player 7 2 DL1ABC\n" + morePlayers +
                      "connect teamspeak://localhost:8767?nickname=DL0GW?loginname="
                      "?password=?channel=Funkraum?channelpassword=\n");
        if (startClient) {
            if (!startClient(socket))
                return false;
        } else {
            sim = std::make_unique<SimProcess>(socket, dir.file(QStringLiteral("world.txt")));
            if (!sim->ready())
                return false;
        }
        m_env = extra;
        // Beside another interposer the test gives.
        m_env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(INTERPOSER_PATH ":") +
                                                       extra.value(QStringLiteral("LD_PRELOAD")));
        m_env.insert(QStringLiteral("MODEM_INTERPOSE_PATH"), pts);
        m_env.insert(QStringLiteral("MODEM_INTERPOSE_LOG"), dir.file(QStringLiteral("lines.log")));
        m_env.insert(QStringLiteral("MODEM_INTERPOSE_UNPLUGGED"), unplugFlag());
        m_display = x11Display;
        return launch();
    }
    // Starts quorvex (again) on the files and client start() made.
    bool launch() {
        const std::size_t before = events().size();
        if (!startQuorvex(quorvex, dir.path(), dir.file(QStringLiteral("client.sock")), m_display,
                          m_env, arguments) ||
            !waitUntil([&] { return !serialKeying || events().size() >= before + 2; }, 5000))
            return false;
        QThread::msleep(300); // the gateway settles: flags, first release requests
        return true;
    }

    std::vector<LineEvent> events() const {
        QFile f(dir.file(QStringLiteral("lines.log")));
        std::vector<LineEvent> out;
        if (!f.open(QIODevice::ReadOnly))
            return out;
        for (const QByteArray& line : f.readAll().split('\n')) {
            const QList<QByteArray> p = line.split(' ');
            if (p.size() == 4)
                out.push_back({p[0].toLongLong(), p[1], p[2] == "RTS=1", p[3] == "DTR=1"});
        }
        return out;
    }
    // The changes after the program lowered both lines right after opening.
    std::vector<LineEvent> keying() const {
        auto all = events();
        std::size_t i = 0;
        while (i < all.size() && (all[i].rts || all[i].dtr))
            ++i;
        return {all.begin() + static_cast<std::ptrdiff_t>(std::min(i + 1, all.size())), all.end()};
    }
    int master() const { return m_master; } // the pseudo-terminal's other end
    QString unplugFlag() const { return dir.file(QStringLiteral("unplugged")); }
    void unplug(bool out) {
        if (out)
            dir.write(QStringLiteral("unplugged"), "1");
        else
            QFile::remove(unplugFlag());
    }
    void speak(bool on, const char* who = "7") {
        sim->command(QByteArray("speak ") + who + (on ? " on" : " off"));
    }

    TempDir dir;
    QString pts;
    std::unique_ptr<SimProcess> sim;
    // Another client than ts2sim behind the socket; true once it listens.
    std::function<bool(const QString& socket)> startClient;
    std::function<void(frmOptions&)> morePage; // more of page 1 than the keyer needs
    QByteArray morePlayers;                    // "player ID CHANNEL NAME" lines for ts2sim
    std::function<void(const QString& ini)> moreSettings; // what other pages saved
    QStringList arguments;                                // quorvex's command line
    bool serialKeying = true; // false: another interface keys, the serial port stays shut
    Child quorvex;

private:
    int m_master = -1;
    QProcessEnvironment m_env;
    QString m_display;
};
