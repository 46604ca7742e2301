#include "lib/probe_output.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>

#include "lib/system.h"

namespace qavo::probe {
namespace {

constexpr size_t kLine = 512;

// Next line of output into line (without its line feed); the rest of an over-long line
// is skipped. False at the end of the file.
bool nextLine(FILE *output, char (&line)[kLine])
{
    if (!fgets(line, sizeof line, output))
        return false;
    char *end = strchr(line, '\n');
    if (end) {
        *end = '\0';
    } else {
        int c;
        while ((c = getc(output)) != EOF && c != '\n') {
        }
    }
    return true;
}

} // namespace

Verdict phyLink(FILE *output)
{
    Verdict verdict = Verdict::No;
    char line[kLine];
    while (nextLine(output, line)) {
        const char *equals = strchr(line, '=');
        if (!equals)
            continue;
        size_t digitAt = static_cast<size_t>(equals - line) + 4;
        if (digitAt >= strlen(line)) {
            verdict = Verdict::No;
            continue;
        }
        char c = line[digitAt];
        int digit = c >= '0' && c <= '9' ? c - '0' : 0;
        verdict = digit & 2 ? Verdict::Yes : Verdict::No;
    }
    return verdict;
}

Verdict associated(FILE *output)
{
    bool any = false;
    char line[kLine];
    while (nextLine(output, line)) {
        any = true;
        if (strstr(line, "Not-Associated"))
            return Verdict::No;
    }
    return any ? Verdict::Yes : Verdict::No;
}

ProbeLock::ProbeLock(const char *path)
{
    char lockPath[128];
    if (snprintf(lockPath, sizeof lockPath, "%s.lock", path) >= static_cast<int>(sizeof lockPath))
        return;
    lock_.reset(sys::openDescriptor(lockPath, O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!lock_)
        return;
    while (flock(lock_.get(), LOCK_EX) != 0 && errno == EINTR) {
    }
}

Verdict readOutput(const char *path, Verdict read(FILE *))
{
    File output(sys::openFile(path, "re"));
    return output ? read(output.get()) : Verdict::NoFile;
}

} // namespace qavo::probe
