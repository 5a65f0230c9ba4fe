/* Test only: LD_PRELOAD library that plays the modem lines of one pseudo-terminal.
 * Pseudo-terminals refuse the modem-line ioctls, so the serial code path could not
 * be watched end to end. For the device named in MODEM_INTERPOSE_PATH this library
 * answers TIOCMGET/TIOCMSET/TIOCMBIS/TIOCMBIC itself and appends every change of
 * RTS or DTR to MODEM_INTERPOSE_LOG as "<monotonic ns> <event> RTS=<0|1> DTR=<0|1>".
 * Like a real serial driver it raises both lines on open and drops them on close.
 * While the file named in MODEM_INTERPOSE_UNPLUGGED exists the adapter counts as
 * pulled out: opening the device fails (ENOENT) and its modem ioctls fail (EIO).
 * The status lines a test raises are the words (DCD, CTS, DSR, RI) of the file named
 * in MODEM_INTERPOSE_INPUTS, read on every TIOCMGET; TIOCMIWAIT waits (inotify on the
 * file's folder) until one of the lines asked for changes, and a signal ends the wait
 * with EINTR, as the driver's does. TIOCGICOUNT reports for each status line the number
 * after "changes " in that file (a test that flips a line faster than the program looks
 * counts its flips there, as the driver counts them). */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

static int tracked = -1;
static int bits = 0;

static const char* target(void) {
    const char* p = getenv("MODEM_INTERPOSE_PATH");
    return p && *p ? p : NULL;
}

static void putNumber(char** at, unsigned long long v) {
    char tmp[24];
    int n = 0;
    do {
        tmp[n++] = (char)('0' + v % 10);
        v /= 10;
    } while (v);
    while (n)
        *(*at)++ = tmp[--n];
}

