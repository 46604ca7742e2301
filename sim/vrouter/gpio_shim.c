/* Preloaded into the virtual router's programs: records what reaches the GPIO driver.
 *
 * This host's kernel cannot provide "/dev/gpio" (no CUSE), so opening that path gives a
 * descriptor on /dev/null that the shim remembers; its LED request (0x41) is recorded
 * with the six words of the record and accepted, any other request on it fails with
 * ENOTTY. Every other path and descriptor goes to the C library untouched. Records go to
 * VROUTER_LOG_DIR/gpio.log, one line each:
 *   <time> <pid> <program> open /dev/gpio
 *   <time> <pid> <program> ioctl 0x41 <gpio> <on> <off> <blinks> <rests> <repeats>
 *   <time> <pid> <program> close
 * Built without sanitizers: it is loaded into uninstrumented programs too. */
#define _GNU_SOURCE
/* Both open and open64 are defined below: neither may be renamed to the other. */
#undef _FILE_OFFSET_BITS
#include "../common/logline.h"

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#define GPIO_DEVICE "/dev/gpio"
#define LED_REQUEST 0x41UL

/* Descriptors open on the stand-in device; a process holds few at once. */
static int device_fds[8] = {-1, -1, -1, -1, -1, -1, -1, -1};

static int is_device(int fd)
{
    for (size_t i = 0; i < sizeof device_fds / sizeof device_fds[0]; i++)
        if (fd >= 0 && device_fds[i] == fd)
            return 1;
    return 0;
}

/* Not folded into the callers: the C library declares their path non-null, yet a
 * program may still pass NULL, which the real call answers with EFAULT. */
__attribute__((noinline)) static int names_device(const char *path)
{
    return path && strcmp(path, GPIO_DEVICE) == 0;
}

static void forget(int fd)
{
    for (size_t i = 0; i < sizeof device_fds / sizeof device_fds[0]; i++)
        if (device_fds[i] == fd)
            device_fds[i] = -1;
}

static void record(const char *what)
{
    struct logline line;
    char head[64];
    if (logline_start(&line) < 0)
        return;
    snprintf(head, sizeof head, " %d ", (int)getpid());
    logline_add_raw(&line, head);
    logline_add_escaped(&line, program_invocation_short_name);
    logline_add_raw(&line, " ");
    logline_add_raw(&line, what);
    logline_finish(&line, VROUTER_LOG_DIR "/gpio.log");
}

static int forward_open(const char *symbol, int dirfd, const char *path, int flags, mode_t mode);

static int open_device(int flags)
{
    int fd = forward_open("open", AT_FDCWD, "/dev/null", O_RDONLY | (flags & O_CLOEXEC), 0);
    if (fd < 0)
        return fd;
    for (size_t i = 0; i < sizeof device_fds / sizeof device_fds[0]; i++) {
        if (device_fds[i] < 0) {
            device_fds[i] = fd;
            record("open " GPIO_DEVICE);
            return fd;
        }
    }
    close(fd);
    errno = EMFILE;
    return -1;
}

static mode_t mode_of(int flags, va_list args)
{
    return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? (mode_t)va_arg(args, int) : 0;
}

/* The mode argument of an open call, present only when the flags create a file. */
#define MODE_ARGUMENT(flags)                                                                                           \
    ({                                                                                                                 \
        va_list args_;                                                                                                 \
        va_start(args_, flags);                                                                                        \
        mode_t mode_ = mode_of(flags, args_);                                                                          \
        va_end(args_);                                                                                                 \
        mode_;                                                                                                         \
    })

static int forward_open(const char *symbol, int dirfd, const char *path, int flags, mode_t mode)
{
    if (strcmp(symbol, "openat") == 0) {
        int (*real)(int, const char *, int, mode_t) =
            (int (*)(int, const char *, int, mode_t))dlsym(RTLD_NEXT, "openat");
        if (real)
            return real(dirfd, path, flags, mode);
    } else {
        int (*real)(const char *, int, mode_t) = (int (*)(const char *, int, mode_t))dlsym(RTLD_NEXT, symbol);
        if (real)
            return real(path, flags, mode);
    }
    errno = ENOSYS;
    return -1;
}

int open(const char *path, int flags, ...)
{
    mode_t mode = MODE_ARGUMENT(flags);
    return names_device(path) ? open_device(flags) : forward_open("open", AT_FDCWD, path, flags, mode);
}

int open64(const char *path, int flags, ...)
{
    mode_t mode = MODE_ARGUMENT(flags);
    return names_device(path) ? open_device(flags) : forward_open("open64", AT_FDCWD, path, flags, mode);
}

int openat(int dirfd, const char *path, int flags, ...)
{
    mode_t mode = MODE_ARGUMENT(flags);
    return names_device(path) ? open_device(flags) : forward_open("openat", dirfd, path, flags, mode);
}

int __open_2(const char *path, int flags)
{
    return names_device(path) ? open_device(flags) : forward_open("open", AT_FDCWD, path, flags, 0);
}

int ioctl(int fd, unsigned long request, ...)
{
    va_list args;
    va_start(args, request);
    void *arg = va_arg(args, void *);
    va_end(args);
    if (!is_device(fd)) {
        int (*real)(int, unsigned long, void *) = (int (*)(int, unsigned long, void *))dlsym(RTLD_NEXT, "ioctl");
        if (!real) {
            errno = ENOSYS;
            return -1;
        }
        return real(fd, request, arg);
    }
    if (request != LED_REQUEST || !arg) {
        errno = ENOTTY;
        return -1;
    }
    uint32_t words[6];
    memcpy(words, arg, sizeof words);
    char text[128];
    snprintf(text, sizeof text, "ioctl 0x%lx %u %u %u %u %u %u", request, words[0], words[1], words[2], words[3],
             words[4], words[5]);
    record(text);
    return 0;
}

int close(int fd)
{
    if (is_device(fd)) {
        forget(fd);
        record("close");
    }
    int (*real)(int) = (int (*)(int))dlsym(RTLD_NEXT, "close");
    if (!real) {
        errno = ENOSYS;
        return -1;
    }
    return real(fd);
}
