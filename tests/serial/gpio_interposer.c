/* Test only: LD_PRELOAD library that plays a GPIO chip for libgpiod (1.6) users, as the
 * kernel's gpio-sim would where a host has it. The chip named in GPIO_INTERPOSE_CHIP is
 * answered here; every other call goes on to the real libgpiod. Each level an output line
 * takes (the physical level, active low applied) is appended to GPIO_INTERPOSE_LOG as
 * "<monotonic ns> line <offset> <0|1>". The levels of input lines are the "<offset>=<0|1>"
 * words of the file GPIO_INTERPOSE_INPUTS, read on every look; an edge event is any change
 * of that file (inotify on its folder). */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <gpiod.h>
#include <libgen.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/inotify.h>
#include <time.h>
#include <unistd.h>

#define LINES 64

struct fake_line {
    int requested, output, active_low, level, events;
};
static struct fake_line lines[LINES];
static char chip_token;

static int is_chip(const void* p) {
    return p == &chip_token;
}
static int is_line(const void* p) {
    return (const char*)p >= (const char*)lines && (const char*)p < (const char*)(lines + LINES);
}
static struct fake_line* line_of(struct gpiod_line* l) {
    return (struct fake_line*)(void*)l;
}
static int offset_of(struct gpiod_line* l) {
    return (int)(line_of(l) - lines);
}

#define REAL(name) ((__typeof__(&name))dlsym(RTLD_NEXT, #name))

static void log_level(int offset, int level) {
    const char* path = getenv("GPIO_INTERPOSE_LOG");
    FILE* f = path ? fopen(path, "a") : NULL;
    if (!f)
        return;
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    fprintf(f, "%lld line %d %d\n", (long long)t.tv_sec * 1000000000LL + t.tv_nsec, offset, level);
    fclose(f);
}

static void drive(struct fake_line* l, int value) {
    const int level = l->active_low ? !value : !!value;
    if (level != l->level || !l->output) {
        l->level = level;
        log_level((int)(l - lines), level);
    }
}

struct gpiod_chip* gpiod_chip_open_lookup(const char* descr) {
    const char* played = getenv("GPIO_INTERPOSE_CHIP");
    if (played && descr && strcmp(played, descr) == 0)
        return (struct gpiod_chip*)(void*)&chip_token;
    return REAL(gpiod_chip_open_lookup)(descr);
}

void gpiod_chip_close(struct gpiod_chip* chip) {
    if (!is_chip(chip))
        REAL(gpiod_chip_close)(chip);
}

struct gpiod_line* gpiod_chip_get_line(struct gpiod_chip* chip, unsigned int offset) {
    if (!is_chip(chip))
        return REAL(gpiod_chip_get_line)(chip, offset);
    return offset < LINES ? (struct gpiod_line*)(void*)&lines[offset] : NULL;
}

int gpiod_line_request_output_flags(struct gpiod_line* line, const char* consumer, int flags,
                                    int default_val) {
    if (!is_line(line))
        return REAL(gpiod_line_request_output_flags)(line, consumer, flags, default_val);
    struct fake_line* l = line_of(line);
    if (l->requested)
        return -1;
    l->requested = 1;
    l->active_low = (flags & GPIOD_LINE_REQUEST_FLAG_ACTIVE_LOW) != 0;
    drive(l, default_val);
    l->output = 1;
    return 0;
}

int gpiod_line_request_both_edges_events(struct gpiod_line* line, const char* consumer) {
    if (!is_line(line))
        return REAL(gpiod_line_request_both_edges_events)(line, consumer);
    struct fake_line* l = line_of(line);
    const char* inputs = getenv("GPIO_INTERPOSE_INPUTS");
    if (l->requested || !inputs)
        return -1;
    char folder[4096];
    snprintf(folder, sizeof folder, "%s", inputs);
    l->events = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (l->events < 0 ||
        inotify_add_watch(l->events, dirname(folder), IN_CLOSE_WRITE | IN_MOVED_TO) < 0)
        return -1;
    l->requested = 1;
    return 0;
}

int gpiod_line_set_value(struct gpiod_line* line, int value) {
    if (!is_line(line))
        return REAL(gpiod_line_set_value)(line, value);
    if (!line_of(line)->output)
        return -1;
    drive(line_of(line), value);
    return 0;
}

int gpiod_line_get_value(struct gpiod_line* line) {
    if (!is_line(line))
        return REAL(gpiod_line_get_value)(line);
    const char* path = getenv("GPIO_INTERPOSE_INPUTS");
    FILE* f = path ? fopen(path, "r") : NULL;
    int level = 0, offset = 0, value = 0;
    while (f && fscanf(f, " %d=%d", &offset, &value) == 2) {
        if (offset == offset_of(line))
            level = value;
    }
    if (f)
        fclose(f);
    return line_of(line)->active_low ? !level : level;
}

void gpiod_line_release(struct gpiod_line* line) {
    if (!is_line(line)) {
        REAL(gpiod_line_release)(line);
        return;
    }
    struct fake_line* l = line_of(line);
    if (l->events > 0)
        close(l->events);
    memset(l, 0, sizeof *l);
}

int gpiod_line_event_get_fd(struct gpiod_line* line) {
    if (!is_line(line))
        return REAL(gpiod_line_event_get_fd)(line);
    return line_of(line)->events;
}

int gpiod_line_event_read(struct gpiod_line* line, struct gpiod_line_event* event) {
    if (!is_line(line))
        return REAL(gpiod_line_event_read)(line, event);
    char buffer[4096];
    while (read(line_of(line)->events, buffer, sizeof buffer) > 0) {
    }
    memset(event, 0, sizeof *event);
    event->event_type =
        gpiod_line_get_value(line) ? GPIOD_LINE_EVENT_RISING_EDGE : GPIOD_LINE_EVENT_FALLING_EDGE;
    return 0;
}
