// The command half of the system seam (lib/system.h): the real runner and the installed
// one, and QavoSystem, the exported way to hand a command line to it.
#include "qavo/runner.h"

#include "lib/system.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Writes the whole text to a descriptor, going on after short writes and EINTR.
void writeAll(int fd, const char *text, size_t length)
{
    while (length > 0) {
        ssize_t n = write(fd, text, length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        text += n;
        length -= static_cast<size_t>(n);
    }
}

[[noreturn]] void runShellInChild(const char *command, int echo)
{
    if (echo) {
        // Written straight to the descriptor: the child's copy of the stdio buffer is
        // empty (flushed before fork) and the line must be out before the shell starts.
        writeAll(STDOUT_FILENO, "[system]: ", 10);
        writeAll(STDOUT_FILENO, command, strlen(command));
        writeAll(STDOUT_FILENO, "\r\n", 2);
    }
    char *const argv[] = {const_cast<char *>("sh"), const_cast<char *>("-c"), const_cast<char *>(command), nullptr};
    execv("/bin/sh", argv);
    _exit(127);
}

// What the programs print before a command must come before the command's own output,
// also when standard output is a file or a pipe.
void flushOutput()
{
    fflush(stdout);
    fflush(stderr);
}

int runThroughShell(const char *command, int echo)
{
    flushOutput();
    pid_t pid = fork();
    if (pid < 0)
        return -1;
    if (pid == 0)
        runShellInChild(command, echo);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return status;
}

FILE *openShellOutput(const char *command)
{
    flushOutput();
    return popen(command, "re");
}

qavo::sys::Runner currentRunner = {runThroughShell, openShellOutput, pclose};

} // namespace

qavo::sys::Runner qavo::sys::installRunner(const Runner &runner)
{
    Runner previous = currentRunner;
    currentRunner = runner;
    return previous;
}

qavo::sys::CommandOutput::CommandOutput(const char *command)
    : stream_(currentRunner.openOutput(command)), close_(currentRunner.closeOutput)
{}

qavo::sys::CommandOutput::~CommandOutput()
{
    if (stream_)
        close_(stream_);
}

extern "C" int QavoSystem(const char *command, int echo)
{
    if (!command) {
        fputs("QavoSystem: Null Command, Error!", stdout);
        return -1;
    }
    return currentRunner.run(command, echo);
}
