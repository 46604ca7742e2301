// Sizes of a mounted partition for the USB info file.
#ifndef QAVO_USBCONFIG_USB_INFO_H
#define QAVO_USBCONFIG_USB_INFO_H

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <sys/vfs.h>

namespace usbconfig {

struct UsbSizes {
    uint64_t totalKib;
    uint64_t freeKib;
    uint64_t usedKib;
    double usedPercent;
};

// Total, free and used KiB of a file system. Free space is the blocks available to
// ordinary users on ext2/3/4 (the blocks reserved for the super-user count as used) and
// the free blocks on every other file system. An empty file system is 0% used.
UsbSizes sizesOf(const struct statfs &fs);

// One record, "name?total?used?free?share?#", into out. False when the name breaks the
// rule of unreadableName (partition_list.h) or the record does not fit.
bool formatUsbRecord(std::string_view name, const UsbSizes &sizes, char *out, size_t size);

} // namespace usbconfig

#endif
