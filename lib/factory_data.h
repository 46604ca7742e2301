// The router's factory data: the "Factory" MTD partition named in /proc/mtd.
#ifndef QAVO_LIB_FACTORY_DATA_H
#define QAVO_LIB_FACTORY_DATA_H

#include <cstddef>

namespace qavo {

constexpr size_t kMacBytes = 6;

// The six bytes of the WAN MAC address at offset 0x2E of the Factory partition, read from
// its device "/dev/mtd/N", or "/dev/mtdN" when that cannot be opened. False, with "Could
// not open mtd device" on standard error, when the partition cannot be found, opened or
// read whole. The paths follow the test root (lib/system.h).
bool readFactoryWanMac(unsigned char (&mac)[kMacBytes]);

} // namespace qavo

#endif
