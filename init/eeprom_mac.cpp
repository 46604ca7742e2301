#include "init/eeprom_mac.h"

#include <cstdio>
#include <cstring>

namespace qavo::eeprom {
namespace {

// The maker's address blocks, kept as the text the unit's labels carry.
constexpr const char *kMakerBlocks[] = {"5A:17:C3", "6E:90:2D"};

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The 16-bit word after the first marker for offset; -1 when absent or not hexadecimal.
long readWord(std::string_view dump, unsigned offset)
{
    char marker[16];
    snprintf(marker, sizeof marker, "[0x%04X]:", offset);
    size_t at = dump.find(marker);
    if (at == std::string_view::npos)
        return -1;
    size_t start = at + strlen(marker);
    if (dump.size() - start < 4)
        return -1;
    long word = 0;
    for (size_t i = start; i < start + 4; ++i) {
        int d = hexDigit(dump[i]);
        if (d < 0)
            return -1;
        word = word * 16 + d;
    }
    return word;
}

} // namespace

bool readField(std::string_view dump, unsigned offset, Mac &mac)
{
    if (dump.size() > kDumpSize - 1)
        dump.remove_suffix(dump.size() - (kDumpSize - 1));
    Mac read{};
    for (unsigned i = 0; i < 3; ++i) {
        long word = readWord(dump, offset + 2 * i);
        if (word < 0)
            return false;
        read[2 * i] = static_cast<uint8_t>(word & 0xff);
        read[2 * i + 1] = static_cast<uint8_t>(word >> 8);
    }
    mac = read;
    return true;
}

Mac plusOne(const Mac &mac)
{
    Mac next = mac;
    for (int i = 5; i >= 3; --i)
        if (++next[i] != 0)
            break;
    return next;
}

bool isMakerBlock(const Mac &mac)
{
    for (const char *block : kMakerBlocks) {
        unsigned b[3];
        if (sscanf(block, "%02x:%02x:%02x", &b[0], &b[1], &b[2]) == 3 && b[0] == mac[0] && b[1] == mac[1] &&
            b[2] == mac[2])
            return true;
    }
    return false;
}

} // namespace qavo::eeprom
