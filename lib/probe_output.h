// Reading what the status probes' tools print: the switch PHY tool's register dump and
// the wireless client's association state. Both tools write into fixed files under /tmp
// that every process shares; runProbe serialises the run and the read.
#ifndef QAVO_LIB_PROBE_OUTPUT_H
#define QAVO_LIB_PROBE_OUTPUT_H

#include <cstdio>

#include "lib/holders.h"

namespace qavo::probe {

enum class Verdict { NoFile, No, Yes };

// The PHY tool prints the basic status register as "... = hhhh"; the third digit, read as
// a decimal digit (a letter reads as 0), has its bit of value 2 set when auto-negotiation
// is complete. The last line with a "=" decides; a file without one means no link.
Verdict phyLink(FILE *output);

// iwconfig's output: a line holding "Not-Associated" means not associated; any other
// non-empty output means associated, an empty one not associated.
Verdict associated(FILE *output);

// Holds an exclusive lock on "<path>.lock" while it lives. Without a lock file (a
// read-only /tmp) the probe still runs, unprotected.
class ProbeLock {
public:
    explicit ProbeLock(const char *path);

private:
    Descriptor lock_; // closing releases the lock
};

// Opens path and hands it to read; NoFile when it cannot be opened.
Verdict readOutput(const char *path, Verdict read(FILE *));

// Runs the probe command (run() returns QavoSystem's result), whose output goes to path,
// then reads path. The run and the read hold the path's lock, so two probes in different
// processes never read each other's half-written output. NoFile when the command was not
// run (-1: a refused value, no process) or path cannot be opened.
template <typename Run>
Verdict runProbe(Run run, const char *path, Verdict read(FILE *))
{
    ProbeLock lock(path);
    if (run() == -1)
        return Verdict::NoFile;
    return readOutput(path, read);
}

} // namespace qavo::probe

#endif
