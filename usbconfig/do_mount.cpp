// "doMount": mounts what the kernel sees of USB disks and memory cards but nobody has
// mounted yet, then does the "init" work.
#include <cstring>

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
    if (qavo::storage::mountUnmounted(isCandidate))
        ombix_usbconfig_init(platform, message);
    return 1;
}
