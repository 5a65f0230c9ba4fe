#pragma once

// The real Mumble programs for end-to-end tests, on loopback and in private folders:
// murmurd with a channel "Funkraum" and a certificate of the test's own, and Mumble
// clients, each with its own home, identity and session bus, that trust that server
// and skip their first-start wizards. Needs the mumble, mumble-server, openssl,
// sqlite3 and dbus packages.
#include "Rig.h"
#include "SessionBus.h"
#include "TempDir.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTcpServer>

#include <unistd.h>

inline bool haveMumble() {
    for (const char* tool : {"mumble", "murmurd", "openssl", "sqlite3", "dbus-daemon"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            return false;
    }
    return true;
}

// A self-signed certificate and key in dir as name.pem and name.key.
inline bool makeCertificate(const TempDir& dir, const QString& name) {
    return runTool(QStringLiteral("openssl"),
                   {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                    QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-days"),
                    QStringLiteral("30"), QStringLiteral("-subj"), QStringLiteral("/CN=") + name,
                    QStringLiteral("-keyout"), dir.file(name + QStringLiteral(".key")),
                    QStringLiteral("-out"), dir.file(name + QStringLiteral(".pem"))},
                   nullptr, QProcessEnvironment::systemEnvironment(), 30000);
}

class MumbleServer {
public:
    MumbleServer() {
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHost) || !makeCertificate(m_dir, "server"))
            return;
        port = probe.serverPort();
        probe.close();
        QByteArray fingerprint;
        runTool(QStringLiteral("openssl"),
                {QStringLiteral("x509"), QStringLiteral("-noout"), QStringLiteral("-fingerprint"),
                 QStringLiteral("-sha1"), QStringLiteral("-in"), m_dir.file("server.pem")},
                &fingerprint);
        digest = QString::fromLatin1(fingerprint.mid(fingerprint.indexOf('=') + 1).trimmed())
                     .remove(QLatin1Char(':'))
                     .toLower();
        // Started by root, murmurd would change to its own user, which clears the signal
        // that ends it with a killed test: it stays root instead.
        m_dir.write(QStringLiteral("murmur.ini"),
                    QStringLiteral("database=%1\nhost=127.0.0.1\nport=%2\nsslCert=%3\nsslKey=%4\n"
                                   "logfile=\npidfile=\nwelcometext=\nusers=10\n%5")
                        .arg(m_dir.file("murmur.sqlite"))
                        .arg(port)
                        .arg(m_dir.file("server.pem"), m_dir.file("server.key"),
                             ::geteuid() == 0 ? QStringLiteral("uname=root\n") : QString())
                        .toUtf8());
        // The first start makes the database; the channel goes in between two starts.
        if (!start() || !waitUntil([this] { return listening(); }, 10000))
            return;
        m_server.stop();
        ok = runTool(QStringLiteral("sqlite3"),
                     {m_dir.file("murmur.sqlite"),
                      QStringLiteral("INSERT INTO channels (server_id, channel_id, parent_id, "
                                     "name, inheritacl) VALUES (1, 1, 0, 'Funkraum', 1);")}) &&
             start() && waitUntil([this] { return listening(); }, 10000);
    }
    QByteArray log() {
        m_log += m_server.readAllStandardError() + m_server.readAllStandardOutput();
        return m_log;
    }

    bool ok = false;
    quint16 port = 0;
    QString digest; // SHA-1 of the certificate, as the clients store trusted ones

private:
    bool start() {
        m_log.clear();
        m_server.setProcessChannelMode(QProcess::SeparateChannels);
        m_server.start(QStringLiteral("murmurd"),
                       {QStringLiteral("-fg"), QStringLiteral("-ini"), m_dir.file("murmur.ini")});
        return m_server.waitForStarted(5000);
    }
    bool listening() { return log().contains("Server listening"); }

    TempDir m_dir;
    Child m_server;
    QByteArray m_log;
};

