// Login and autostart links as desktop entries, in a private HOME/XDG tree.
#include "LoginLinks.h"

#include "DesktopEntry.h"
#include "Registry.h"

#include "Fakes.h"
#include "TempDir.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#include <sys/stat.h>

using Answer = platform::Prompts::Answer;
namespace de = platform::desktopentry;

class Links : public ::testing::Test {
protected:
    TempDir dir;
    QString home = dir.file(QStringLiteral("home"));
    platform::XdgDirs dirs{home + QStringLiteral("/.config"),
                           {dir.file(QStringLiteral("etc"))},
                           home + QStringLiteral("/.local/share"),
                           {dir.file(QStringLiteral("usr"))},
                           {dir.file(QStringLiteral("bin"))}};
    platform::Registry registry{dirs, home};
    fakes::Prompts prompts;
    fakes::Shell shell;
    LoginFields fields{QStringLiteral("funk.example"),
                       QStringLiteral("8767"),
                       QStringLiteral("DL0GW Relais?2"),
                       QString(),
                       QString(),
                       QStringLiteral("Funkraum"),
                       QString()};
    LoginLinks links{LoginLinks::Parts{registry, prompts, shell, [this] { return fields; },
                                       [] { return QStringLiteral("Quorvex v0.2.6 alpha 4"); },
                                       QStringLiteral("/opt/quorvex/bin/quorvex"),
                                       [this] { return mumble; }}};
    bool mumble = false;

    void SetUp() override {
        QDir().mkpath(home + QStringLiteral("/Schreibtisch"));
        QDir().mkpath(dirs.configHome);
        QFile f(dirs.configHome + QStringLiteral("/user-dirs.dirs"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
    }
    QString desktop(const QString& name) const {
        return home + QStringLiteral("/Schreibtisch/") + name;
    }
    QString autostart(const QString& name) const {
        return dirs.configHome + QStringLiteral("/autostart/") + name;
    }
    static unsigned mode(const QString& path) {
        struct stat st {};
        return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 0777 : 0;
    }
    static QByteArray read(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // The URL a launcher hands to xdg-open, read back the way a launcher reads it.
    static QString launchedUrl(const QString& path) {
        for (const QByteArray& line : read(path).split('\n')) {
            if (!line.startsWith("Exec="))
                continue;
            const auto args = de::splitExec(de::unescapeValue(QString::fromUtf8(line.mid(5))));
            if (!args || args->size() != 2 || args->at(0) != QLatin1String("xdg-open"))
                return QStringLiteral("<bad Exec>");
            return QString(args->at(1)).replace(QLatin1String("%%"), QLatin1String("%"));
        }
        return {};
    }
    static QString validate(const QString& path) {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral("desktop-file-validate"), {path});
        p.waitForFinished(10000);
        return p.exitCode() == 0 ? QString() : QString::fromUtf8(p.readAll());
    }
};

TEST_F(Links, TheDesktopLinkTakesTheProposedNameAndOpensTheLoginUrl) {
    prompts.nextInputs.push_back(QStringLiteral("Orvanta Login"));
    links.MakeDesktopLink();
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].title, QStringLiteral("Desktop-Link erzeugen"));
    EXPECT_EQ(prompts.asked[0].prompt,
              QStringLiteral("Bitte Namen f\u00FCr den Link angeben, der auf dem Desktop erzeugt "
                             "wird"));
    EXPECT_EQ(prompts.asked[0].initial, QStringLiteral("Orvanta Login"));
    const QString file = desktop(QStringLiteral("Orvanta Login.desktop"));
    // Every item present, nothing escaped in the URL itself (the program's end-to-end test
    // reads the whole Exec line).
    EXPECT_EQ(launchedUrl(file),
              QStringLiteral("teamspeak://funk.example:8767?nickname=DL0GW Relais?2?loginname="
                             "?password=?channel=Funkraum?channelpassword="));
    EXPECT_EQ(mode(file), 0700) << "holds the password; launchable";
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text,
              QStringLiteral("Desktoplink mit dem Namen ''Orvanta Login'' wurde erfolgreich "
                             "erstellt"));
    EXPECT_EQ(prompts.shown[0].icon, platform::Prompts::Icon::Information);
}

