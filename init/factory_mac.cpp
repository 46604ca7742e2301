// Factory MAC repair: on the maker's units the WAN address in the EEPROM must be the
// wireless address plus one. An inconsistent unit gets both written fields rewritten, the
// store told the new WAN address, and a reboot so the driver loads the repaired EEPROM.
//
// The repair is whole or not at all. The six words are written in order, read back, and
// the store updated; the reboot happens only when all of that succeeded. Otherwise the
// words already tried are put back to what the dump showed, so the unit is left as it was
// (not with a WAN field that mixes the old and the new address), the failure is printed,
// and the boot goes on without a reboot: a driver that refuses the writes would otherwise
// make every boot repair and reboot again, and the unit would never come up. The next boot
// tries again.
#include "init/factory_mac.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sys/wait.h>

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

// The two fields a repair writes: the copy of the wireless address and the WAN address.
struct Fields {
    Mac copy;
    Mac wan;
};

constexpr size_t kWords = 6;

// What a command's raw wait status means, for the messages.
struct StatusText {
    char text[32];
};

StatusText describe(int status)
{
    StatusText t;
    if (status == -1)
        snprintf(t.text, sizeof t.text, "not run");
    else if (WIFSIGNALED(status))
        snprintf(t.text, sizeof t.text, "killed by signal %d", WTERMSIG(status));
    else
        snprintf(t.text, sizeof t.text, "exit status %d", WEXITSTATUS(status));
    return t;
}

// Writes word index (0 to 5, in the repair's order: 0x0028, 0x002A, 0x002C, 0x002E,
// 0x0030, 0x0032) of fields with "iwpriv ra0 e2p <offset>=<hhll>". False, with the reason
// on stdout, when the command did not succeed.
bool writeWord(const Fields &fields, size_t index)
{
    const Mac &mac = index < 3 ? fields.copy : fields.wan;
    size_t at = 2 * (index % 3);
    unsigned offset = (index < 3 ? eeprom::kCopyField : eeprom::kWanField) + static_cast<unsigned>(at);
    char where[8];
    char word[8];
    snprintf(where, sizeof where, "%x", offset);
    snprintf(word, sizeof word, "%02x%02x", mac[at + 1], mac[at]);
    int status = runCommand<qavo::kSmallCommandSize>(
        0, "iwpriv ra0 e2p %s=%s", {quote::text("EEPROM offset", where), quote::text("EEPROM word", word)});
    if (status == 0)
        return true;
    printf("[Debug]Fix Mac failed: EEPROM word 0x%04X %s (%s)\n", offset, word, describe(status).text);
    return false;
}

// Reads the EEPROM again: true when both fields hold what fields says.
bool eepromHolds(DumpReader readDump, const Fields &fields)
{
    char dump[eeprom::kDumpSize] = {};
    readDump(dump);
    Fields read;
    return eeprom::readField(dump, eeprom::kCopyField, read.copy) &&
           eeprom::readField(dump, eeprom::kWanField, read.wan) && read.copy == fields.copy && read.wan == fields.wan;
}

bool storeWanMac(const Mac &wan)
{
    char text[QAVO_MAC_TEXT_SIZE];
    snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", wan[0], wan[1], wan[2], wan[3], wan[4], wan[5]);
    int status =
        runCommand<qavo::kSmallCommandSize>(0, "nvram_set 2860 WAN_MAC_ADDR %s", {quote::mac("WAN_MAC_ADDR", text)});
    if (status == 0)
        return true;
    printf("[Debug]Fix Mac failed: WAN_MAC_ADDR %s not stored (%s)\n", text, describe(status).text);
    return false;
}

// Writes the repaired fields, checks them and updates the store; false at the first step
// that fails. tried counts the words whose write was started.
bool repair(const Fields &repaired, DumpReader readDump, size_t &tried)
{
    for (tried = 0; tried < kWords;) {
        if (!writeWord(repaired, tried++))
            return false;
    }
    if (!eepromHolds(readDump, repaired)) {
        puts("[Debug]Fix Mac failed: the EEPROM does not hold the words written");
        return false;
    }
    return storeWanMac(repaired.wan);
}

// Puts the first tried words back as they were, and says whether the unit is as it was.
void putBack(const Fields &old, size_t tried, DumpReader readDump)
{
    for (size_t index = 0; index < tried; ++index)
        writeWord(old, index); // a failure is printed; the read-back decides
    if (eepromHolds(readDump, old))
        puts("[Debug]Fix Mac: old EEPROM words written back; no reboot");
    else
        puts("[Debug]Fix Mac: old EEPROM words could not all be written back; no reboot");
}

} // namespace

int repairFromDump(std::string_view dump, unsigned pauseSeconds, DumpReader readDump)
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
    Fields old;
    if (!eeprom::readField(dump, eeprom::kWanField, old.wan))
        return dumpUnreadable();
    Mac expected = eeprom::plusOne(wireless);
    if (old.wan == expected) {
        puts("[Debug]Don't Need Fix Mac!");
        removeDump();
        return 0;
    }
    // The words a repair may have to put back must be known before it starts.
    if (!eeprom::readField(dump, eeprom::kCopyField, old.copy))
        return dumpUnreadable();
    // The dump stays in /tmp on this path: it shows what the unit held after the writes.
    size_t tried = 0;
    if (!repair(Fields{wireless, expected}, readDump, tried)) {
        putBack(old, tried, readDump);
        return 0;
    }
    Sleep(pauseSeconds);
    QavoSystem("reboot -f", 0);
    return 0;
}

void readDump(char (&dump)[eeprom::kDumpSize])
{
    QavoSystem("iwpriv ra0 e2p >/tmp/e2p", 0);
    memset(dump, 0, sizeof dump);
    if (File file{sys::openFile("/tmp/e2p", "re")})
        readAllStrSized(dump, sizeof dump, file.get()); // a longer dump keeps its first 4095 bytes
}

} // namespace qavo::factory

int fixDefaultMac()
{
    char dump[qavo::eeprom::kDumpSize];
    qavo::factory::readDump(dump);
    return qavo::factory::repairFromDump(dump, 5, qavo::factory::readDump);
}