// A Mumble client as a user has it: its own home, an identity, the server trusted.
class MumbleUser {
public:
    // transmit: 0 continuous, 2 push to talk. url: where to connect at start, if anywhere.
    MumbleUser(const QString& name, const MumbleServer& server, const QString& display,
               const QProcessEnvironment& sound, int transmit, const QString& url = {}) {
        const QString home = m_dir.file(QStringLiteral("home"));
        for (const char* sub : {"/.config/Mumble", "/Documents", "/.local/share/Mumble/Mumble"})
            QDir().mkpath(home + QLatin1String(sub));
        QDir().mkpath(m_dir.file(QStringLiteral("run")));
        QFile::setPermissions(m_dir.file(QStringLiteral("run")), QFileDevice::ReadOwner |
                                                                     QFileDevice::WriteOwner |
                                                                     QFileDevice::ExeOwner);
        // No audio wizard, no questions on quitting, no looking for updates.
        m_dir.write(QStringLiteral("home/.config/Mumble/Mumble.conf"),
                    QStringLiteral("[General]\nlastupdate=2\n\n[audio]\ntransmit=%1\n\n"
                                   "[pulseaudio]\ninput=tone\n\n[ui]\naskonquit=false\n"
                                   "updatecheck=false\nplugincheck=false\nusage=false\n")
                        .arg(transmit)
                        .toUtf8());
        // An identity where Mumble looks for its backup: no certificate wizard.
        if (!makeCertificate(m_dir, name) ||
            !runTool(QStringLiteral("openssl"),
                     {QStringLiteral("pkcs12"), QStringLiteral("-export"), QStringLiteral("-inkey"),
                      m_dir.file(name + ".key"), QStringLiteral("-in"), m_dir.file(name + ".pem"),
                      QStringLiteral("-passout"), QStringLiteral("pass:"), QStringLiteral("-out"),
                      home + "/Documents/MumbleAutomaticCertificateBackup.p12"}))
            return;
        // The server's certificate trusted under both names, as a "yes" to Mumble's question.
        const QString trust =
            QStringLiteral("CREATE TABLE `cert` (`id` INTEGER PRIMARY KEY AUTOINCREMENT, "
                           "`hostname` TEXT, `port` INTEGER, `digest` TEXT); "
                           "INSERT INTO cert (hostname, port, digest) VALUES "
                           "('localhost', %1, '%2'), ('127.0.0.1', %1, '%2');")
                .arg(server.port)
                .arg(server.digest);
        if (!runTool(QStringLiteral("sqlite3"),
                     {home + "/.local/share/Mumble/Mumble/mumble.sqlite", trust}))
            return;
        QProcessEnvironment env = bus.environment();
        for (const QString& key : sound.keys())
            env.insert(key, sound.value(key));
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.file(QStringLiteral("run")));
        env.insert(QStringLiteral("TMPDIR"), m_dir.file(QStringLiteral("run")));
        env.insert(QStringLiteral("DISPLAY"), display);
        for (const char* gone : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "QT_QPA_PLATFORM"})
            env.remove(QLatin1String(gone));
        m_mumble.setProcessEnvironment(env);
        m_mumble.setProcessChannelMode(QProcess::SeparateChannels);
        m_mumble.setStandardOutputFile(QProcess::nullDevice());
        m_mumble.setStandardErrorFile(m_dir.file(QStringLiteral("mumble.log")));
        QStringList arguments{QStringLiteral("-m")};
        if (!url.isEmpty())
            arguments << url;
        // Ready once it answers on its bus; started again should it end at once (a fresh
        // display now and then refuses its first client, as startQuorvex knows).
        for (int attempt = 0; attempt < 3 && !ok; ++attempt) {
            m_mumble.start(QStringLiteral("mumble"), arguments);
            ok = m_mumble.waitForStarted(5000) &&
                 waitUntil(
                     [this] {
                         return !m_mumble.running() ||
                                call("isSelfMuted").type() == QDBusMessage::ReplyMessage;
                     },
                     20000, 50) &&
                 m_mumble.running();
            if (!ok)
                m_mumble.waitForFinished(1000);
        }
    }
    ~MumbleUser() { QDBusConnection::disconnectFromBus(m_connection); }

    // A call of the client's D-Bus interface, as any program on its bus would make it.
    QDBusMessage call(const char* method, const QVariantList& arguments = {}) {
        QDBusConnection c = QDBusConnection::connectToBus(bus.address, m_connection);
        QDBusMessage m = QDBusMessage::createMethodCall(
            QStringLiteral("net.sourceforge.mumble.mumble"), QStringLiteral("/"),
            QStringLiteral("net.sourceforge.mumble.Mumble"), QLatin1String(method));
        m.setArguments(arguments);
        return c.call(m, QDBus::Block, 2000);
    }
    QVariant value(const char* method) { return call(method).arguments().value(0); }
    void quit() { m_mumble.stop(); }
    QByteArray log() const { return m_dir.read(QStringLiteral("mumble.log")); }

    SessionBus bus;
    bool ok = false;

private:
    TempDir m_dir;
    Child m_mumble;
    QString m_connection = QStringLiteral("mumble-user-%1").arg(reinterpret_cast<quintptr>(this));
};
