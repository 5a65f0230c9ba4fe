#pragma once

#include "SchemeHandler.h"

#include <QStringList>

namespace platform {

// The folders the freedesktop specifications search, taken from the environment
// or given by tests.
struct XdgDirs {
    QString configHome;
    QStringList configDirs;
    QString dataHome;
    QStringList dataDirs;
    QStringList path; // the PATH search for a bare program name

    static XdgDirs fromEnvironment();
};

// The handler of a URL scheme (x-scheme-handler/<scheme>): found through
// mimeapps.list and the desktop entry it names, set by writing our own entry.
class XdgSchemeHandler final : public SchemeHandler {
public:
    static constexpr const char* OwnEntry = "quorvex-teamspeak.desktop";

    explicit XdgSchemeHandler(XdgDirs dirs, QString scheme = QStringLiteral("teamspeak"));

    // The desktop entry file of the current handler; empty when none is registered.
    QString desktopFile() const;
    QString command() const override;
    QString program() const override;
    bool setCommand(const QString& command) override;

private:
    QStringList execArguments() const;
    QString mimeType() const { return QStringLiteral("x-scheme-handler/") + m_scheme; }

    XdgDirs m_dirs;
    QString m_scheme;
};

} // namespace platform
