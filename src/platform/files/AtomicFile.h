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

// The same for a file that must be the path itself: a symbolic link there is replaced,
// never written through, and the new file gets the given mode. errno tells a failure.
bool replaceFileAt(const std::string& path, const std::string& content, unsigned mode);

// Serializes read-modify-write cycles on one file across processes: an exclusive lock
// on a small file beside it (".name.lock"), held for the object's life. The file itself
// cannot carry the lock, since every write replaces it. A lock still held by another
// after a few seconds is given up on rather than hanging the caller.
class FileLock {
public:
    explicit FileLock(const std::string& path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    int m_fd = -1;
};

} // namespace platform
