/* The emulated router's GPIO driver: the character device "/dev/gpio" served from user
 * space through the kernel's CUSE, so that the router's LED requests go through a real
 * open, ioctl and close on a real device node.
 *
 * It answers the LED request 0x41, whose argument is the address of a record of six
 * 32-bit words (line, on time, off time, blinks, rests, repeats). The request number
 * encodes no size, so the device is registered for unrestricted requests and asks the
 * kernel, by a retry reply, to fetch the 24-byte record from the caller and to take it
 * back (unchanged) with the answer. It refuses, as a driver does:
 *   - any other request with ENOTTY (the kernel's answer for a request a driver does not
 *     know, and what the virtual router's GPIO shim answers, so both routers agree);
 *   - a record for a line above 72 or with a timing value above 4000 with EINVAL;
 *   - a record the kernel cannot read (a bad address) with the kernel's EFAULT.
 * Each accepted record, each open and each close is logged like the virtual router's
 * shim (sim/vrouter/gpio_shim.c) logs them, to VROUTER_LOG_DIR/gpio.log:
 *   <time> <pid> <program> open /dev/gpio
 *   <time> <pid> <program> ioctl 0x41 <gpio> <on> <off> <blinks> <rests> <repeats>
 *   <time> <pid> <program> close
 * so that both boot reports read the requests alike.
 *
 *   gpio_cuse [-f] [-s] [-d]   (libfuse's options: foreground, single-threaded, debug)
 * Without -f it returns once the device is set up and serves it in the background. */
#define FUSE_USE_VERSION 31
#define _GNU_SOURCE
#include "../common/logline.h"

#include <cuse_lowlevel.h>
#include <errno.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <unistd.h>

#define LED_REQUEST 0x41U
#define GPIO_MAX 72U
#define LED_ALWAYS 4000U

struct led_record {
    uint32_t gpio, on, off, blinks, rests, repeats;
};

/* Who opened a descriptor: a close arrives without the caller's pid. */
struct opener {
    pid_t pid;
    char program[64];
};

/* The caller's program name as it calls itself (argv[0] without its directory), as the
 * shim logs it; "?" when /proc no longer shows it. */
static void program_of(pid_t pid, char *name, size_t size)
{
    char path[32], cmdline[256];
    snprintf(path, sizeof path, "/proc/%d/cmdline", (int)pid);
    snprintf(name, size, "?");
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    ssize_t n = read(fd, cmdline, sizeof cmdline - 1);
    close(fd);
    if (n <= 0)
        return;
    cmdline[n] = '\0';
    const char *slash = strrchr(cmdline, '/');
    const char *base = slash ? slash + 1 : cmdline;
    size_t len = strnlen(base, size - 1); /* a longer name is cut */
    if (len) {
        memcpy(name, base, len);
        name[len] = '\0';
    }
}

static void record(const struct opener *who, const char *what)
{
    struct logline line;
    char head[32];
    if (logline_start(&line) < 0)
        return;
    snprintf(head, sizeof head, " %d ", (int)who->pid);
    logline_add_raw(&line, head);
    logline_add_escaped(&line, who->program);
    logline_add_raw(&line, " ");
    logline_add_raw(&line, what);
    logline_finish(&line, VROUTER_LOG_DIR "/gpio.log");
}

static const struct opener *opener_of(const struct fuse_file_info *fi)
{
    return (const struct opener *)(uintptr_t)fi->fh;
}

static void gpio_open(fuse_req_t req, struct fuse_file_info *fi)
{
    struct opener *who = calloc(1, sizeof *who);
    if (!who) {
        fuse_reply_err(req, ENOMEM);
        return;
    }
    who->pid = fuse_req_ctx(req)->pid;
    program_of(who->pid, who->program, sizeof who->program);
    fi->fh = (uintptr_t)who;
    record(who, "open /dev/gpio");
    /* The kernel releases nothing it was not told was opened. */
    if (fuse_reply_open(req, fi) != 0)
        free(who);
}

static void gpio_release(fuse_req_t req, struct fuse_file_info *fi)
{
    struct opener *who = (struct opener *)(uintptr_t)fi->fh;
    record(who, "close");
    free(who);
    fuse_reply_err(req, 0);
}

static int in_range(const struct led_record *r)
{
    return r->gpio <= GPIO_MAX && r->on <= LED_ALWAYS && r->off <= LED_ALWAYS && r->blinks <= LED_ALWAYS &&
           r->rests <= LED_ALWAYS && r->repeats <= LED_ALWAYS;
}

static void gpio_ioctl(fuse_req_t req, int cmd, void *arg, struct fuse_file_info *fi, unsigned flags,
                       const void *in_buf, size_t in_size, size_t out_size)
{
    (void)flags;
    (void)out_size;
    if ((unsigned)cmd != LED_REQUEST) {
        fuse_reply_err(req, ENOTTY);
        return;
    }
    struct led_record r;
    if (in_size == 0) {
        /* First call: nothing fetched yet. The kernel fetches the record and calls again. */
        struct iovec at = {arg, sizeof r};
        fuse_reply_ioctl_retry(req, &at, 1, &at, 1);
        return;
    }
    if (in_size < sizeof r) {
        fuse_reply_err(req, EINVAL);
        return;
    }
    memcpy(&r, in_buf, sizeof r);
    if (!in_range(&r)) {
        fuse_reply_err(req, EINVAL);
        return;
    }
    char text[96];
    snprintf(text, sizeof text, "ioctl 0x%x %u %u %u %u %u %u", LED_REQUEST, (unsigned)r.gpio, (unsigned)r.on,
             (unsigned)r.off, (unsigned)r.blinks, (unsigned)r.rests, (unsigned)r.repeats);
    record(opener_of(fi), text);
    fuse_reply_ioctl(req, 0, &r, sizeof r);
}

static const struct cuse_lowlevel_ops gpio_ops = {
    .open = gpio_open,
    .release = gpio_release,
    .ioctl = gpio_ioctl,
};

int main(int argc, char **argv)
{
    const char *device_info[] = {"DEVNAME=gpio"};
    struct cuse_info info = {
        .dev_info_argc = 1,
        .dev_info_argv = device_info,
        .flags = CUSE_UNRESTRICTED_IOCTL,
    };
    return cuse_lowlevel_main(argc, argv, &info, &gpio_ops, NULL);
}
