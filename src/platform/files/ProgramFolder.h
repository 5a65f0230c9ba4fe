#pragma once

#include <QString>

namespace platform {

// Where the program keeps ts.ini and finds sounds/.
struct ProgramFolders {
    QString settings; // folder of ts.ini
    QString sounds;   // folder that holds sounds/
};

// Environment variable that puts ts.ini and sounds/ into one folder of its own.
inline constexpr const char* HomeVariable = "QUORVEX_HOME";

// homeOverride wins when set (for sounds/ only when it holds one). Otherwise the
// executable's folder, except that ts.ini moves to configHome/quorvex when that folder is
// not writable, and the tones come from ../share/quorvex of an installed program.
ProgramFolders programFolders(const QString& executableFolder, const QString& homeOverride,
                              const QString& configHome);

// The same, read from this process's environment and executable.
ProgramFolders currentProgramFolders();

// An XDG base folder from its variable: the fallback when the variable is unset, empty or
// relative, as the XDG rule says.
QString xdgHome(const char* variable, const QString& fallback);

// 0 when the settings file in folder can be written, else the reason as an errno value.
int settingsNotWritable(const QString& folder, const QString& file);

// True for an existing ordinary file. Folders, hidden (dot) files, an empty path and
// any error while looking give False.
bool FileExist(const QString& path);

// A folder, a separator unless it ends in one already, then the file name.
QString joinPath(const QString& folder, const QString& fileName);

} // namespace platform
