// The seam between the programs and the shell. QavoSystem hands every command line to
// the runner installed here: the programs keep the real one (fork, "/bin/sh -c", wait);
// unit tests install a recorder, so the tools' command sequences are checked without
// root and under qemu, the way a network daemon keeps its kernel access behind one
// interface with a real and a dry-run implementation.
#ifndef QAVO_LIB_SHELL_RUNNER_H
#define QAVO_LIB_SHELL_RUNNER_H

namespace qavo {

// Runs a command line that is not NULL and returns the raw wait status, as QavoSystem.
using ShellRunner = int (*)(const char *command, int echo);

// The real runner: fork, the optional echo line, "/bin/sh -c", waitpid.
int runThroughShell(const char *command, int echo);

// Makes runner the one QavoSystem uses (nullptr restores the real one) and returns the
// one it replaces. Not thread-safe: installed once, before any command runs.
ShellRunner installShellRunner(ShellRunner runner);

} // namespace qavo

#endif
