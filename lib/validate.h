// Strict checks for typed setting values. Each check must consume the whole text:
// the C library's parsers (inet_aton, ether_aton, strtol) accept trailing junk and
// shorthand forms that would reach a command line as something else.
#ifndef QAVO_LIB_VALIDATE_H
#define QAVO_LIB_VALIDATE_H

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qavo::validate {

// Dotted quad of four decimal numbers 0-255, no leading zeros (inet_aton reads "010" as 8).
bool isIpv4(std::string_view text, uint32_t *hostOrder = nullptr);
// An IPv4 address in any form inet_aton reads, the whole text: one to four parts separated
// by '.', each decimal, octal (leading 0) or hexadecimal (0x), e.g. "192.168.010.1". For
// files whose reader takes addresses that way; nothing else may follow the address.
bool isInetAddr(std::string_view text);
// An IPv4 address whose ones are contiguous from the top (0.0.0.0 to 255.255.255.255).
bool isNetmask(std::string_view text);
// Six pairs of hex digits separated by ':'.
bool isMac(std::string_view text);
// A MAC address the kernel gives an interface: not multicast (broadcast included), not all zero.
bool isUnicastMac(std::string_view text);
// A MAC address as ether_aton reads it: six groups of one or two hex digits separated by ':'.
bool isEtherAddr(std::string_view text);
// Decimal 1 to 65535.
bool isMtu(std::string_view text);
// Decimal 128 to 16384: the MTUs pppd takes (it refuses its whole options file for another).
bool isPppMtu(std::string_view text);
// Kernel interface name: 1 to 15 characters of [A-Za-z0-9._:-], not beginning with '-'.
bool isIfName(std::string_view text);
// Host name: 1 to 64 characters of letters, digits, '-', '_' and '.', beginning with a letter or digit.
bool isHostName(std::string_view text);
// Unsigned decimal number of 1 to 10 digits.
bool isDecimal(std::string_view text);
// No control character (below 0x20, or 0x7f): the value stays on one line.
bool isOneLine(std::string_view text);
// 0 when text is readable text everywhere it is shown: well-formed UTF-8 (no overlong
// forms, no surrogates) without control characters (U+0000-U+001F, U+007F-U+009F) or
// non-characters. Otherwise the 1-based position of the first byte at fault.
size_t textFault(std::string_view text);

} // namespace qavo::validate

#endif
