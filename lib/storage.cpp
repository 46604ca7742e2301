#include "lib/storage.h"

#include <cstring>

#include "lib/command.h"
#include "lib/system.h"

namespace qavo::storage {
namespace {

constexpr size_t kLineSize = 2048;

// Reads one line into line (kLineSize bytes). A line that does not fit is read to its
// end and reported as not whole, so the caller skips it instead of parsing a piece.
bool readLine(FILE *stream, char (&line)[kLineSize], bool &whole)
{
    if (!fgets(line, sizeof line, stream))
        return false;
    whole = strchr(line, '\n') != nullptr || feof(stream);
    if (!whole) {
        int c;
        while ((c = fgetc(stream)) != EOF && c != '\n') {
        }
    }
    return true;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n';
}

// Start and length of the index-th blank-separated word of line (from 0).
bool word(const char *line, int index, const char **start, size_t *length)
{
    const char *p = line;
    for (int i = 0;; ++i) {
        while (isBlank(*p))
            ++p;
        if (*p == '\0')
            return false;
        const char *end = p;
        while (*end != '\0' && !isBlank(*end))
            ++end;
        if (i == index) {
            *start = p;
            *length = static_cast<size_t>(end - p);
            return true;
        }
        p = end;
    }
}

bool isOctal(char c)
{
    return c >= '0' && c <= '7';
}

enum class Mounted : unsigned char { Yes, No, Unknown };

Mounted partitionMounted(const char *name)
{
    MediaMounts mounts;
    if (!mounts.opened())
        return Mounted::Unknown;
    MountPoint point;
    while (mounts.next(point)) {
        if (strstr(point, name) != nullptr)
            return Mounted::Yes;
    }
    return Mounted::No;
}

// How much of an over-long word a message shows.
int shown(size_t length)
{
    return static_cast<int>(length < 32 ? length : 32);
}

} // namespace

bool partitionName(const char *line, PartitionName &name)
{
    const char *start;
    size_t length;
    if (!word(line, 3, &start, &length))
        return false;
    if (length > kPartitionNameMax) {
        fprintf(stderr, "doMount: partition name %.*s... longer than %zu characters; skipped\n", shown(length), start,
                kPartitionNameMax);
        return false;
    }
    memcpy(name, start, length);
    name[length] = '\0';
    return true;
}

bool isDiskPartition(const char *name)
{
    return strncmp(name, "sd", 2) == 0 && name[2] != '\0' && name[3] >= '1' && name[3] <= '9';
}

bool mountPoint(const char *line, MountPoint &out)
{
    const char *start;
    size_t length;
    const char *ignored;
    size_t ignoredLength;
    // A mount line always goes on after its mount point; without a third field the
    // second may be a piece of a longer one.
    if (!word(line, 1, &start, &length) || !word(line, 2, &ignored, &ignoredLength))
        return false;
    size_t n = 0;
    for (size_t i = 0; i < length; ++i) {
        char c = start[i];
        if (c == '\\' && i + 3 < length && isOctal(start[i + 1]) && isOctal(start[i + 2]) && isOctal(start[i + 3])) {
            int value = (start[i + 1] - '0') * 64 + (start[i + 2] - '0') * 8 + (start[i + 3] - '0');
            if (value == 0 || value > 255)
                return false;
            c = static_cast<char>(value);
            i += 3;
        }
        if (n == kMountPointMax) {
            fprintf(stderr, "mount point %.*s... longer than %zu characters; skipped\n", shown(length), start,
                    kMountPointMax);
            return false;
        }
        out[n++] = c;
    }
    out[n] = '\0';
    return true;
}

PartitionTable::PartitionTable() : file_(sys::openFile("/proc/partitions", "re"))
{
    if (!file_)
        perror("doMount: /proc/partitions");
}

PartitionTable::~PartitionTable()
{
    if (file_)
        fclose(file_);
}

bool PartitionTable::next(PartitionName &name)
{
    char line[kLineSize];
    bool whole;
    while (file_ && readLine(file_, line, whole)) {
        if (whole && partitionName(line, name))
            return true;
    }
    return false;
}

MediaMounts::MediaMounts() : output_("cat /proc/mounts | grep media")
{
    if (!output_)
        perror("cannot read the mount list");
}

bool MediaMounts::next(MountPoint &out)
{
    char line[kLineSize];
    bool whole;
    while (output_ && readLine(output_.get(), line, whole)) {
        // The same lines as the grep keeps.
        if (whole && strstr(line, "media") != nullptr && mountPoint(line, out))
            return true;
    }
    return false;
}

bool mountUnmounted(bool (*isCandidate)(const char *name))
{
    PartitionTable partitions;
    bool candidateSeen = false;
    PartitionName name;
    while (partitions.next(name)) {
        if (!isCandidate(name))
            continue;
        candidateSeen = true;
        if (partitionMounted(name) == Mounted::No)
            runCommand<kCommandSize>(1, "automount.sh %s nosig", {quote::text("partition name", name)});
    }
    return candidateSeen;
}

} // namespace qavo::storage
