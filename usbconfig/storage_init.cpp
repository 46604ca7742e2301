// "init": what the storage mounted under /media means for the router's state files, the
// USB LED and the services.
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

#include "lib/command.h"
#include "lib/settings.h"
#include "lib/storage.h"
#include "lib/system.h"
#include "nvram.h"
#include "qavo/files.h"
#include "usbconfig/handlers.h"
#include "usbconfig/partition_list.h"

namespace usbconfig {
namespace {

constexpr size_t kScriptPathSize = sizeof(qavo::storage::MountPoint) + 16;
constexpr size_t kScriptCommandSize = 2 * kScriptPathSize;

// "<mount point>/init.sh" when a memory card holds that file; "" otherwise.
void findCardScript(const char *mountPoint, char (&script)[kScriptPathSize])
{
    char path[kScriptPathSize];
    char rooted[kScriptPathSize + 256];
    struct stat info;
    snprintf(path, sizeof path, "%s/%s", mountPoint, "init.sh");
    if (qavo::sys::rootedPath(path, rooted, sizeof rooted) && stat(rooted, &info) == 0 && S_ISREG(info.st_mode))
        memcpy(script, path, sizeof path);
}

} // namespace
} // namespace usbconfig

extern "C" int ombix_usbconfig_init(int, char *)
{
    using namespace usbconfig;
    puts("\n#####[Debug] Hotplug device init #####");
    PartitionList list;
    bool storageFound = false;
    char cardScript[kScriptPathSize] = "";
    {
        // A mount list that cannot be read is no storage.
        qavo::storage::MediaMounts mounts;
        qavo::storage::MountPoint mountPoint;
        while (mounts.next(mountPoint)) {
            if (!isStorageMountPoint(mountPoint))
                continue;
            fprintf(stderr, "get the first partition: %s\n", mountPoint);
            list.add(mountPoint);
            QavoSystem("echo 1 > /tmp/UsbFlag", 1);
            storageFound = true;
            // Only a memory card's start-up script runs; a later card's replaces it.
            if (isMemoryCardMountPoint(mountPoint))
                findCardScript(mountPoint, cardScript);
        }
        nvram_bufset(qavo::kRouterSection, "UsbFisrtPart", list.text());
    }
    if (!storageFound)
        QavoSystem("echo 0 > /tmp/UsbFlag", 1);
    setUsbLed(storageFound);
    if (cardScript[0] != '\0')
        qavo::runCommand<kScriptCommandSize>(1, "%s", {qavo::quote::text("memory card script", cardScript)});
    int flag = getValFromTmp("UsbFlag");
    if (flag != 0) {
        putusbInfo();
        QavoSystem("usbmemdrop.sh &", 1);
    } else {
        QavoSystem("killall usbmemdrop.sh", 1);
    }
    QavoSystem("storage.sh admin", 1);
    QavoSystem("storage.sh ftp", 1);
    restartPrinterServer(flag != 0);
    return 1;
}