TEST_F(Links, AnExistingLinkIsReplacedOnlyWhenThePersonSaysYes) {
    prompts.nextInputs = {QStringLiteral("Relais"), QStringLiteral("Relais"),
                          QStringLiteral("Relais")};
    links.MakeDesktopLink();
    const QByteArray first = read(desktop(QStringLiteral("Relais.desktop")));
    fields.password = QStringLiteral("geheim");
    prompts.shown.clear();
    prompts.nextAnswers = {Answer::No};
    links.MakeDesktopLink();
    ASSERT_EQ(prompts.shown.size(), 1u) << "the question, no success box";
    EXPECT_EQ(prompts.shown[0].text,
              QStringLiteral("Link mit dem Namen ''Relais'' schon vorhanden. Ersetzen ?"));
    EXPECT_EQ(prompts.shown[0].title, QStringLiteral("Quorvex v0.2.6 alpha 4"));
    EXPECT_EQ(prompts.shown[0].defaultAnswer, Answer::No);
    EXPECT_EQ(read(desktop(QStringLiteral("Relais.desktop"))), first);
    prompts.nextAnswers = {Answer::Yes};
    links.MakeDesktopLink();
    EXPECT_TRUE(launchedUrl(desktop(QStringLiteral("Relais.desktop")))
                    .contains(QStringLiteral("?password=geheim?")));
}

TEST_F(Links, CancelledOrEmptyNamesAndNamesWithASlashWriteNothing) {
    links.MakeDesktopLink(); // cancelled
    prompts.nextInputs = {QString(), QStringLiteral("../../Autostart/x")};
    links.MakeDesktopLink();
    links.MakeDesktopLink();
    EXPECT_TRUE(QDir(home + QStringLiteral("/Schreibtisch")).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("Autostart/x.desktop"))));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_TRUE(prompts.shown[0].text.startsWith(QStringLiteral("Ein Fehler ist aufgetreten : ")));
    EXPECT_EQ(prompts.shown[0].icon, platform::Prompts::Icon::Critical);
}

TEST_F(Links, AFolderThatCannotTakeTheLinkReportsWhy) {
    QFile::remove(dirs.configHome + QStringLiteral("/user-dirs.dirs"));
    prompts.nextInputs = {QStringLiteral("Relais")};
    links.MakeDesktopLink(); // ~/Desktop does not exist
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_GT(prompts.shown[0].text.size(), QStringLiteral("Ein Fehler ist aufgetreten : ").size());
    EXPECT_EQ(prompts.shown[0].icon, platform::Prompts::Icon::Critical);
}

