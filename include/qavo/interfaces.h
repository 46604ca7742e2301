/*
 * Interface roles and kernel interface queries.
 *
 * The LAN is always the bridge "br0"; the WAN interface follows the setting
 * "OperationMode", and the interface that carries the WAN address follows the connection
 * type as well. Other programs ask these routines instead of naming interfaces.
 * Single-threaded use.
 */
#ifndef QAVO_INTERFACES_H
#define QAVO_INTERFACES_H

#include "qavo/api.h"

QAVO_BEGIN_DECLS

/* Longest interface name the kernel takes (its 16-byte name field less the NUL). */
#define QAVO_IFNAME_MAX 15

/* Role names: constant strings, never to be freed or changed. */

/* The LAN interface: "br0" in every mode. */
QAVO_API const char *getLanIfName(void);

/*
 * The WAN interface: "OperationMode" "0" "br0", "1" "eth2.2", "2" "ra0", "3" "apclii0"
 * when "wispInterface" reads as 1, else "apcli0". Any other or a missing mode returns
 * the previous answer of this process ("br0" before the first).
 */
QAVO_API const char *getWanIfName(void);

/*
 * The interface that carries the WAN address: in modes "1" and "3" with
 * "wanConnectionMode" "PPPOE", "L2TP", "PPTP" or "3G" it is "ppp0" ("usb0" for "3G" with
 * "wan3gmodel" "ME3760"); otherwise getWanIfName().
 */
QAVO_API const char *getWanIfNamePPP(void);

/* Display label of ifname for the current mode: "LAN", "WAN", "Unknown" (no mode set), or ifname itself. */
QAVO_API const char *getLanWanNamebyIf(const char *ifname);

/*
 * Kernel queries. Names longer than QAVO_IFNAME_MAX are refused (-1), never cut to
 * another interface's name. Output buffers: 16 bytes for an address, 18 for a MAC text,
 * 7 for the short MAC text. On failure the output is left as it was unless said otherwise.
 */

/* IPv4 address of ifname as a dotted quad. 0, or -1 (socket or request failed). */
QAVO_API int getIfIp(const char *ifname, char *out);

/*
 * Netmask of ifname as a dotted quad from the kernel. 0, or -1 with "getIfNetmask: open
 * socket error" or "getIfNetmask: ioctl SIOCGIFNETMASK error" and the error text on stderr.
 */
QAVO_API int getIfNetmask1(const char *ifname, char *out);

/*
 * Netmask of ifname as printed by "ifconfig" (the text after the third ':' of its
 * "inet addr" line). 0; -1 with out set to "" when nothing (or more than fits 16 bytes)
 * is printed; -1 with out untouched when the name is refused or the pipeline cannot be
 * started ("getIfNetmask: popen failed" and the error text on stderr).
 */
QAVO_API int getIfNetmask(const char *ifname, char *out);

/* Hardware address of ifname as "%02X:%02X:%02X:%02X:%02X:%02X". 0 or -1. */
QAVO_API int getIfMac(const char *ifname, char *out);

/*
 * Last three hardware-address bytes of ifname as "%02X%02X%02X". 0 or -1 ("getIfMac: open
 * socket error" on stdout when no socket can be opened).
 */
QAVO_API int getAP6Mac(const char *ifname, char *out);

/* 1 when ifname is up, 0 when down, -1 on failure ("socket" / "ioctl" with the error text on stderr). */
QAVO_API int getIfIsUp(const char *ifname);

/*
 * 0 when ifname is listed in /proc/net/dev (the whole name is compared), 1 when not
 * ("getIfLive: device  not found" on stderr), -1 when the file cannot be opened.
 */
QAVO_API int getIfLive(const char *ifname);

/*
 * Role wrappers: the query on the role's interface; out is cleared to "" when the query
 * fails. They return the query's result. Address and netmask of the WAN come from
 * getWanIfNamePPP(), its hardware address from getWanIfName().
 */
QAVO_API int getLanIp(char *out);      /* getIfIp(getLanIfName()) */
QAVO_API int getLanMac(char *out);     /* getIfMac(getLanIfName()) */
QAVO_API int getLanNetmask(char *out); /* getIfNetmask(getLanIfName()) */
QAVO_API int getWanIp(char *out);      /* getIfIp(getWanIfNamePPP()) */
QAVO_API int getWanMac(char *out);     /* getIfMac(getWanIfName()) */
QAVO_API int getWanNetmask(char *out); /* getIfNetmask(getWanIfNamePPP()) */

QAVO_END_DECLS

#endif
