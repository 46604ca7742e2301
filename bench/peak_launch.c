/*
 * peak_launch [--smaps FILE] PROGRAM [ARGS...]: runs the program and prints
 *   "<VmHWM KiB> <RssAnon KiB> PROGRAM ARGS"
 * on standard error, read from /proc/<pid>/status at the moment the program exits, so
 * nothing is loaded into the program and neither the launcher nor the program's own
 * children count. The launcher traces only the program's exit: the child asks to be
 * traced, the exit stop (PTRACE_EVENT_EXIT) comes before the kernel releases the
 * program's memory, the figures are read and the program is let go. Signals the program
 * receives meanwhile are passed on to it. With --smaps, /proc/<pid>/smaps at exit is
 * copied to FILE (where each resident page comes from). Exit status = the program's.
 */
#define _GNU_SOURCE
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

static long status_field(const char *status, const char *field)
{
    const char *at = strstr(status, field);
    return at ? strtol(at + strlen(field), NULL, 10) : -1;
}

static void copy_file(const char *from, const char *to)
{
    FILE *in = fopen(from, "re");
    FILE *out = fopen(to, "we");
    char buffer[4096];
    size_t n;
    while (in && out && (n = fread(buffer, 1, sizeof buffer, in)) > 0)
        fwrite(buffer, 1, n, out);
    if (!in || !out)
        fprintf(stderr, "peak_launch: cannot copy %s to %s\n", from, to);
    if (in)
        fclose(in);
    if (out)
        fclose(out);
}

/* Reports the figures of the stopped, exiting program. */
static void report(pid_t child, char **command, const char *smaps_copy)
{
    char path[64];
    char status[4096] = "";
    snprintf(path, sizeof path, "/proc/%d/status", (int)child);
    FILE *file = fopen(path, "re");
    if (file) {
        size_t n = fread(status, 1, sizeof status - 1, file);
        status[n] = '\0';
        fclose(file);
    }
    if (smaps_copy) {
        snprintf(path, sizeof path, "/proc/%d/smaps", (int)child);
        copy_file(path, smaps_copy);
    }
    fprintf(stderr, "%ld %ld", status_field(status, "VmHWM:"), status_field(status, "RssAnon:"));
    for (char **word = command; *word; word++)
        fprintf(stderr, " %s", *word);
    fputc('\n', stderr);
}

int main(int argc, char **argv)
{
    const char *smaps_copy = NULL;
    int first = 1;
    if (argc > 3 && strcmp(argv[1], "--smaps") == 0) {
        smaps_copy = argv[2];
        first = 3;
    }
    if (argc <= first) {
        fputs("usage: peak_launch [--smaps FILE] PROGRAM [ARGS...]\n", stderr);
        return 125;
    }
    char **command = argv + first;
    /* The figures' line leaves in one write, whole, however the program's own children
     * write to the same standard error meanwhile. */
    setvbuf(stderr, NULL, _IOLBF, BUFSIZ);
    pid_t child = fork();
    if (child < 0) {
        perror("peak_launch: fork");
        return 125;
    }
    if (child == 0) {
        if (ptrace(PTRACE_TRACEME, 0, NULL, NULL) < 0)
            _exit(126);
        execvp(command[0], command);
        _exit(127);
    }
    int status = 0;
    int reported = 0;
    while (waitpid(child, &status, 0) == child) {
        if (WIFEXITED(status) || WIFSIGNALED(status))
            break;
        int deliver = 0;
        if (status >> 8 == (SIGTRAP | (PTRACE_EVENT_EXIT << 8))) {
            report(child, command, smaps_copy);
            reported = 1;
        } else if (WSTOPSIG(status) == SIGTRAP && !reported) {
            /* The stop after exec: from here on, stop only at the exit. */
            ptrace(PTRACE_SETOPTIONS, child, NULL, (void *)(long)PTRACE_O_TRACEEXIT);
        } else {
            deliver = WSTOPSIG(status);
        }
        ptrace(PTRACE_CONT, child, NULL, (void *)(long)deliver);
    }
    if (!reported)
        fprintf(stderr, "peak_launch: %s ended without an exit stop\n", command[0]);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
