// "doMount" mounts the USB disk partitions that are not mounted yet and tells the
// subscriber; "init3G" reports that there is no 3G WAN.
#include <cstdio>
#include <cstring>
#include <memory>

#include "lib/command.h"
#include "networkconfig/handlers.h"
#include "networkconfig/storage_mount.h"

namespace networkconfig {
namespace {

constexpr size_t kLineSize = 256;
constexpr size_t kMountCommandSize = 256;

using File = std::unique_ptr<FILE, int (*)(FILE *)>;

// Reads the rest of a line that did not fit, so the next read starts at a new line.
void skipRestOfLine(FILE *stream, const char *line)
{
    if (strchr(line, '\n') != nullptr)
        return;
    int c;
    while ((c = fgetc(stream)) != EOF && c != '\n') {
    }
}

// True when the name occurs inside a mount point under /media (so sda1 counts as
// mounted at /media/sda10). False too when the mount list cannot be read; the caller
// then leaves the partition alone.
bool mountedOrUnknown(const char *name)
{
    File mounts(popen("cat /proc/mounts | grep media", "re"), pclose);
    if (!mounts) {
        perror("doMount: cannot read the mount list");
        return true;
    }
    char line[kLineSize];
    char mountPoint[kLineSize];
    while (fgets(line, sizeof line, mounts.get())) {
        skipRestOfLine(mounts.get(), line);
        // The mount point is compared whole, not cut to a short buffer, so a partition
        // mounted under a long path is still found.
        if (sscanf(line, "%*s %255s", mountPoint) == 1 && strstr(mountPoint, name) != nullptr)
            return true;
    }
    return false;
}

} // namespace

bool isCandidatePartition(const char *name)
{
    return strncmp(name, "sd", 2) == 0 && name[2] != '\0' && name[3] >= '1' && name[3] <= '9';
}

bool partitionName(const char *line, char *name)
{
    char word[kLineSize];
    if (sscanf(line, "%*s %*s %*s %255s", word) != 1)
        return false;
    if (strlen(word) > static_cast<size_t>(kPartitionNameMax)) {
        fprintf(stderr, "doMount: partition name %.32s... longer than %d characters; skipped\n", word,
                kPartitionNameMax);
        return false;
    }
    memcpy(name, word, strlen(word) + 1);
    return true;
}

} // namespace networkconfig

extern "C" int ombix_networkconfig_init_mount(int, char *)
{
    using namespace networkconfig;
    File partitions(fopen("/proc/partitions", "re"), fclose);
    if (!partitions) {
        perror("doMount: /proc/partitions");
        return 1;
    }
    bool candidateSeen = false;
    char line[kLineSize];
    while (fgets(line, sizeof line, partitions.get())) {
        skipRestOfLine(partitions.get(), line);
        char name[kPartitionNameMax + 1];
        if (!partitionName(line, name) || !isCandidatePartition(name))
            continue;
        candidateSeen = true;
        if (!mountedOrUnknown(name))
            qavo::runCommand<kMountCommandSize>(1, "automount.sh %s nosig",
                                                {qavo::quote::text("partition name", name)});
    }
    if (candidateSeen)
        QavoSystem("killall -SIGTTIN qavo_sub", 1);
    return 1;
}

extern "C" int ombix_networkconfig_init_3G(int, char *)
{
    puts("Does not support 3G function!");
    return 1;
}
