#pragma once

#include <QString>

#include <cstdint>
#include <string>

// The settings file's two operations. The byte forms pass Windows-1252 through
// untouched (the tsini tool uses them); the text forms convert for the windows.
namespace INIfile {

// The read buffer holds 255 characters, so a value comes back cut to 254.
inline constexpr std::size_t ReadBufferSize = 255;

// Empty for a missing file, section or key.
std::string INIRead(const std::string& FileName, const std::string& Section,
                    const std::string& Key);
// Non-zero on success, 0 when the file could not be written or the write was refused
// because it would break the file's structure.
int32_t INIWrite(const std::string& FileName, const std::string& Section, const std::string& Key,
                 const std::string& Value);

QString INIRead(const QString& FileName, const QString& Section, const QString& Key);
int32_t INIWrite(const QString& FileName, const QString& Section, const QString& Key,
                 const QString& Value);

} // namespace INIfile