TEST_F(Links, TheFolderLinkAsksWhereAndOpensTheFolderUnlessTold) {
    const QString folder = dir.file(QStringLiteral("links"));
    QDir().mkpath(folder);
    prompts.nextFolders = {folder, folder, folder};
    prompts.nextInputs = {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")};
    prompts.nextAnswers = {Answer::Yes, Answer::No, Answer::Cancel};
    links.MakeFolderLink();
    links.MakeFolderLink();
    links.MakeFolderLink();
    EXPECT_EQ(prompts.folderCaptions.value(0),
              QStringLiteral("Speicherordner f\u00FCr die Verkn\u00FCpfungen"));
    EXPECT_EQ(prompts.asked[0].title, QStringLiteral("Link erzeugen"));
    EXPECT_EQ(prompts.shown[0].text,
              QStringLiteral("Link erfolgreich erzeugt. Verzeichnis jetzt \u00F6ffnen ?"));
    EXPECT_EQ(shell.opened, (QStringList{folder, folder})) << "Yes and a closed box open it";
    for (const char* n : {"A", "B", "C"})
        EXPECT_TRUE(QFileInfo::exists(folder + QLatin1Char('/') + QLatin1String(n) +
                                      QStringLiteral(".desktop")));
    links.MakeFolderLink(); // picker cancelled: nothing more asked
    EXPECT_EQ(prompts.asked.size(), 3u);
}

TEST_F(Links, AutostartWritesBothLinksEveryTimeAndDeleteRemovesExactlyThem) {
    links.CreateFileShortcut();
    const QByteArray program = read(autostart(QStringLiteral("Quorvex.desktop")));
    EXPECT_TRUE(program.contains("\nExec=/opt/quorvex/bin/quorvex\nPath=/opt/quorvex/bin\n"))
        << program.constData();
    EXPECT_EQ(launchedUrl(autostart(QStringLiteral("TS starten.desktop"))),
              LoginURL(fields, false));
    EXPECT_EQ(mode(autostart(QStringLiteral("TS starten.desktop"))), 0600);
    EXPECT_EQ(mode(autostart(QStringLiteral("Quorvex.desktop"))), 0644);
    if (!QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate")).isEmpty()) {
        EXPECT_EQ(validate(autostart(QStringLiteral("Quorvex.desktop"))), QString());
        EXPECT_EQ(validate(autostart(QStringLiteral("TS starten.desktop"))), QString());
    }
    fields.port = QStringLiteral("9999");
    fields.nickname = QStringLiteral("Neu");
    links.CreateFileShortcut();
    EXPECT_EQ(launchedUrl(autostart(QStringLiteral("TS starten.desktop"))),
              QStringLiteral("teamspeak://funk.example?nickname=Neu?loginname=?password="
                             "?channel=Funkraum?channelpassword="));
    EXPECT_TRUE(prompts.shown.empty()) << "no question, no message";

    // A symbolic link planted at an entry's name is replaced, its target left alone.
    QFile other(autostart(QStringLiteral("other.desktop")));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write("fremd\n");
    other.close();
    ASSERT_TRUE(QFile::setPermissions(other.fileName(), QFileDevice::ReadOwner |
                                                            QFileDevice::WriteOwner |
                                                            QFileDevice::ReadOther));
    QFile::remove(autostart(QStringLiteral("TS starten.desktop")));
    ASSERT_TRUE(other.link(autostart(QStringLiteral("TS starten.desktop"))));
    links.CreateFileShortcut();
    EXPECT_EQ(read(other.fileName()), QByteArray("fremd\n"));
    EXPECT_EQ(mode(other.fileName()), 0604);
    EXPECT_FALSE(QFileInfo(autostart(QStringLiteral("TS starten.desktop"))).isSymLink());
    EXPECT_EQ(mode(autostart(QStringLiteral("TS starten.desktop"))), 0600);
    links.DeleteFileShortCut();
    EXPECT_EQ(QDir(autostart(QString())).entryList(QDir::Files),
              QStringList{QStringLiteral("other.desktop")});
    links.DeleteFileShortCut(); // nothing there: silent
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(Links, HostileLoginDataStaysOneValueInOneKey) {
    const QStringList hostile{QStringLiteral("a\nExec=rm -rf ~"),
                              QStringLiteral("a\r\n[Desktop Action x]"),
                              QStringLiteral("\"; touch /tmp/pwned; \""),
                              QStringLiteral("%u %f %%"),
                              QStringLiteral("a;b;c"),
                              QStringLiteral("$(id) ${HOME} $HOME"),
                              QStringLiteral("`id`"),
                              QStringLiteral("-n --help"),
                              QStringLiteral("back\\slash\\"),
                              QStringLiteral("\t tab"),
                              QString(2000, QLatin1Char('x'))};
    for (const QString& value : hostile) {
        fields.nickname = value;
        fields.password = value;
        prompts.nextInputs = {QStringLiteral("Login")};
        prompts.nextAnswers = {Answer::Yes};
        links.MakeDesktopLink();
        const QString file = desktop(QStringLiteral("Login.desktop"));
        const QByteArray content = read(file);
        EXPECT_EQ(launchedUrl(file), LoginURL(fields, true)) << value.left(40).toStdString();
        EXPECT_EQ(content.count('\n'), 7) << "no line of its own:\n" << content.left(300).data();
        EXPECT_EQ(content.count("\nExec="), 1);
        if (!QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate")).isEmpty()) {
            EXPECT_EQ(validate(file), QString()) << value.left(40).toStdString();
        }
    }
}

// A file manager's launch: gio runs the entry, xdg-open hands the URL to the handler of
// the private XDG tree, here a script that records its arguments.
TEST_F(Links, LaunchingALoginLinkHandsTheUrlToTheClientsHandler) {
    for (const char* tool : {"gio", "xdg-open"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            GTEST_SKIP() << "needs gio and xdg-open (libglib2.0-bin, xdg-utils)";
    }
    const QString record = dir.file(QStringLiteral("launched.txt"));
    const QString handler = dir.file(QStringLiteral("record-url"));
    {
        QFile f(handler);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$#\" \"$1\" > '%1'\n")
                    .arg(record)
                    .toUtf8());
        f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    platform::XdgSchemeHandler scheme(dirs);
    ASSERT_TRUE(scheme.setCommand(QLatin1Char('"') + handler + QStringLiteral("\" \"%1\"")));
    fields.password = QStringLiteral("p@ss word");
    prompts.nextInputs = {QStringLiteral("Orvanta Login")};
    links.MakeDesktopLink();

    QProcess gio;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dirs.configHome);
    env.insert(QStringLiteral("XDG_DATA_HOME"), dirs.dataHome);
    // A session without a known desktop: xdg-open looks the handler up itself (it
    // does so only where a display is named; none is opened).
    env.remove(QStringLiteral("XDG_CURRENT_DESKTOP"));
    env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":99"));
    gio.setProcessEnvironment(env);
    gio.setProcessChannelMode(QProcess::ForwardedChannels);
    gio.start(QStringLiteral("gio"),
              {QStringLiteral("launch"), desktop(QStringLiteral("Orvanta Login.desktop"))});
    ASSERT_TRUE(gio.waitForFinished(10000));
    QElapsedTimer t;
    t.start();
    // The handler writes its record in pieces: it is read once both lines are there.
    while (read(record).count('\n') < 2 && t.elapsed() < 10000)
        QThread::msleep(20);
    EXPECT_EQ(QString::fromUtf8(read(record)),
              QStringLiteral("1\n") + LoginURL(fields, true) + QLatin1Char('\n'));
}

