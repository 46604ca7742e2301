/*
 * Address lookups in the kernel's neighbour and routing tables, the resolver files and
 * the factory flash partition, and checks of address texts. Every call opens, reads and
 * closes its source; no state is kept.
 */
#ifndef QAVO_LOOKUPS_H
#define QAVO_LOOKUPS_H

#include <stddef.h>

#include "qavo/api.h"

QAVO_BEGIN_DECLS

/*
 * Hardware address listed for ip in /proc/net/arp (exact, case-sensitive match) into out
 * (QAVO_MAC_TEXT_SIZE bytes), or "00:00:00:00:00:00" when it is not listed. Without /proc/net/arp:
 * "no proc fs mounted!" on stdout and out untouched.
 */
QAVO_API void arplookup(const char *ip, char *out);

/* Same as arplookup. */
QAVO_API void getStationMAC(const char *ip, char *out);

/*
 * IP address listed for mac (lower-case, as the kernel prints it) into out (QAVO_IPV4_TEXT_SIZE
 * bytes), or "0.0.0.0" when it is not listed. Same report as arplookup without the table.
 */
QAVO_API void arplookup_ip(const char *mac, char *out);

/*
 * Gateway of the first up default route in /proc/net/route as a dotted quad into out
 * (QAVO_IPV4_TEXT_SIZE bytes); "" when the route has no gateway or there is none. Returns 1; 0 with ""
 * when the table cannot be read, 0 with no defined output when a line does not parse.
 */
QAVO_API int getWanGateway(char *out);

/*
 * Second word of the n-th (from 1) "nameserver" line of /etc/resolv.conf1, or of
 * /etc/resolv.dnsmasq.conf when the first does not exist, into out (outSize bytes).
 * Returns 0; -1 with out set to "" when there are fewer servers or the server does not
 * fit; -1 with out untouched when neither file opens ("open /etc/resolv.dnsmasq.conf
 * failed" and the error text on stderr).
 */
QAVO_API int getDnsSized(int n, char *out, size_t outSize);

/* getDnsSized with a 16-byte output (an IPv4 address). */
QAVO_API void getDns(int n, char *out);

/*
 * Factory WAN MAC address (6 bytes at offset 0x2E of the "Factory" flash partition) as
 * "%02x:%02x:%02x:%02x:%02x:%02x" into out (18 bytes). When the partition cannot be found
 * or read: "Could not open mtd device" on stderr and out set to "".
 */
QAVO_API void getWanDefMac(char *out);

/*
 * 1 when text is an IPv4 address. A dotted quad "a.b.c.d" of decimal numbers 0-255 is
 * valid at any length. Texts of 8 characters or more are also valid in the C library's
 * shorthand and numeric forms ("10.1.258", "0x0A000001"), but only when made of digits,
 * hex letters, "x" and "."; other texts of that length print "isIpValid(): <text> is not
 * a valid IP address." on stdout. Shorter texts that are not dotted quads are 0 silently.
 */
QAVO_API int isIpValid(const char *text);

/* 1 when text is six two-digit hex groups (either case) separated by ":", else 0. */
QAVO_API int isMacValid(const char *text);

QAVO_END_DECLS

#endif
