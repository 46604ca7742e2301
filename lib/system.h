// The one seam between the programs and the system they run on, after a network daemon's
// system layer with a real and a dry-run implementation. Every command line goes through
// the installed runner: QavoSystem's runs, and the reads of a command's output (popen).
// Every file the programs name themselves goes under the file root. The programs keep
// the real runner and no root; unit tests install a recorder (tests/support) and root the
// files in a private tree, so boot and tool sequences are checked without root, on the
// host and under qemu.
#ifndef QAVO_LIB_SYSTEM_H
#define QAVO_LIB_SYSTEM_H

#include <cstddef>
#include <cstdio>
#include <sys/types.h>

#include "qavo/api.h"

namespace qavo::sys {

// How command lines reach a shell.
struct Runner {
    // Runs a command line (never NULL); the raw wait status, or -1 when it did not run.
    int (*run)(const char *command, int echo);
    // Starts a command whose standard output the caller reads; nullptr when it cannot.
    FILE *(*openOutput)(const char *command);
    // Ends a read started by openOutput: the command's raw wait status, or -1.
    int (*closeOutput)(FILE *output);
};

// Makes runner the one every command goes through and returns the one it replaces (at
// first the real one: fork, the optional echo line, "/bin/sh -c", waitpid; popen and
// pclose). Not thread-safe: installed before any command runs.
Runner installRunner(const Runner &runner);

// The standard output of a command, read through the installed runner and ended when the
// holder goes.
class CommandOutput {
public:
    explicit CommandOutput(const char *command);
    ~CommandOutput();
    CommandOutput(const CommandOutput &) = delete;
    CommandOutput &operator=(const CommandOutput &) = delete;

    explicit operator bool() const { return stream_ != nullptr; }
    FILE *get() const { return stream_; }

private:
    FILE *stream_;
    int (*close_)(FILE *); // the runner that started it ends it
};

// Test seam: while root is set (a directory; nullptr for none), every absolute path the
// programs open, examine or write is taken under it. The programs never set it.
void setRootForTests(const char *root);

// The path under the test root, or the path itself when no root is set. False (out "")
// when the result would not fit size bytes.
bool rootedPath(const char *path, char *out, size_t size);

// fopen and open of the rooted path; nullptr / -1 (errno ENAMETOOLONG) when it is too long.
// openFile is exported from libqavo (QAVO_API) for initqavo, not for other programs.
QAVO_API FILE *openFile(const char *path, const char *mode);
int openDescriptor(const char *path, int flags, mode_t mode = 0);

} // namespace qavo::sys

#endif
