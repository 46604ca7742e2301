// The EEPROM dump reader on arbitrary text: every field read, and the address arithmetic
// on whatever it returns.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "init/eeprom_mac.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string_view dump(reinterpret_cast<const char *>(data), size);
    qavo::eeprom::Mac mac{};
    for (unsigned offset : {qavo::eeprom::kWirelessField, qavo::eeprom::kWanField, 0x0028u, 0xfffeu}) {
        if (qavo::eeprom::readField(dump, offset, mac)) {
            qavo::eeprom::isMakerBlock(mac);
            qavo::eeprom::plusOne(mac);
        }
    }
    return 0;
}
