#include "LoginLinks.h"

#include "DesktopEntry.h"
#include "LinkFiles.h"
#include "MumbleUrl.h"
#include "ProgramFolder.h"
#include "Prompts.h"
#include "Registry.h"
#include "Shell.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace de = platform::desktopentry;
using platform::Prompts;

namespace {

// Links that carry the password: for the owner only, and launchable.
constexpr QFileDevice::Permissions LoginLinkMode =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
constexpr QFileDevice::Permissions AutostartLoginMode =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr QFileDevice::Permissions ProgramLinkMode =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
    QFileDevice::ReadOther;

// An Exec argument: quoted where needed, and "%" doubled so it is no field code.
QString execArgument(const QString& value) {
    return de::execArgument(QString(value).replace(QLatin1Char('%'), QLatin1String("%%")));
}

QString entry(const QString& name, const QString& comment, const QString& exec,
              const QString& extra) {
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=%1\n"
                          "Comment=%2\n"
                          "Exec=%3\n"
                          "%4"
                          "Icon=quorvex\n"
                          "Terminal=false\n")
        .arg(de::escapeValue(name), de::escapeValue(comment), de::escapeValue(exec), extra);
}

} // namespace

QString LoginURL(const LoginFields& f, bool withPort) {
    QString url = QStringLiteral("teamspeak://") + f.server;
    if (withPort)
        url += QLatin1Char(':') + f.port;
    return url + QStringLiteral("?nickname=") + f.nickname + QStringLiteral("?loginname=") +
           f.loginName + QStringLiteral("?password=") + f.password + QStringLiteral("?channel=") +
           f.channel + QStringLiteral("?channelpassword=") + f.channelPassword;
}

QString urlLinkEntry(const QString& name, const QString& url) {
    return entry(name, QStringLiteral("TeamSpeak 2 Login"),
                 QStringLiteral("xdg-open ") + execArgument(url), QString());
}

QString programLinkEntry(const QString& name, const QString& comment, const QString& program,
                         const QString& folder) {
    return entry(name, comment, execArgument(program),
                 QStringLiteral("Path=") + de::escapeValue(folder) + QLatin1Char('\n'));
}

LoginLinks::LoginLinks(Parts parts) : m_parts(std::move(parts)) {}

void LoginLinks::reportError(const QString& reason) {
    m_parts.prompts.message(QStringLiteral("Ein Fehler ist aufgetreten : ") + reason,
                            Prompts::Icon::Critical, Prompts::Buttons::Ok, Prompts::Answer::Ok);
}

// Steps shared by both login links: the replace question, writing, the error box.
LoginLinks::Outcome LoginLinks::writeLoginLink(const QString& folder, const QString& name) {
    // The name becomes a file name in that folder and nowhere else.
    if (name.contains(QLatin1Char('/')) || name.contains(QChar(0))) {
        reportError(QStringLiteral("Der Name \"%1\" darf kein \"/\" enthalten.").arg(name));
        return Outcome::Ended;
    }
    const QString path = platform::joinPath(folder, name + QLatin1String(Extension));
    if (platform::FileExist(path)) {
        const QString question =
            QStringLiteral("Link mit dem Namen ''%1'' schon vorhanden. Ersetzen ?").arg(name);
        const QString title = m_parts.programName ? m_parts.programName() : QString();
        if (m_parts.prompts.messageTitled(title, question, Prompts::Icon::Question,
                                          Prompts::Buttons::YesNo,
                                          Prompts::Answer::No) == Prompts::Answer::No)
            return Outcome::Ended;
    }
    const auto url = loginUrl(true);
    if (!url) {
        reportError(QStringLiteral("keine Serveradresse f\u00FCr Mumble"));
        return Outcome::Ended;
    }
    QString why;
    if (!platform::writeLaunchableFile(path, urlLinkEntry(name, *url), LoginLinkMode, &why)) {
        reportError(why);
        return Outcome::Ended;
    }
    return Outcome::Written;
}

std::optional<QString> LoginLinks::loginUrl(bool withPort) const {
    const LoginFields f = m_parts.fields ? m_parts.fields() : LoginFields{};
    // Mumble's URL always names the port: its own default is not the one page 1 shows.
    if (m_parts.mumble && m_parts.mumble())
        return platform::mumble::connectUrl(f.server, f.port, f.nickname, f.password, f.channel);
    return LoginURL(f, withPort);
}

void LoginLinks::MakeDesktopLink() {
    const QString desktop =
        m_parts.registry.RegRead(QLatin1String(platform::Registry::DesktopPath));
    const auto name = m_parts.prompts.inputBox(
        QStringLiteral("Desktop-Link erzeugen"),
        QStringLiteral("Bitte Namen f\u00FCr den Link angeben, der auf dem Desktop erzeugt wird"),
        QLatin1String(ProposedName));
    if (!name || name->isEmpty())
        return;
    if (writeLoginLink(desktop, *name) != Outcome::Written)
        return;
    m_parts.prompts.inform(
        QStringLiteral("Desktoplink mit dem Namen ''%1'' wurde erfolgreich erstellt").arg(*name));
}

void LoginLinks::MakeFolderLink() {
    const QString folder = m_parts.prompts.folderName(
        QStringLiteral("Speicherordner f\u00FCr die Verkn\u00FCpfungen"));
    if (folder.isEmpty())
        return;
    const auto name = m_parts.prompts.inputBox(
        QStringLiteral("Link erzeugen"),
        QStringLiteral("Bitte Namen f\u00FCr den Link angeben, der erzeugt werden soll"),
        QLatin1String(ProposedName));
    if (!name || name->isEmpty())
        return;
    if (writeLoginLink(folder, *name) != Outcome::Written)
        return;
    if (m_parts.prompts.message(
            QStringLiteral("Link erfolgreich erzeugt. Verzeichnis jetzt \u00F6ffnen ?"),
            Prompts::Icon::Question, Prompts::Buttons::YesNo,
            Prompts::Answer::Yes) != Prompts::Answer::No)
        m_parts.shell.open(folder);
}

void LoginLinks::CreateFileShortcut() {
    const QString folder = m_parts.registry.RegRead(QLatin1String(platform::Registry::StartUpPath));
    QString why;
    const QFileInfo program(m_parts.executable);
    if (!QDir().mkpath(folder) ||
        !platform::writeLaunchableFile(
            platform::joinPath(folder, QLatin1String(ProgramLink)),
            programLinkEntry(QStringLiteral("Quorvex"), QStringLiteral("Quorvex starten"),
                             program.absoluteFilePath(), program.absolutePath()),
            ProgramLinkMode, &why)) {
        reportError(why.isEmpty() ? folder : why);
        return;
    }
    const auto url = loginUrl(false);
    if (!url || !platform::writeLaunchableFile(
                    platform::joinPath(folder, QLatin1String(ClientLink)),
                    urlLinkEntry(QStringLiteral("TS starten"), *url), AutostartLoginMode, &why)) {
        m_parts.prompts.messageTitled(
            m_parts.programName ? m_parts.programName() : QString(),
            QStringLiteral("Es ist ein Fehler beim Erstellen der Verkn\u00FCpfung aufgetreten !"),
            Prompts::Icon::Critical, Prompts::Buttons::Ok, Prompts::Answer::Ok);
    }
}

void LoginLinks::DeleteFileShortCut() {
    const QString folder = m_parts.registry.RegRead(QLatin1String(platform::Registry::StartUpPath));
    QFile::remove(platform::joinPath(folder, QLatin1String(ProgramLink)));
    QFile::remove(platform::joinPath(folder, QLatin1String(ClientLink)));
}
