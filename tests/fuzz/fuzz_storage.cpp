// The storage readers on arbitrary text: a /proc/partitions line, a /proc/mounts line and
// a stored partition list (the "?"-separated mount points), as the USB tool reads them.
#include <cstddef>
#include <cstdint>
#include <string>

#include "lib/storage.h"
#include "usbconfig/partition_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string text(reinterpret_cast<const char *>(data), size);
    qavo::storage::PartitionName name;
    if (qavo::storage::partitionName(text.c_str(), name))
        qavo::storage::isDiskPartition(name);
    qavo::storage::MountPoint point;
    if (qavo::storage::mountPoint(text.c_str(), point)) {
        usbconfig::PartitionList list;
        list.add(point);
        list.add(point);
    }
    usbconfig::PartitionEntries entries(text);
    std::string_view entry;
    while (entries.next(entry))
        usbconfig::isStorageMountPoint(entry);
    return 0;
}
