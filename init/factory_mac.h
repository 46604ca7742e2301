// Factory MAC repair, split so the decision and the commands can be checked on a given dump.
#ifndef QAVO_INIT_FACTORY_MAC_H
#define QAVO_INIT_FACTORY_MAC_H

#include <string_view>

namespace qavo::factory {

// Everything fixDefaultMac does once the dump is read: the checks, and on a maker's unit
// whose WAN field is not the wireless address plus one, the six EEPROM writes, the store
// update, a pause of pauseSeconds and the reboot. A write or store update that fails
// stops the repair there and the reboot is skipped (see factory_mac.cpp). Always 0.
int repairFromDump(std::string_view dump, unsigned pauseSeconds);

} // namespace qavo::factory

#endif
