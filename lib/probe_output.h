// Reading what the status probes' tools print: the switch PHY tool's register dump and
// the wireless client's association state. Both tools write into fixed files under /tmp
// that every process shares; runProbe serialises the run and the read and refuses an
// output file that is not a plain file of its own.
#ifndef QAVO_LIB_PROBE_OUTPUT_H
#define QAVO_LIB_PROBE_OUTPUT_H

#include <cstdio>

#include "lib/run_lock.h"

namespace qavo::probe {

enum class Verdict { NoFile, No, Yes };

// The PHY tool prints the basic status register as "... = hhhh"; the third digit, read as
// a decimal digit (a letter reads as 0), has its bit of value 2 set when auto-negotiation
// is complete. The last line with a "=" decides; a file without one means no link.
Verdict phyLink(FILE *output);

// iwconfig's output: a line holding "Not-Associated" means not associated; any other
// non-empty output means associated, an empty one not associated.
Verdict associated(FILE *output);

// How long a probe waits for another probe of the same output file: a run is quick, so a
// longer wait means that probe's tool hangs.
constexpr int kProbeLockWaitMilliseconds = 3000;

// True when the probe's output may be written at path through the shell's ">": the path
// is, or is now created as, a regular file of this process's user. A link (which ">" would
// follow), a FIFO (which would block it), anything else and a file another user could
// swap for a link are refused with a message.
bool outputUsable(const char *path);

// Opens path without following a link and hands it to read; NoFile when it cannot be
// opened or is not a regular file.
Verdict readOutput(const char *path, Verdict read(FILE *));

// Runs the probe command (run() returns QavoSystem's result), whose output goes to path,
// then reads path. The run and the read hold the run lock beside path, so two probes in
// different processes never read each other's half-written output; a probe that waited
// kProbeLockWaitMilliseconds for it gives up. NoFile when it gave up, the output is not
// usable, the command was not run (-1: a refused value, no process) or path cannot be read.
template <typename Run>
Verdict runProbe(Run run, const char *path, Verdict read(FILE *))
{
    RunLock lock(RunLock::Beside{path}, path, kProbeLockWaitMilliseconds);
    if (lock.gaveUp() || !outputUsable(path) || run() == -1)
        return Verdict::NoFile;
    return readOutput(path, read);
}

} // namespace qavo::probe

#endif
