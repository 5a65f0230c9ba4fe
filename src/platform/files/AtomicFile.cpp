#include "AtomicFile.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// A settings file is a few kilobytes; anything this large is not one.
constexpr off_t MaxFileSize = 16 * 1024 * 1024;

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file a write must land in: the target of a symbolic link, else the path.
std::string writeTarget(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char buf[PATH_MAX];
        if (realpath(path.c_str(), buf) != nullptr)
            return buf;
        // A dangling link: create the file it points to.
        const ssize_t n = readlink(path.c_str(), buf, sizeof buf - 1);
        if (n > 0) {
            std::string target(buf, static_cast<size_t>(n));
            return target.front() == '/' ? target : folderOf(path) + "/" + target;
        }
    }
    return path;
}

bool writeAll(int fd, const std::string& content) {
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

void syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// mkostemp's pattern: the target's name behind a dot, then six letters or digits.
bool isOurTemporary(const std::string& entry, const std::string& target) {
    const std::string prefix = "." + target + ".";
    if (entry.size() != prefix.size() + 6 || entry.compare(0, prefix.size(), prefix) != 0)
        return false;
    for (size_t i = prefix.size(); i < entry.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(entry[i]);
        if (!std::isalnum(c))
            return false;
    }
    return true;
}

// A write that was killed leaves its temporary copy behind, passwords included. A
// writer holds a lock on its copy until the rename, so a copy we can lock is stale.
void removeStaleTemporaries(const std::string& folder, const std::string& target) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return;
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (!isOurTemporary(name, target))
            continue;
        const int fd = ::openat(::dirfd(dir), name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0)
            continue;
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlinkat(::dirfd(dir), name.c_str(), 0);
        ::close(fd);
    }
    ::closedir(dir);
}

} // namespace

FileState probeFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return errno == ENOENT ? FileState::Missing : FileState::Unreadable;
    if (!S_ISREG(st.st_mode) || st.st_size > MaxFileSize)
        return FileState::Unreadable;
    return ::access(path.c_str(), R_OK) == 0 ? FileState::Readable : FileState::Unreadable;
}

std::optional<std::string> readWholeFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > MaxFileSize) {
        ::close(fd);
        return std::nullopt;
    }
    std::string content;
    char buf[8192];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        content.append(buf, static_cast<size_t>(n));
        if (content.size() > static_cast<size_t>(MaxFileSize)) {
            ::close(fd);
            return std::nullopt;
        }
    }
    ::close(fd);
    return content;
}

namespace {

// Writes content to a locked temporary copy beside target and renames it over target.
bool writeAndRename(const std::string& target, const std::string& content,
                    const std::optional<unsigned>& mode) {
    const std::string folder = folderOf(target);
    removeStaleTemporaries(folder, nameOf(target));
    std::string temp = folder + "/." + nameOf(target) + ".XXXXXX";

    // Created 0600 and given the target's mode only once complete: an interrupted
    // write leaves no copy more readable than the file it was to replace.
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    ::flock(fd, LOCK_EX);

    bool ok = writeAll(fd, content) && ::fsync(fd) == 0;
    struct stat old {};
    if (ok && mode) {
        ok = ::fchmod(fd, *mode & 07777) == 0;
    } else if (ok && ::stat(target.c_str(), &old) == 0) {
        ::fchmod(fd, old.st_mode & 07777);
        if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
            // Only root may give a file away; an ordinary user owns it already.
        }
    }
    if (ok)
        ok = ::rename(temp.c_str(), target.c_str()) == 0;
    const int saved = errno;
    if (!ok)
        ::unlink(temp.c_str());
    // Closed only now: the lock marks the copy as in use until it has its name.
    ::close(fd);
    if (!ok) {
        errno = saved;
        return false;
    }
    syncFolder(folder);
    return true;
}

} // namespace

bool replaceFileAtomically(const std::string& path, const std::string& content) {
    return writeAndRename(writeTarget(path), content, std::nullopt);
}

bool replaceFileAt(const std::string& path, const std::string& content, unsigned mode) {
    return writeAndRename(path, content, mode);
}

FileLock::FileLock(const std::string& path) {
    const std::string target = writeTarget(path);
    const std::string lockPath = folderOf(target) + "/." + nameOf(target) + ".lock";
    m_fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (m_fd < 0)
        return; // a folder we cannot write: the write itself will fail and say so
    // Writers hold the lock for milliseconds; poll so a stuck one cannot hang us.
    const timespec pause{0, 2'000'000};
    for (int i = 0; i < 2500; ++i) {
        if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0)
            return;
        if (errno != EWOULDBLOCK && errno != EINTR)
            return;
        ::nanosleep(&pause, nullptr);
    }
}

FileLock::~FileLock() {
    if (m_fd >= 0)
        ::close(m_fd);
}

} // namespace platform
