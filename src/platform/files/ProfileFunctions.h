#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// INI profile functions with the behaviour of the Windows ones the settings file
// was made with. Everything is bytes: file contents, sections, keys and values
// are kept exactly as they are (Windows-1252 in practice).
namespace platform::profile {

enum class WriteResult {
    Ok,
    Refused, // section, key or value would break the file's structure
    Failed,  // the file could not be read or written; the old file is unchanged
};

// The value of Key in Section, as the profile read returns it: the text after the
// first "=", blanks trimmed, one pair of enclosing quotes removed. nullopt when the
// section or key is absent. Names match without regard to letter case.
enum class Quotes { Strip, Keep };
std::optional<std::string> lookup(std::string_view content, std::string_view section,
                                  std::string_view key, Quotes quotes = Quotes::Strip);

// Content with Key in Section set to Value: an existing key is replaced in place,
// a new key goes to the end of its section, a new section to the end of the file.
// Nothing else changes. Arguments must have passed validForWrite.
std::string withValue(std::string_view content, std::string_view section, std::string_view key,
                      std::string_view value);

// False for a write that would inject lines or keys: a line break or NUL anywhere,
// an empty section or key, a key that starts with "[" or holds "=".
bool validForWrite(std::string_view section, std::string_view key, std::string_view value);

// The same on a whole file's bytes, as read from disk: a UTF-8 or UTF-16 LE file is
// known by its byte-order mark and keeps its encoding, and the names and values given
// and returned are Windows-1252 all the same.
std::optional<std::string> readValue(std::string_view fileBytes, std::string_view section,
                                     std::string_view key);
std::string writeValue(std::string_view fileBytes, std::string_view section, std::string_view key,
                       std::string_view value);

// GetPrivateProfileString into a buffer of bufferSize characters: at most
// bufferSize - 1 characters of the value; fallback for a missing file, section or key.
std::string getString(const std::string& file, std::string_view section, std::string_view key,
                      std::string_view fallback, std::size_t bufferSize);

// WritePrivateProfileString. The file is replaced atomically (temporary file in the
// same folder, flushed, renamed): a failed write leaves the old file whole. A new
// file is created with mode 0600; an existing one keeps its mode.
WriteResult writeString(const std::string& file, std::string_view section, std::string_view key,
                        std::string_view value);

} // namespace platform::profile
