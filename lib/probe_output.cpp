#include "lib/probe_output.h"

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "lib/holders.h"
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

// The probe file at path opened with flags, without following a link or blocking on a
// FIFO; nothing unless it is a regular file of this process's user.
Descriptor openOutput(const char *path, int flags)
{
    Descriptor fd(sys::openDescriptor(path, flags | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644));
    struct stat info;
    if (fd && (fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != geteuid()))
        fd.reset();
    return fd;
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

bool outputUsable(const char *path)
{
    Descriptor fd(openOutput(path, O_WRONLY | O_CREAT));
    if (!fd)
        fprintf(stderr, "Error: %s is not a regular file of this user; probe not run\n", path);
    return static_cast<bool>(fd);
}

Verdict readOutput(const char *path, Verdict read(FILE *))
{
    Descriptor fd(openOutput(path, O_RDONLY));
    File output(fd ? fdopen(fd.get(), "r") : nullptr);
    if (!output)
        return Verdict::NoFile;
    fd.release(); // the stream closes it
    return read(output.get());
}

} // namespace qavo::probe
