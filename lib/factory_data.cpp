#include "lib/factory_data.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include "lib/holders.h"
#include "lib/proc_tables.h"
#include "lib/system.h"

namespace qavo {
namespace {

constexpr off_t kFactoryWanMacOffset = 0x2E;

// Descriptor of the Factory partition's device; -1 when it cannot be found or opened.
int openFactoryPartition()
{
    File table(sys::openFile("/proc/mtd", "re"));
    if (!table)
        return -1;
    int number = proc::factoryPartition(table.get());
    if (number < 0)
        return -1;
    char path[32];
    snprintf(path, sizeof path, "/dev/mtd/%d", number);
    int fd = sys::openDescriptor(path, O_RDONLY | O_CLOEXEC);
    if (fd >= 0)
        return fd;
    snprintf(path, sizeof path, "/dev/mtd%d", number);
    return sys::openDescriptor(path, O_RDONLY | O_CLOEXEC);
}

} // namespace

bool readFactoryWanMac(unsigned char (&mac)[kMacBytes])
{
    Descriptor device(openFactoryPartition());
    if (device && pread(device.get(), mac, kMacBytes, kFactoryWanMacOffset) == static_cast<ssize_t>(kMacBytes))
        return true;
    fputs("Could not open mtd device\n", stderr);
    return false;
}

} // namespace qavo
