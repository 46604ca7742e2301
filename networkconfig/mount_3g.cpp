// "doMount" mounts the USB disk partitions that are not mounted yet and tells the
// subscriber; "init3G" reports that there is no 3G WAN.
#include <cstdio>

#include "lib/storage.h"
#include "networkconfig/handlers.h"
#include "qavo/runner.h"

extern "C" int ombix_networkconfig_init_mount(int, char *)
{
    if (qavo::storage::mountUnmounted(qavo::storage::isDiskPartition))
        QavoSystem("killall -SIGTTIN qavo_sub", 1);
    return 1;
}

extern "C" int ombix_networkconfig_init_3G(int, char *)
{
    puts("Does not support 3G function!");
    return 1;
}
