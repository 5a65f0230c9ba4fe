#include "Registry.h"

#include "AtomicFile.h"
#include "ProfileFunctions.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace platform {
namespace {

bool same(const QString& path, const char* known) {
    return path.compare(QLatin1String(known), Qt::CaseInsensitive) == 0;
}

// The store's section is the key, its entry the value's name ("@" for the default).
std::pair<std::string, std::string> storePlace(const QString& path) {
    const qsizetype cut = path.lastIndexOf(QLatin1Char('\\'));
    const QString key = cut < 0 ? QString() : path.left(cut);
    QString name = cut < 0 ? path : path.mid(cut + 1);
    if (name.isEmpty())
        name = QStringLiteral("@");
    return {key.toLower().toStdString(), name.toLower().toStdString()};
}

} // namespace

Registry::Registry(XdgDirs dirs, QString home)
    : m_dirs(std::move(dirs)), m_home(std::move(home)), m_handler(m_dirs) {}

QString Registry::storeFile() const {
    return m_dirs.configHome + QStringLiteral("/quorvex/registry.ini");
}

QString Registry::autostartFolder() const {
    return m_dirs.configHome + QStringLiteral("/autostart");
}

QString Registry::desktopFolder() const {
    const QString fallback = m_home + QStringLiteral("/Desktop");
    const auto content = readWholeFile(
        QFile::encodeName(m_dirs.configHome + QStringLiteral("/user-dirs.dirs")).toStdString());
    if (!content)
        return fallback;
    static const QRegularExpression line(
        QStringLiteral("^\\s*XDG_DESKTOP_DIR\\s*=\\s*\"((?:[^\"\\\\]|\\\\.)*)\"\\s*$"),
        QRegularExpression::MultilineOption);
    const auto match =
        line.match(QString::fromUtf8(content->data(), static_cast<qsizetype>(content->size())));
    if (!match.hasMatch())
        return fallback;
    QString value = match.captured(1);
    value.replace(QRegularExpression(QStringLiteral("\\\\(.)")), QStringLiteral("\\1"));
    // Only "$HOME/..." and absolute paths are valid; "$HOME/" alone disables the folder.
    if (value.startsWith(QLatin1String("$HOME")))
        value = m_home + value.mid(5);
    else if (!value.startsWith(QLatin1Char('/')))
        return fallback;
    while (value.size() > 1 && value.endsWith(QLatin1Char('/')))
        value.chop(1);
    return QDir::cleanPath(value) == QDir::cleanPath(m_home) ? m_home : value;
}

QString Registry::RegRead(const QString& path) const {
    if (same(path, CommandPath))
        return m_handler.command();
    if (same(path, DesktopPath))
        return desktopFolder();
    if (same(path, StartUpPath))
        return autostartFolder();
    const auto content = readWholeFile(QFile::encodeName(storeFile()).toStdString());
    const auto [key, name] = storePlace(path);
    if (content) {
        if (const auto v = profile::lookup(*content, key, name, profile::Quotes::Keep))
            return QString::fromUtf8(v->data(), static_cast<qsizetype>(v->size()));
    }
    // The icon a handler of ours was given, else what the current handler runs.
    if (same(path, IconPath))
        return m_handler.program();
    return {};
}

bool Registry::RegWrite(const QString& path, const QString& value, const QString&) {
    if (same(path, CommandPath))
        return m_handler.setCommand(value);
    if (same(path, DesktopPath) || same(path, StartUpPath))
        return false;
    // A line break would end the value and start a key of its own.
    if (value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r')))
        return false;
    if (!QDir().mkpath(m_dirs.configHome + QStringLiteral("/quorvex")))
        return false;
    const auto [key, name] = storePlace(path);
    return profile::writeString(QFile::encodeName(storeFile()).toStdString(), key, name,
                                value.toStdString()) == profile::WriteResult::Ok;
}

} // namespace platform