TEST_F(Links, TheRegistryPathsLeadToTheDesktopsPlaces) {
    using R = platform::Registry;
    EXPECT_EQ(registry.RegRead(QLatin1String(R::DesktopPath)),
              home + QStringLiteral("/Schreibtisch"));
    EXPECT_EQ(registry.RegRead(QString::fromLatin1(R::StartUpPath).toLower()),
              dirs.configHome + QStringLiteral("/autostart"));
    EXPECT_FALSE(registry.RegWrite(QLatin1String(R::DesktopPath), QStringLiteral("/tmp"),
                                   QStringLiteral("REG_SZ")));
    QFile::remove(dirs.configHome + QStringLiteral("/user-dirs.dirs"));
    EXPECT_EQ(registry.RegRead(QLatin1String(R::DesktopPath)), home + QStringLiteral("/Desktop"));

    // Anything else is kept in our own store, default values and named ones alike.
    const QString key = QStringLiteral("HKEY_CURRENT_USER\\Software\\Quorvex\\");
    EXPECT_EQ(registry.RegRead(key), QString());
    EXPECT_TRUE(registry.RegWrite(key, QStringLiteral("eins"), QStringLiteral("REG_SZ")));
    EXPECT_TRUE(registry.RegWrite(key + QStringLiteral("Wert"), QStringLiteral("zwei"),
                                  QStringLiteral("REG_SZ")));
    EXPECT_EQ(registry.RegRead(key.toUpper()), QStringLiteral("eins"));
    EXPECT_EQ(registry.RegRead(key + QStringLiteral("wert")), QStringLiteral("zwei"));
    EXPECT_FALSE(registry.RegWrite(key, QStringLiteral("a\nb=c"), QStringLiteral("REG_SZ")));
    EXPECT_EQ(registry.RegRead(key), QStringLiteral("eins"));
    // The handler's icon: what a save stored, else the program the handler runs.
    EXPECT_EQ(registry.RegRead(QLatin1String(R::IconPath)), QString());
    EXPECT_TRUE(registry.RegWrite(QLatin1String(R::CommandPath),
                                  QStringLiteral("\"/opt/ts2/TeamSpeak\" \"%1\""),
                                  QStringLiteral("REG_SZ")));
    EXPECT_EQ(registry.RegRead(QLatin1String(R::CommandPath)),
              QStringLiteral("\"/opt/ts2/TeamSpeak\" \"%1\""));
    EXPECT_EQ(registry.RegRead(QLatin1String(R::IconPath)), QStringLiteral("/opt/ts2/TeamSpeak"));
}

// With Mumble chosen, both links carry its URL, the port always in it; an address it
// cannot take is an error, not a link.
TEST_F(Links, WithMumbleTheLinksOpenItsUrl) {
    mumble = true;
    prompts.nextInputs = {QStringLiteral("Relais")};
    links.MakeDesktopLink();
    const QString url = QStringLiteral("mumble://DL0GW%20Relais%3F2@funk.example:8767/Funkraum"
                                       "?version=1.2.0");
    EXPECT_EQ(launchedUrl(desktop(QStringLiteral("Relais.desktop"))), url);
    links.CreateFileShortcut();
    EXPECT_EQ(launchedUrl(autostart(QStringLiteral("TS starten.desktop"))), url);

    fields.server = QStringLiteral("funk example");
    prompts.nextInputs = {QStringLiteral("Kaputt")};
    links.MakeDesktopLink();
    EXPECT_FALSE(QFileInfo::exists(desktop(QStringLiteral("Kaputt.desktop"))));
    ASSERT_FALSE(prompts.shown.empty());
    EXPECT_TRUE(prompts.shown.back().text.contains(QStringLiteral("Mumble")));
}
