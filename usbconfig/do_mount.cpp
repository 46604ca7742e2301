// "doMount": mounts what the kernel sees of USB disks and memory cards but nobody has
// mounted yet, then does the "init" work.
#include <cstring>

#include "lib/command.h"
#include "lib/storage.h"
#include "usbconfig/handlers.h"

namespace {

// A numbered USB disk partition, or a memory card device or partition (mmcblk0, mmcblk0p1).
bool isCandidate(const char *name)
{
    return qavo::storage::isDiskPartition(name) || strncmp(name, "mmc", 3) == 0;
}

} // namespace

extern "C" int ombix_usbconfig_init_mount(int platform, char *message)
{
    using namespace qavo::storage;
    bool candidateSeen = false;
    {
        PartitionTable partitions;
        PartitionName name;
        while (partitions.next(name)) {
            if (!isCandidate(name))
                continue;
            candidateSeen = true;
            // A mount list that cannot be read counts as nothing mounted.
            if (partitionMounted(name) != Mounted::Yes)
                qavo::runCommand<qavo::kCommandSize>(1, "automount.sh %s nosig",
                                                     {qavo::quote::text("partition name", name)});
        }
    }
    if (candidateSeen)
        ombix_usbconfig_init(platform, message);
    return 1;
}
