// Factory MAC repair: on the maker's units the WAN address in the EEPROM must be the
// wireless address plus one. An inconsistent unit gets both written fields rewritten, the
// store told the new WAN address, and a reboot so the driver loads the repaired EEPROM.
//
// The reboot happens only when every write command and the store update reported
// success. A driver that refuses the writes leaves the EEPROM as it was, so a reboot
// would find the same fault, repair again and reboot again without end; the unit would
// never come up. Instead the failure is printed, nothing further is written, and the boot
// goes on with the addresses the unit has; the next boot tries again.
#include "init/factory_mac.h"

#include <algorithm>
#include <cstdio>

#include "init/boot.h"
#include "init/eeprom_mac.h"
#include "init/factory_steps.h"
#include "lib/command.h"
#include "lib/holders.h"
#include "lib/system.h"
#include "qavo/files.h"
#include "qavo/runner.h"

namespace qavo::factory {
namespace {

using eeprom::Mac;

void removeDump()
{
    QavoSystem("rm -f /tmp/e2p", 0);
}

int dumpUnreadable()
{
    puts("[Debug] get data from /tmp/e2p error!");
    removeDump();
    return 0;
}

// "hhll" for the word holding bytes low and high, as the driver's write command takes it.
struct WordText {
    char text[5];
};

WordText word(uint8_t low, uint8_t high)
{
    WordText w;
    snprintf(w.text, sizeof w.text, "%02x%02x", high, low);
    return w;
}

// Runs one repair command; false (and the reason on stdout) when it did not succeed.
template <size_t N>
bool step(const char (&format)[N], const char *what, const char *value)
{
    int status = runCommand<qavo::kSmallCommandSize>(0, format, {quote::text(what, value)});
    if (status == 0)
        return true;
    printf("[Debug]Fix Mac failed: %s %s (status %d); no reboot\n", what, value, status);
    return false;
}

bool writeEeprom(const Mac &copy, const Mac &wan)
{
    return step("iwpriv ra0 e2p 28=%s", "EEPROM word 0x0028", word(copy[0], copy[1]).text) &&
           step("iwpriv ra0 e2p 2a=%s", "EEPROM word 0x002A", word(copy[2], copy[3]).text) &&
           step("iwpriv ra0 e2p 2c=%s", "EEPROM word 0x002C", word(copy[4], copy[5]).text) &&
           step("iwpriv ra0 e2p 2e=%s", "EEPROM word 0x002E", word(wan[0], wan[1]).text) &&
           step("iwpriv ra0 e2p 30=%s", "EEPROM word 0x0030", word(wan[2], wan[3]).text) &&
           step("iwpriv ra0 e2p 32=%s", "EEPROM word 0x0032", word(wan[4], wan[5]).text);
}

bool storeWanMac(const Mac &wan)
{
    char text[QAVO_MAC_TEXT_SIZE];
    snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", wan[0], wan[1], wan[2], wan[3], wan[4], wan[5]);
    int status =
        runCommand<qavo::kSmallCommandSize>(0, "nvram_set 2860 WAN_MAC_ADDR %s", {quote::mac("WAN_MAC_ADDR", text)});
    if (status == 0)
        return true;
    printf("[Debug]Fix Mac failed: WAN_MAC_ADDR %s not stored (status %d); no reboot\n", text, status);
    return false;
}

} // namespace

int repairFromDump(std::string_view dump, unsigned pauseSeconds)
{
    // The dump is text: it ends at its first NUL, and only its first 4095 bytes count.
    size_t length = std::min(dump.find('\0'), eeprom::kDumpSize - 1);
    if (dump.size() > length)
        dump.remove_suffix(dump.size() - length);
    Mac wireless;
    if (dump.size() <= 3 || !eeprom::readField(dump, eeprom::kWirelessField, wireless))
        return dumpUnreadable();
    if (!eeprom::isMakerBlock(wireless)) {
        puts("[Debug]Not dorvelin oui! Don't Need Fix Mac!");
        removeDump();
        return 0;
    }
    Mac wan;
    if (!eeprom::readField(dump, eeprom::kWanField, wan))
        return dumpUnreadable();
    Mac expected = eeprom::plusOne(wireless);
    if (wan == expected) {
        puts("[Debug]Don't Need Fix Mac!");
        removeDump();
        return 0;
    }
    // The dump stays in /tmp on this path: it shows what the unit held before the repair.
    if (!writeEeprom(wireless, expected) || !storeWanMac(expected))
        return 0;
    Sleep(pauseSeconds);
    QavoSystem("reboot -f", 0);
    return 0;
}

} // namespace qavo::factory

int fixDefaultMac()
{
    QavoSystem("iwpriv ra0 e2p >/tmp/e2p", 0);
    char dump[qavo::eeprom::kDumpSize] = {};
    if (qavo::File file{qavo::sys::openFile("/tmp/e2p", "re")})
        readAllStrSized(dump, sizeof dump, file.get()); // a longer dump keeps its first 4095 bytes
    return qavo::factory::repairFromDump(dump, 5);
}
