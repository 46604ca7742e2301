/* The virtual router's /bin/sh.
 *
 * Bind-mounted over the host's /bin/sh inside the router, it records every
 * "sh -c COMMAND" in VROUTER_LOG_DIR/sh.log as
 *     <monotonic time> <parent pid> <parent comm> <command, escaped>
 * and then becomes the router's shell, BusyBox ash, with the same arguments.
 * Any other invocation (scripts, interactive shells) is passed on unlogged.
 * The programs under test need no knowledge of this.
 *
 * Debian's BusyBox ash runs its own applets before searching PATH, so a
 * stand-in that shares an applet's name (reboot) or a nested "sh" would never
 * be reached. The harness writes shell functions for those names into
 * VROUTER_PRELUDE; it is put in front of the logged command, on its own line. */
#define _GNU_SOURCE
#include "logline.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static const char busybox_path[] = "/bin/busybox";
#define VROUTER_PRELUDE "/.vrouter/sh-prelude"

/* prelude + "\n" + command in a heap buffer, or NULL without a prelude. */
static char *with_prelude(const char *command)
{
    char prelude[4096];
    int fd = open(VROUTER_PRELUDE, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return NULL;
    ssize_t n = read(fd, prelude, sizeof prelude - 1);
    close(fd);
    if (n <= 0)
        return NULL;
    size_t size = (size_t)n + 1 + strlen(command) + 1;
    char *joined = malloc(size);
    if (!joined)
        return NULL;
    memcpy(joined, prelude, (size_t)n);
    joined[n] = '\n';
    memcpy(joined + n + 1, command, strlen(command) + 1);
    return joined;
}

/* The parent's command name; "?" when /proc does not list it (the static
 * /proc mode keeps the live table under /proc/.live). */
static void parent_comm(pid_t ppid, char *out, size_t size)
{
    static const char *const roots[] = {"/proc", "/proc/.live"};
    snprintf(out, size, "?");
    for (size_t i = 0; i < sizeof roots / sizeof roots[0]; i++) {
        char path[64];
        snprintf(path, sizeof path, "%s/%d/comm", roots[i], (int)ppid);
        int fd = open(path, O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        ssize_t n = read(fd, out, size - 1);
        close(fd);
        if (n <= 0)
            continue;
        out[n] = '\0';
        out[strcspn(out, "\n")] = '\0';
        for (char *c = out; *c; c++)
            if (*c == ' ')
                *c = '_'; /* keep the record's fields blank-separated */
        return;
    }
}

static void log_command(const char *command)
{
    struct logline line;
    char field[64];
    pid_t ppid = getppid();

    if (logline_start(&line) < 0)
        return;
    snprintf(field, sizeof field, " %d ", (int)ppid);
    logline_add_raw(&line, field);
    parent_comm(ppid, field, sizeof field);
    logline_add_raw(&line, field);
    logline_add_raw(&line, " ");
    logline_add_escaped(&line, command);
    logline_finish(&line, VROUTER_LOG_DIR "/sh.log");
}

int main(int argc, char **argv)
{
    if (argc >= 3 && strcmp(argv[1], "-c") == 0) {
        log_command(argv[2]);
        char *joined = with_prelude(argv[2]);
        if (joined)
            argv[2] = joined;
    }
    argv[0] = (char *)"sh";
    execv(busybox_path, argv);
    perror("shlog: /bin/busybox");
    return 127;
}
