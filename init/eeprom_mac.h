// The factory MAC fields of the wireless chip's EEPROM, as the driver's "e2p" dump shows them.
#ifndef QAVO_INIT_EEPROM_MAC_H
#define QAVO_INIT_EEPROM_MAC_H

#include <array>
#include <cstdint>
#include <string_view>

namespace qavo::eeprom {

using Mac = std::array<uint8_t, 6>;

// Offsets of the first of a field's three words.
constexpr unsigned kWirelessField = 0x0004;
constexpr unsigned kCopyField = 0x0028; // a copy of the wireless MAC
constexpr unsigned kWanField = 0x002E;

// The dump is read into a buffer of this size; only its first kDumpSize - 1 bytes count.
constexpr size_t kDumpSize = 4096;

// Reads the MAC whose three words start at offset: each word follows the first marker
// "[0xOOOO]:" (offset in four upper-case hexadecimal digits) as four hexadecimal digits,
// high byte first; the earlier address byte is the word's low half. False, with mac
// untouched, when a marker is missing or its four characters are not all hexadecimal.
bool readField(std::string_view dump, unsigned offset, Mac &mac);

// The address plus one: the last three bytes count as one 24-bit number, the carry out
// of it is dropped, the maker's block (first three bytes) never changes.
Mac plusOne(const Mac &mac);

// True when the first three bytes are one of the maker's two address blocks.
bool isMakerBlock(const Mac &mac);

} // namespace qavo::eeprom

#endif
