#include "lib/validate.h"

namespace qavo::validate {
namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}
bool isHex(char c)
{
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
unsigned hexValue(char c)
{
    return isDigit(c) ? unsigned(c - '0') : unsigned((c | 0x20) - 'a' + 10);
}
bool isAlnum(char c)
{
    return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Reads a decimal number of at most maxDigits digits from the front of text.
bool takeNumber(std::string_view &text, unsigned maxDigits, uint32_t &value)
{
    unsigned digits = 0;
    value = 0;
    while (digits < text.size() && isDigit(text[digits])) {
        if (++digits > maxDigits)
            return false;
        value = value * 10 + static_cast<uint32_t>(text[digits - 1] - '0');
    }
    if (digits == 0 || (digits > 1 && text[0] == '0'))
        return false;
    text.remove_prefix(digits);
    return true;
}

// The whole text is a decimal number from low to high, without leading zeros.
bool isDecimalBetween(std::string_view text, uint32_t low, uint32_t high)
{
    uint32_t value;
    return takeNumber(text, 5, value) && text.empty() && value >= low && value <= high;
}

// Reads one part of an address as inet_aton reads it: decimal, octal after a leading 0,
// hexadecimal after 0x. False for no digits, a digit outside the base, or more than 32 bits.
bool takeInetPart(std::string_view &text, uint64_t &value)
{
    unsigned base = 10;
    size_t at = 0;
    if (!text.empty() && text[0] == '0') {
        base = 8;
        at = 1;
        if (text.size() > 1 && (text[1] == 'x' || text[1] == 'X')) {
            base = 16;
            at = 2;
        }
    }
    size_t first = at;
    value = 0;
    for (; at < text.size() && isHex(text[at]); ++at) {
        unsigned digit = hexValue(text[at]);
        if (digit >= base)
            return false;
        value = value * base + digit;
        if (value > 0xffffffffu)
            return false;
    }
    if (at == first && base != 8) // "0" alone is octal zero; "0x" and "" hold no digits
        return false;
    text.remove_prefix(at);
    return true;
}

} // namespace

bool isInetAddr(std::string_view text)
{
    uint64_t parts[4];
    int count = 0;
    for (;;) {
        if (count == 4 || !takeInetPart(text, parts[count]))
            return false;
        ++count;
        if (text.empty())
            break;
        if (text[0] != '.')
            return false;
        text.remove_prefix(1);
    }
    // Every part but the last is one byte; the last fills the bytes that are left.
    for (int i = 0; i + 1 < count; ++i)
        if (parts[i] > 255)
            return false;
    return parts[count - 1] <= (0xffffffffu >> (8 * (count - 1)));
}

bool isEtherAddr(std::string_view text)
{
    for (int group = 0; group < 6; ++group) {
        if (group > 0) {
            if (text.empty() || text[0] != ':')
                return false;
            text.remove_prefix(1);
        }
        size_t digits = 0;
        while (digits < text.size() && digits < 2 && isHex(text[digits]))
            ++digits;
        if (digits == 0)
            return false;
        text.remove_prefix(digits);
    }
    return text.empty();
}

bool isIpv4(std::string_view text, uint32_t *hostOrder)
{
    uint32_t address = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (text.empty() || text[0] != '.')
                return false;
            text.remove_prefix(1);
        }
        uint32_t value;
        if (!takeNumber(text, 3, value) || value > 255)
            return false;
        address = (address << 8) | value;
    }
    if (!text.empty())
        return false;
    if (hostOrder)
        *hostOrder = address;
    return true;
}

bool isNetmask(std::string_view text)
{
    uint32_t mask;
    if (!isIpv4(text, &mask))
        return false;
    uint32_t inverted = ~mask;
    return (inverted & (inverted + 1)) == 0;
}

bool isMac(std::string_view text)
{
    if (text.size() != 17)
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        bool separator = i % 3 == 2;
        if (separator ? text[i] != ':' : !isHex(text[i]))
            return false;
    }
    return true;
}

bool isUnicastMac(std::string_view text)
{
    if (!isMac(text))
        return false;
    bool multicast = (hexValue(text[1]) & 1) != 0; // the lowest bit of the first byte
    bool zero = text.find_first_not_of("0:") == std::string_view::npos;
    return !multicast && !zero;
}

bool isMtu(std::string_view text)
{
    return isDecimalBetween(text, 1, 65535);
}

bool isPppMtu(std::string_view text)
{
    return isDecimalBetween(text, 128, 16384);
}

bool isIfName(std::string_view text)
{
    if (text.empty() || text.size() > 15 || text[0] == '-')
        return false;
    for (char c : text)
        if (!isAlnum(c) && c != '.' && c != '_' && c != ':' && c != '-')
            return false;
    return true;
}

bool isHostName(std::string_view text)
{
    if (text.empty() || text.size() > 64 || !isAlnum(text[0]))
        return false;
    for (char c : text)
        if (!isAlnum(c) && c != '-' && c != '_' && c != '.')
            return false;
    return true;
}

bool isDecimal(std::string_view text)
{
    if (text.empty() || text.size() > 10)
        return false;
    for (char c : text)
        if (!isDigit(c))
            return false;
    return true;
}

bool isOneLine(std::string_view text)
{
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f)
            return false;
    }
    return true;
}

size_t textFault(std::string_view text)
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(text.data());
    size_t at = 0;
    while (at < text.size()) {
        unsigned char lead = bytes[at];
        // Continuation bytes that follow the lead byte; 4 for a byte that cannot lead.
        size_t extra = lead < 0x80             ? 0
                       : (lead & 0xE0) == 0xC0 ? 1
                       : (lead & 0xF0) == 0xE0 ? 2
                       : (lead & 0xF8) == 0xF0 ? 3
                                               : 4;
        if (extra == 4 || extra > text.size() - at - 1)
            return at + 1;
        uint32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
        for (size_t i = 1; i <= extra; ++i) {
            if ((bytes[at + i] & 0xC0) != 0x80)
                return at + 1;
            code = code << 6 | (bytes[at + i] & 0x3F);
        }
        static constexpr uint32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
        bool overlong = code < kSmallest[extra];
        bool surrogate = code >= 0xD800 && code <= 0xDFFF;
        bool control = code < 0x20 || (code >= 0x7F && code <= 0x9F);
        bool nonCharacter = (code >= 0xFDD0 && code <= 0xFDEF) || (code & 0xFFFE) == 0xFFFE;
        if (overlong || surrogate || control || nonCharacter || code > 0x10FFFF)
            return at + 1;
        at += extra + 1;
    }
    return 0;
}

} // namespace qavo::validate
