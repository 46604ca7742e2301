// PLACEHOLDER: the WAN bring-up ("initwan": address modes, PPP modes, DNS resolver
// files) is not built yet. The command word is already in the driver's table so that
// the boot sequence's "initwan" reaches this handler; it does nothing but say so.
#include <cstdio>

#include "lib/run_lock.h"
#include "networkconfig/handlers.h"

extern "C" int ombix_networkconfig_init_wan(int platform, char *message)
{
    if (!networkconfig::enterHandler(platform, message))
        return 0;
    qavo::RunLock wanLock(networkconfig::kWanLock, "initwan", networkconfig::kPartLockWaitMs);
    if (wanLock.gaveUp())
        return 0;
    puts("initwan: the WAN bring-up is not built yet");
    return 1;
}
