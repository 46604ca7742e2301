/* Recording stand-in for a router program that does not exist on this host.
 *
 * Installed in the router's PATH under the program's name (a symlink); each
 * call appends "<monotonic time> <name> <arguments, escaped>" to
 * VROUTER_LOG_DIR/standin.log, prints VROUTER_CANNED_DIR/<name>.out if there
 * is one, and exits with the number in <name>.status (default 0). A reply for
 * one exact call, "<name>@<arguments joined by single spaces>.out" (and
 * ".status"), is taken before the general one: "iwpriv@ra0 e2p.out" answers
 * only "iwpriv ra0 e2p". */
#define _GNU_SOURCE
#include "logline.h"

#include <fcntl.h>
#include <libgen.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

static void record(const char *name, int argc, char **argv)
{
    struct logline line;
    if (logline_start(&line) < 0)
        return;
    logline_add_raw(&line, " ");
    logline_add_escaped(&line, name);
    for (int i = 1; i < argc; i++) {
        logline_add_raw(&line, " ");
        logline_add_escaped(&line, argv[i]);
    }
    logline_finish(&line, VROUTER_LOG_DIR "/standin.log");
}

/* "<name>@<args>" for the exact call, or "" when it does not fit. */
static void call_key(char *key, size_t size, const char *name, int argc, char **argv)
{
    size_t used = (size_t)snprintf(key, size, "%s@", name);
    for (int i = 1; i < argc && used < size; i++)
        used += (size_t)snprintf(key + used, size - used, i > 1 ? " %s" : "%s", argv[i]);
    if (used >= size)
        key[0] = '\0';
}

/* The canned file for this call with the given suffix, exact call first; -1 when none. */
static int open_canned(const char *call, const char *name, const char *suffix)
{
    char path[512];
    int fd = -1;
    if (call[0] && snprintf(path, sizeof path, VROUTER_CANNED_DIR "/%s%s", call, suffix) < (int)sizeof path)
        fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        snprintf(path, sizeof path, VROUTER_CANNED_DIR "/%s%s", name, suffix);
        fd = open(path, O_RDONLY | O_CLOEXEC);
    }
    return fd;
}

static void print_canned(const char *call, const char *name)
{
    char buf[4096];
    int fd = open_canned(call, name, ".out");
    if (fd < 0)
        return;
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) > 0)
        if (write(STDOUT_FILENO, buf, (size_t)n) != n)
            break;
    close(fd);
}

static int canned_status(const char *call, const char *name)
{
    int fd = open_canned(call, name, ".status");
    FILE *f = fd < 0 ? NULL : fdopen(fd, "r");
    if (!f) {
        if (fd >= 0)
            close(fd);
        return 0;
    }
    int status = 0;
    if (fscanf(f, "%d", &status) != 1)
        status = 0;
    fclose(f);
    return status & 0xff;
}

int main(int argc, char **argv)
{
    const char *name = basename(argv[0]);
    char call[400];
    call_key(call, sizeof call, name, argc, argv);
    record(name, argc, argv);
    print_canned(call, name);
    return canned_status(call, name);
}
