#include "lib/validate.h"

namespace qavo::validate {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isHex(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool isAlnum(char c) { return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

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

} // namespace

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

bool isMtu(std::string_view text)
{
    uint32_t value;
    return takeNumber(text, 5, value) && text.empty() && value >= 1 && value <= 65535;
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

} // namespace qavo::validate
