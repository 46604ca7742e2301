#include "lib/probe_output.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

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
    fd_ = open(lockPath, O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0)
        return;
    while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
}

ProbeLock::~ProbeLock()
{
    if (fd_ >= 0)
        close(fd_); // closing releases the lock
}

Verdict readOutput(const char *path, Verdict read(FILE *))
{
    FILE *output = fopen(path, "re");
    if (!output)
        return Verdict::NoFile;
    Verdict verdict = read(output);
    fclose(output);
    return verdict;
}

} // namespace qavo::probe
