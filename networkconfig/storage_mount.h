// Which disk partitions "doMount" mounts.
#ifndef QAVO_NETWORKCONFIG_STORAGE_MOUNT_H
#define QAVO_NETWORKCONFIG_STORAGE_MOUNT_H

namespace networkconfig {

// Longest partition name taken from /proc/partitions; longer names are skipped.
constexpr int kPartitionNameMax = 14;

// A numbered partition of a SCSI/USB disk: "sd", a disk letter, then a digit 1 to 9.
bool isCandidatePartition(const char *name);

// Takes the fourth column of a /proc/partitions line into name (kPartitionNameMax + 1
// bytes). False for a line without one, and with a message for a name too long to hold.
bool partitionName(const char *line, char *name);

} // namespace networkconfig

#endif
