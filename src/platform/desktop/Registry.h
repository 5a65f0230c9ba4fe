#pragma once

#include "XdgSchemeHandler.h"

#include <QString>

namespace platform {

// The registry paths the program reads and writes, where they live on this desktop:
// the teamspeak:// handler's command is the XDG URL handler; the shell folders Desktop
// and StartUp are the XDG desktop folder and the autostart folder; any other value is
// kept in a small store of our own ($XDG_CONFIG_HOME/quorvex/registry.ini). A path
// ending in "\" names its key's default value. Paths match without regard to case.
class Registry {
public:
    static constexpr const char* CommandPath =
        "HKEY_CLASSES_ROOT\\teamspeak\\Shell\\Open\\command\\";
    static constexpr const char* IconPath = "HKEY_CLASSES_ROOT\\teamspeak\\DefaultIcon\\";
    static constexpr const char* DesktopPath =
        "HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
        "Shell Folders\\Desktop";
    static constexpr const char* StartUpPath =
        "HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
        "Shell Folders\\StartUp";

    Registry(XdgDirs dirs, QString home);

    // The value, or empty when there is none or it cannot be read.
    QString RegRead(const QString& path) const;
    // False when the value could not be written; the shell folders cannot be.
    bool RegWrite(const QString& path, const QString& value, const QString& typ);

    // The desktop folder as xdg-user-dir DESKTOP names it.
    QString desktopFolder() const;
    QString autostartFolder() const;
    QString storeFile() const;

private:
    XdgDirs m_dirs;
    QString m_home;
    XdgSchemeHandler m_handler;
};

} // namespace platform
