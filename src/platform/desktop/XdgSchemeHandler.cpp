#include "XdgSchemeHandler.h"

#include "AtomicFile.h"
#include "DesktopEntry.h"
#include "ProfileFunctions.h"
#include "ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace platform {
namespace {

namespace de = desktopentry;

QStringList splitPaths(const QString& value, const QStringList& fallback) {
    const QStringList parts = value.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    return parts.isEmpty() ? fallback : parts;
}

std::optional<QString> readValue(const QString& file, const char* section, const QString& key) {
    const auto content = readWholeFile(QFile::encodeName(file).toStdString());
    if (!content)
        return std::nullopt;
    const auto value = profile::lookup(*content, section, key.toStdString(), profile::Quotes::Keep);
    if (!value)
        return std::nullopt;
    return QString::fromUtf8(value->data(), static_cast<qsizetype>(value->size()));
}

bool isFieldCode(const QString& arg) {
    return arg.size() == 2 && arg[0] == QLatin1Char('%');
}

// A command line in the form "\"program\" \"%1\"": quoted parts taken as they stand.
QStringList splitWindowsCommand(const QString& command) {
    QStringList args;
    QString current;
    bool quoted = false;
    bool inArg = false;
    for (QChar c : command) {
        if (c == QLatin1Char('"')) {
            quoted = !quoted;
            inArg = true;
        } else if (c == QLatin1Char(' ') && !quoted) {
            if (inArg)
                args << current;
            current.clear();
            inArg = false;
        } else {
            current += c;
            inArg = true;
        }
    }
    if (inArg)
        args << current;
    return args;
}

} // namespace

XdgDirs XdgDirs::fromEnvironment() {
    const QString home = QDir::homePath();
    XdgDirs d;
    d.configHome = xdgHome("XDG_CONFIG_HOME", home + QStringLiteral("/.config"));
    d.configDirs =
        splitPaths(qEnvironmentVariable("XDG_CONFIG_DIRS"), {QStringLiteral("/etc/xdg")});
    d.dataHome = xdgHome("XDG_DATA_HOME", home + QStringLiteral("/.local/share"));
    d.dataDirs = splitPaths(qEnvironmentVariable("XDG_DATA_DIRS"),
                            {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")});
    d.path = splitPaths(qEnvironmentVariable("PATH"), {QStringLiteral("/usr/bin")});
    return d;
}

XdgSchemeHandler::XdgSchemeHandler(XdgDirs dirs, QString scheme)
    : m_dirs(std::move(dirs)), m_scheme(std::move(scheme)) {}

QString XdgSchemeHandler::desktopFile() const {
    QStringList lists{m_dirs.configHome + QStringLiteral("/mimeapps.list")};
    for (const QString& d : m_dirs.configDirs)
        lists << d + QStringLiteral("/mimeapps.list");
    QStringList appDirs{m_dirs.dataHome + QStringLiteral("/applications")};
    for (const QString& d : m_dirs.dataDirs)
        appDirs << d + QStringLiteral("/applications");
    for (const QString& d : appDirs)
        lists << d + QStringLiteral("/mimeapps.list");

    const auto installed = [&appDirs](const QString& id) -> QString {
        for (const QString& dir : appDirs) {
            QString candidate = dir + QLatin1Char('/') + id;
            if (QFileInfo(candidate).isFile())
                return candidate;
            // A desktop id "vendor-app.desktop" may live in the subfolder vendor/.
            if (const qsizetype dash = id.indexOf(QLatin1Char('-')); dash > 0) {
                candidate = dir + QLatin1Char('/') + QString(id).replace(dash, 1, QLatin1Char('/'));
                if (QFileInfo(candidate).isFile())
                    return candidate;
            }
        }
        return {};
    };
    const auto firstInstalled = [&](const QString& file, const char* section) -> QString {
        const auto ids = readValue(file, section, mimeType());
        if (!ids)
            return {};
        for (const QString& id : ids->split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            if (const QString found = installed(id.trimmed()); !found.isEmpty())
                return found;
        }
        return {};
    };

    for (const char* section : {"Default Applications", "Added Associations"}) {
        for (const QString& list : lists) {
            if (const QString found = firstInstalled(list, section); !found.isEmpty())
                return found;
        }
    }
    for (const QString& dir : appDirs) {
        if (const QString found =
                firstInstalled(dir + QStringLiteral("/mimeinfo.cache"), "MIME Cache");
            !found.isEmpty())
            return found;
    }
    return {};
}

QStringList XdgSchemeHandler::execArguments() const {
    const QString file = desktopFile();
    if (file.isEmpty())
        return {};
    const auto exec = readValue(file, "Desktop Entry", QStringLiteral("Exec"));
    if (!exec)
        return {};
    return de::splitExec(de::unescapeValue(*exec)).value_or(QStringList());
}

QString XdgSchemeHandler::program() const {
    const QStringList args = execArguments();
    if (args.isEmpty())
        return {};
    const QString& name = args.first();
    if (name.contains(QLatin1Char('/')))
        return name;
    for (const QString& dir : m_dirs.path) {
        const QFileInfo candidate(dir + QLatin1Char('/') + name);
        if (candidate.isFile() && candidate.isExecutable())
            return candidate.absoluteFilePath();
    }
    return name;
}

QString XdgSchemeHandler::command() const {
    QStringList args = execArguments();
    if (args.isEmpty())
        return {};
    QStringList parts{QLatin1Char('"') + program() + QLatin1Char('"')};
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("%u") || args[i] == QLatin1String("%U") ||
            args[i] == QLatin1String("%f") || args[i] == QLatin1String("%F"))
            parts << QStringLiteral("\"%1\"");
        else if (!isFieldCode(args[i]))
            parts << QLatin1Char('"') + args[i] + QLatin1Char('"');
    }
    return parts.join(QLatin1Char(' '));
}

bool XdgSchemeHandler::setCommand(const QString& command) {
    const QStringList args = splitWindowsCommand(command);
    if (args.isEmpty() || args.first().isEmpty())
        return false;
    QStringList exec;
    bool hasUrl = false;
    for (const QString& a : args) {
        if (a == QLatin1String("%1")) {
            exec << QStringLiteral("%u");
            hasUrl = true;
        } else {
            exec << de::execArgument(QString(a).replace(QLatin1Char('%'), QLatin1String("%%")));
        }
    }
    if (!hasUrl)
        exec << QStringLiteral("%u");

    const QString appDir = m_dirs.dataHome + QStringLiteral("/applications");
    if (!QDir().mkpath(appDir) || !QDir().mkpath(m_dirs.configHome))
        return false;
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=TeamSpeak 2\n"
                                         "Exec=%1\n"
                                         "NoDisplay=true\n"
                                         "MimeType=%2;\n")
                              .arg(de::escapeValue(exec.join(QLatin1Char(' '))), mimeType());
    const std::string entryPath =
        QFile::encodeName(appDir + QLatin1Char('/') + QLatin1String(OwnEntry)).toStdString();
    if (!replaceFileAtomically(entryPath, entry.toUtf8().toStdString()))
        return false;
    return profile::writeString(
               QFile::encodeName(m_dirs.configHome + QStringLiteral("/mimeapps.list"))
                   .toStdString(),
               "Default Applications", mimeType().toStdString(),
               OwnEntry) == profile::WriteResult::Ok;
}

} // namespace platform
