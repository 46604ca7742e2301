// USB storage as both configuration tools see it: the kernel's partition table
// ("/proc/partitions") and the mount points under /media ("/proc/mounts", read through
// "cat /proc/mounts | grep media"). The line parsers take any text, so they are fuzzed.
#ifndef QAVO_LIB_STORAGE_H
#define QAVO_LIB_STORAGE_H

#include <cstddef>
#include <cstdio>

#include "lib/system.h"

namespace qavo::storage {

// Longest partition name taken from /proc/partitions; longer names are skipped.
constexpr size_t kPartitionNameMax = 14;
using PartitionName = char[kPartitionNameMax + 1];

// Longest mount point read from the mount list, after its escapes are decoded.
constexpr size_t kMountPointMax = 1023;
using MountPoint = char[kMountPointMax + 1];

// The fourth column of a /proc/partitions line (the header's gives "name"). False for a
// line without one, and with a message naming it for a name too long to hold.
bool partitionName(const char *line, PartitionName &name);

// A numbered partition of a SCSI/USB disk: "sd", a disk letter, then a digit 1 to 9
// (sda1, sdb10; not the whole disk sda).
bool isDiskPartition(const char *name);

// The second field (the mount point) of a /proc/mounts line, with the kernel's octal
// escapes for a blank, a tab, a line break and a backslash ("\040") turned back into the
// bytes. False for a line without a complete second field, a mount point that holds a
// NUL, and (with a message) one longer than kMountPointMax.
bool mountPoint(const char *line, MountPoint &out);

// Reads the partition table line by line; lines too long for the reader are skipped whole.
class PartitionTable {
public:
    PartitionTable(); // opens "/proc/partitions"; a perror-style message when it cannot
    ~PartitionTable();
    PartitionTable(const PartitionTable &) = delete;
    PartitionTable &operator=(const PartitionTable &) = delete;

    bool opened() const { return file_ != nullptr; }
    // The next line's partition name; false at the end of the table.
    bool next(PartitionName &name);

private:
    FILE *file_;
};

// The mount points of "/proc/mounts" lines that mention "media", in the kernel's order.
class MediaMounts {
public:
    MediaMounts(); // starts "cat /proc/mounts | grep media"; a message when it cannot

    bool opened() const { return static_cast<bool>(output_); }
    // The next mount point; false at the end of the list.
    bool next(MountPoint &out);

private:
    sys::CommandOutput output_;
};

// Both tools' "doMount" loop: runs "automount.sh <name> nosig" for each partition of the
// table that isCandidate accepts and that is not mounted. A partition counts as mounted
// when its name occurs anywhere inside a mount point under /media (so sda1 counts as
// mounted at /media/sda10). When the mount list cannot be read the partition is left
// alone: mounting it again could stack a second mount on the first. True when a
// candidate was seen.
bool mountUnmounted(bool (*isCandidate)(const char *name));

} // namespace qavo::storage

#endif
