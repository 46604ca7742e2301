// Factory MAC repair, split so the decision and the commands can be checked on a given dump.
#ifndef QAVO_INIT_FACTORY_MAC_H
#define QAVO_INIT_FACTORY_MAC_H

#include <string_view>

#include "init/eeprom_mac.h"

namespace qavo::factory {

// Reads the unit's EEPROM dump into dump, NUL-terminated (at most kDumpSize - 1 bytes).
using DumpReader = void (*)(char (&dump)[eeprom::kDumpSize]);

// The reader of the boot: runs "iwpriv ra0 e2p >/tmp/e2p" and reads that file ("" when it
// cannot be read).
void readDump(char (&dump)[eeprom::kDumpSize]);

// Everything fixDefaultMac does once the dump is read: the checks, and on a maker's unit
// whose WAN field is not the wireless address plus one, the six EEPROM writes, a new dump
// through readDump to check them, the store update, a pause of pauseSeconds and the
// reboot. When a step fails, the words already written are put back and read back, the
// outcome is printed and there is no reboot (see factory_mac.cpp). A dump that lacks a
// word of the three MAC fields writes nothing. Always 0.
int repairFromDump(std::string_view dump, unsigned pauseSeconds, DumpReader readDump);

} // namespace qavo::factory

#endif
