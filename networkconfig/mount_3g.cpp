// "doMount" mounts the USB disk partitions that are not mounted yet and tells the
// subscriber; "init3G" reports that there is no 3G WAN.
#include <cstdio>

#include "lib/command.h"
#include "lib/storage.h"
#include "networkconfig/handlers.h"

namespace {} // namespace

extern "C" int ombix_networkconfig_init_mount(int, char *)
{
    using namespace qavo::storage;
    PartitionTable partitions;
    bool candidateSeen = false;
    PartitionName name;
    while (partitions.next(name)) {
        if (!isDiskPartition(name))
            continue;
        candidateSeen = true;
        // A mount list that cannot be read leaves the partition alone: mounting it again
        // could stack a second mount on the first.
        if (partitionMounted(name) == Mounted::No)
            qavo::runCommand<qavo::kCommandSize>(1, "automount.sh %s nosig",
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
