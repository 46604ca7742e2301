/*
 * Preloaded (LD_PRELOAD) into the programs bench/footprint.sh runs in the virtual
 * router: when a process ends normally it appends
 *   "<VmHWM KiB> <RssAnon KiB> <executable> <arguments>"
 * to the file named by QAVO_PEAK_RSS_LOG. VmHWM is the kernel's high-water mark of this
 * program's own resident memory since its exec: neither its children's nor the parent
 * it was forked from count (getrusage's ru_maxrss would carry the latter). RssAnon, read
 * at the same moment, is the private (heap, stack, data) part of it; the rest is pages of
 * the program's files and its libraries, shared with every other process using them.
 *
 * The probe must not raise what it measures. Resident memory on Linux is mostly library
 * code mapped a 64 KiB window at a time on first use, so the probe calls no C library
 * function at all (no stdio, no formatting): it makes its system calls itself and
 * formats numbers by hand in stack buffers. Its own cost is the few pages of this small
 * library, measured against the static launcher bench/peak_launch.c.
 */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stddef.h>
#include <sys/syscall.h>

extern char **environ;

#if defined(__x86_64__)
static long raw_syscall(long number, long a, long b, long c, long d)
{
    long result;
    register long r10 __asm__("r10") = d;
    __asm__ volatile("syscall" : "=a"(result) : "a"(number), "D"(a), "S"(b), "d"(c), "r"(r10) : "rcx", "r11", "memory");
    return result;
}
#elif defined(__mips__) && _MIPS_SIM == _ABIO32
/* Built without the C library (the emulated board's image: -nostdlib), so the same probe
 * loads into programs on glibc and on uClibc-ng. The kernel clobbers $1, $3, $8-$15,
 * $24, $25, hi and lo, and sets $7 on failure. */
static long raw_syscall(long number, long a, long b, long c, long d)
{
    register long v0 __asm__("$2") = number;
    register long a0 __asm__("$4") = a;
    register long a1 __asm__("$5") = b;
    register long a2 __asm__("$6") = c;
    register long a3 __asm__("$7") = d;
    __asm__ volatile("syscall"
                     : "+r"(v0), "+r"(a3)
                     : "r"(a0), "r"(a1), "r"(a2)
                     : "$1", "$3", "$8", "$9", "$10", "$11", "$12", "$13", "$14", "$15", "$24", "$25", "hi", "lo",
                       "memory");
    return a3 ? -1 : v0;
}
#else
#include <unistd.h>
static long raw_syscall(long number, long a, long b, long c, long d)
{
    long result = syscall(number, a, b, c, d);
    return result < 0 ? -1 : result;
}
#endif

static int open_file(const char *path, int flags)
{
    return (int)raw_syscall(SYS_openat, AT_FDCWD, (long)path, flags | O_CLOEXEC, 0644);
}

static long read_file(const char *path, char *out, size_t size)
{
    int fd = open_file(path, O_RDONLY);
    long total = 0;
    if (fd < 0)
        return -1;
    for (;;) {
        long n = raw_syscall(SYS_read, fd, (long)(out + total), (long)(size - 1 - total), 0);
        if (n <= 0 || (size_t)(total += n) >= size - 1)
            break;
    }
    raw_syscall(SYS_close, fd, 0, 0, 0);
    out[total] = '\0';
    return total;
}

static int starts_with(const char *text, const char *prefix)
{
    while (*prefix)
        if (*text++ != *prefix++)
            return 0;
    return 1;
}

static const char *environment(const char *name_equals)
{
    for (char **entry = environ; entry && *entry; entry++)
        if (starts_with(*entry, name_equals)) {
            const char *value = *entry;
            while (*name_equals++)
                value++;
            return value;
        }
    return NULL;
}

/* The number after "<field>:" in /proc/self/status text, in kB; -1 when absent. */
static long status_field(const char *status, const char *field)
{
    for (const char *line = status; *line;) {
        if (starts_with(line, field)) {
            const char *p = line;
            long value = 0;
            while (*p && (*p < '0' || *p > '9') && *p != '\n')
                p++;
            if (*p < '0' || *p > '9')
                return -1;
            while (*p >= '0' && *p <= '9')
                value = value * 10 + (*p++ - '0');
            return value;
        }
        while (*line && *line != '\n')
            line++;
        if (*line)
            line++;
    }
    return -1;
}

static char *append(char *out, const char *end, const char *text)
{
    while (*text && out < end)
        *out++ = *text++;
    return out;
}

static char *append_number(char *out, const char *end, long value)
{
    char digits[24];
    int n = 0;
    if (value < 0)
        return append(out, end, "-1");
    do
        digits[n++] = (char)('0' + value % 10);
    while ((value /= 10) && n < (int)sizeof digits);
    while (n && out < end)
        *out++ = digits[--n];
    return out;
}

__attribute__((destructor)) static void report_peak_rss(void)
{
    const char *path = environment("QAVO_PEAK_RSS_LOG=");
    char status[4096];
    char exe[256];
    char args[256];
    char line[600];
    if (!path)
        return;
    /* Read the figures first, before this function touches anything else. */
    long hwm = -1, anon = -1;
    if (read_file("/proc/self/status", status, sizeof status) > 0) {
        hwm = status_field(status, "VmHWM:");
        anon = status_field(status, "RssAnon:");
    }
    long n = raw_syscall(SYS_readlinkat, AT_FDCWD, (long)"/proc/self/exe", (long)exe, sizeof exe - 1);
    exe[n < 0 ? 0 : n] = '\0';
    /* The arguments after the program name, space-separated. */
    long length = read_file("/proc/self/cmdline", args, sizeof args);
    const char *rest = args;
    while (length > 0 && *rest)
        rest++;
    for (char *p = args; p < args + length; p++)
        if (*p == '\0')
            *p = ' ';

    const char *end = line + sizeof line - 1;
    char *out = append_number(line, end, hwm);
    out = append(out, end, " ");
    out = append_number(out, end, anon);
    out = append(out, end, " ");
    out = append(out, end, exe);
    out = append(out, end, length > 0 ? rest : "");
    *out++ = '\n';
    int fd = open_file(path, O_WRONLY | O_APPEND | O_CREAT);
    if (fd < 0)
        return;
    /* One write per line, so concurrent programs do not interleave. A lost figure
     * shows as a missing line in the report. */
    raw_syscall(SYS_write, fd, (long)line, out - line, 0);
    raw_syscall(SYS_close, fd, 0, 0, 0);
}
