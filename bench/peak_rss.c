/*
 * Preloaded (LD_PRELOAD) into the programs bench/footprint.sh runs in the virtual
 * router: when a process ends normally it appends "<peak KiB> <executable> <arguments>"
 * to the file named by QAVO_PEAK_RSS_LOG. The peak is the kernel's VmHWM, the high-water
 * mark of this program's own memory since its exec: neither its children's nor the
 * parent it was forked from count (getrusage's ru_maxrss would carry the latter).
 */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static long peak_kib(void)
{
    FILE *status = fopen("/proc/self/status", "re");
    char line[128];
    long kib = -1;
    if (!status)
        return -1;
    while (fgets(line, sizeof line, status))
        if (sscanf(line, "VmHWM: %ld kB", &kib) == 1)
            break;
    fclose(status);
    return kib;
}

/* The arguments after the program name, space-separated; "" when there are none. */
static void arguments(char *out, size_t size)
{
    int fd = open("/proc/self/cmdline", O_RDONLY | O_CLOEXEC);
    ssize_t n = fd < 0 ? -1 : read(fd, out, size - 1);
    if (fd >= 0)
        close(fd);
    if (n <= 0)
        n = 0;
    out[n] = '\0';
    size_t skip = strlen(out);
    for (ssize_t i = 0; i < n; i++)
        if (out[i] == '\0')
            out[i] = ' ';
    memmove(out, out + skip, (size_t)n - skip + 1);
}

__attribute__((destructor)) static void report_peak_rss(void)
{
    const char *path = getenv("QAVO_PEAK_RSS_LOG");
    char args[256];
    char exe[256];
    char line[520];
    if (!path)
        return;
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    exe[n < 0 ? 0 : n] = '\0';
    arguments(args, sizeof args);
    int length = snprintf(line, sizeof line, "%ld %s%s\n", peak_kib(), exe, args);
    if (length > (int)sizeof line - 1)
        length = (int)sizeof line - 1;
    int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    /* One write per line, so concurrent programs do not interleave. */
    if (write(fd, line, (size_t)length) < 0) {
        /* Nothing to do: a lost figure shows as a missing line in the report. */
    }
    close(fd);
}