/* Async-signal-safe: the program drops the lines from a signal handler too. */
static void logEvent(const char* event) {
    const char* path = getenv("MODEM_INTERPOSE_LOG");
    if (!path)
        return;
    static int (*realOpen)(const char*, int, ...) = NULL;
    if (!realOpen)
        realOpen = (int (*)(const char*, int, ...))dlsym(RTLD_NEXT, "open");
    const int fd = realOpen(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    char line[128];
    char* at = line;
    putNumber(&at, (unsigned long long)t.tv_sec * 1000000000ULL + (unsigned long long)t.tv_nsec);
    *at++ = ' ';
    for (const char* e = event; *e; ++e)
        *at++ = *e;
    memcpy(at, " RTS=", 5);
    at += 5;
    *at++ = (bits & TIOCM_RTS) ? '1' : '0';
    memcpy(at, " DTR=", 5);
    at += 5;
    *at++ = (bits & TIOCM_DTR) ? '1' : '0';
    *at++ = '\n';
    ssize_t ignored = write(fd, line, (size_t)(at - line));
    (void)ignored;
    close(fd);
}

static int unplugged(void) {
    const char* flag = getenv("MODEM_INTERPOSE_UNPLUGGED");
    return flag && *flag && access(flag, F_OK) == 0;
}

/* The inputs file's words; empty when there is none. */
static void readInputs(char* text, size_t size) {
    text[0] = '\0';
    const char* path = getenv("MODEM_INTERPOSE_INPUTS");
    if (!path || !*path)
        return;
    static int (*realOpen)(const char*, int, ...) = NULL;
    if (!realOpen)
        realOpen = (int (*)(const char*, int, ...))dlsym(RTLD_NEXT, "open");
    const int fd = realOpen(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    const ssize_t n = read(fd, text, size - 1);
    close(fd);
    text[n > 0 ? n : 0] = '\0';
}

static int changeCount(void) {
    char text[64];
    readInputs(text, sizeof text);
    const char* at = strstr(text, "changes ");
    return at ? atoi(at + 8) : 0;
}

/* The status lines the test has raised. */
static int inputs(void) {
    char text[64];
    readInputs(text, sizeof text);
    return (strstr(text, "DCD") ? TIOCM_CAR : 0) | (strstr(text, "CTS") ? TIOCM_CTS : 0) |
           (strstr(text, "DSR") ? TIOCM_DSR : 0) | (strstr(text, "RI") ? TIOCM_RNG : 0);
}

/* TIOCMIWAIT: until a line of mask differs from what it was on entry. */
static int waitForInputs(int mask) {
    const char* path = getenv("MODEM_INTERPOSE_INPUTS");
    if (!path || !*path) {
        errno = EINVAL;
        return -1;
    }
    char folder[4096];
    strncpy(folder, path, sizeof folder - 1);
    folder[sizeof folder - 1] = '\0';
    char* slash = strrchr(folder, '/');
    if (slash)
        *slash = '\0';
    const int watch = inotify_init1(IN_CLOEXEC);
    if (watch < 0 || inotify_add_watch(watch, slash ? folder : ".",
                                       IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_DELETE) < 0) {
        if (watch >= 0)
            close(watch);
        errno = EINVAL;
        return -1;
    }
    const int start = inputs();
    for (;;) {
        if ((inputs() ^ start) & mask) {
            close(watch);
            return 0;
        }
        if (unplugged()) {
            close(watch);
            errno = EIO;
            return -1;
        }
        char events[4096];
        if (read(watch, events, sizeof events) < 0 && errno == EINTR) {
            close(watch);
            errno = EINTR;
            return -1;
        }
    }
}

static int isTarget(const char* path) {
    const char* t = target();
    return t && path && strcmp(path, t) == 0;
}

/* An unplugged adapter: its device cannot be opened. */
static int refused(const char* path) {
    if (!isTarget(path) || !unplugged())
        return 0;
    errno = ENOENT;
    return 1;
}

static int track(const char* path, int fd) {
    if (fd >= 0 && isTarget(path)) {
        tracked = fd;
        bits = TIOCM_RTS | TIOCM_DTR;
        logEvent("open");
    }
    return fd;
}

/* The optional mode argument of the open calls. */
#define READ_MODE(flags, mode)                                                                     \
    mode_t mode = 0;                                                                               \
    if ((flags) & (O_CREAT | O_TMPFILE)) {                                                         \
        va_list ap;                                                                                \
        va_start(ap, flags);                                                                       \
        mode = (mode_t)va_arg(ap, int);                                                            \
        va_end(ap);                                                                                \
    }

#define OPEN_WRAPPER(name)                                                                         \
    int name(const char* path, int flags, ...) {                                                   \
        static int (*real)(const char*, int, ...) = NULL;                                          \
        if (!real)                                                                                 \
            real = (int (*)(const char*, int, ...))dlsym(RTLD_NEXT, #name);                        \
        READ_MODE(flags, mode)                                                                     \
        return refused(path) ? -1 : track(path, real(path, flags, mode));                          \
    }
OPEN_WRAPPER(open)
OPEN_WRAPPER(open64)

#define OPENAT_WRAPPER(name)                                                                       \
    int name(int dir, const char* path, int flags, ...) {                                          \
        static int (*real)(int, const char*, int, ...) = NULL;                                     \
        if (!real)                                                                                 \
            real = (int (*)(int, const char*, int, ...))dlsym(RTLD_NEXT, #name);                   \
        READ_MODE(flags, mode)                                                                     \
        return refused(path) ? -1 : track(path, real(dir, path, flags, mode));                     \
    }
OPENAT_WRAPPER(openat)
OPENAT_WRAPPER(openat64)

int close(int fd) {
    static int (*real)(int) = NULL;
    if (!real)
        real = (int (*)(int))dlsym(RTLD_NEXT, "close");
    if (fd >= 0 && fd == tracked) {
        tracked = -1;
        bits = 0;
        logEvent("close");
    }
    return real(fd);
}

int ioctl(int fd, unsigned long request, ...) {
    static int (*real)(int, unsigned long, ...) = NULL;
    if (!real)
        real = (int (*)(int, unsigned long, ...))dlsym(RTLD_NEXT, "ioctl");
    va_list ap;
    va_start(ap, request);
    void* arg = va_arg(ap, void*);
    va_end(ap);
    if (fd != tracked || fd < 0)
        return real(fd, request, arg);
    const int before = bits;
    if (unplugged() && (request == TIOCMGET || request == TIOCMSET || request == TIOCMBIS ||
                        request == TIOCMBIC || request == TIOCMIWAIT || request == TIOCGICOUNT)) {
        errno = EIO;
        return -1;
    }
    switch (request) {
    case TIOCMGET:
        *(int*)arg = bits | inputs();
        return 0;
    case TIOCMIWAIT:
        return waitForInputs((int)(long)arg);
    case TIOCGICOUNT: {
        struct serial_icounter_struct* counts = (struct serial_icounter_struct*)arg;
        memset(counts, 0, sizeof *counts);
        counts->dcd = counts->cts = counts->dsr = counts->rng = changeCount();
        return 0;
    }
    case TIOCMSET:
        bits = *(const int*)arg;
        break;
    case TIOCMBIS:
        bits |= *(const int*)arg;
        break;
    case TIOCMBIC:
        bits &= ~*(const int*)arg;
        break;
    default:
        return real(fd, request, arg);
    }
    if (bits != before)
        logEvent("set");
    return 0;
}
