// Test only: the Mumble client's D-Bus interface on the session bus, driven from
// standard input and logging every call to standard output. Commands, one per line:
//   url <mumble URL>     connected, with this current URL
//   offline              not connected (the calls answer Mumble's connection error)
//   talking <a,b,...>    the users the client plays now (empty: nobody)
//   bloat <N>            a channel name of N characters and N talkers, the first named by N
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusError>
#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

class FakeMumble : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "net.sourceforge.mumble.Mumble")
public:
    QString url;
    QStringList talking;
    bool muted = false, deaf = false;

public Q_SLOTS:
    QStringList getTalkingUsers() { return connected() ? talking : QStringList(); }
    QString getCurrentUrl() { return connected() ? url : QString(); }
    void openUrl(const QString& u) { log("openUrl " + u); }
    void setSelfMuted(bool on) {
        muted = on;
        log(QStringLiteral("setSelfMuted %1").arg(on));
    }
    void setSelfDeaf(bool on) {
        deaf = on;
        muted = muted || on;
        log(QStringLiteral("setSelfDeaf %1").arg(on));
    }
    bool isSelfMuted() { return muted; }
    bool isSelfDeaf() { return deaf; }
    void focus() {}

private:
    bool connected() {
        if (!url.isEmpty())
            return true;
        sendErrorReply(QStringLiteral("net.sourceforge.mumble.Error.connection"),
                       QStringLiteral("Not connected"));
        return false;
    }
    static void log(const QString& line) {
        std::printf("%s\n", qPrintable(line));
        std::fflush(stdout);
    }
};

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    FakeMumble mumble;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/"), &mumble, QDBusConnection::ExportAllSlots) ||
        !bus.registerService(QStringLiteral("net.sourceforge.mumble.mumble"))) {
        std::fprintf(stderr, "fake_mumble: %s\n", qPrintable(bus.lastError().message()));
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[4096];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            QCoreApplication::quit();
            return;
        }
        pending.append(buffer, n);
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1)) {
            const QString line = QString::fromUtf8(pending.left(end));
            if (line.startsWith(QLatin1String("url ")))
                mumble.url = line.mid(4);
            else if (line == QLatin1String("offline"))
                mumble.url.clear();
            else if (line.startsWith(QLatin1String("talking")))
                mumble.talking = line.mid(8).split(QLatin1Char(','), Qt::SkipEmptyParts);
            else if (line.startsWith(QLatin1String("bloat "))) {
                // A hostile client: a channel of N characters, and N talkers of whom the
                // first has a name of N characters.
                const int n = line.mid(6).toInt();
                mumble.url.insert(mumble.url.indexOf(QLatin1Char('?')),
                                  QString(n, QLatin1Char('x')));
                mumble.talking = QStringList{QString(n, QLatin1Char('y'))};
                for (int i = 1; i < n; ++i)
                    mumble.talking << QStringLiteral("N%1").arg(i);
            }
            std::printf("ok %s\n", qPrintable(line.left(100)));
            std::fflush(stdout);
        }
    });
    return app.exec();
}

#include "fake_mumble.moc"
