// Finding the factory-data partition in the kernel's MTD table ("/proc/mtd"), whose lines
// read: mtd2: 00010000 00010000 "Factory".
#ifndef QAVO_NETWORKCONFIG_MTD_TABLE_H
#define QAVO_NETWORKCONFIG_MTD_TABLE_H

#include <cstdio>

namespace networkconfig {

// The partition number of a line that begins "mtd<N>:" (1 to 3 digits) and contains
// "Factory" anywhere; -1 for any other line.
int factoryPartitionOfLine(const char *line);

// The number of the first factory line of the table, -1 when there is none. Lines are
// read 79 characters at a time; the rest of a longer line is skipped.
int findFactoryPartition(FILE *table);

} // namespace networkconfig

#endif
