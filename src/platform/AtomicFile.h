#pragma once

#include <optional>
#include <string>

// Whole-file reads and crash-safe replacement of small files (the settings file).
namespace platform {

enum class FileState { Missing, Readable, Unreadable };

// Missing only when nothing exists at the path; a folder or a file we may not
// read is Unreadable.
FileState probeFile(const std::string& path);

// The file's bytes, or nullopt when it cannot be read (or is implausibly large).
std::optional<std::string> readWholeFile(const std::string& path);

// Writes a temporary file beside the target, flushes it to disk and renames it
// over the target, so readers see either the old or the new file, never a part.
// A symbolic link is followed, not replaced. New files get mode 0600; an existing
// file keeps its mode and owner.
bool replaceFileAtomically(const std::string& path, const std::string& content);

} // namespace platform
