/*
 * WAN and repeater status, probed on every call (nothing is cached).
 *
 * The probes combine the stored connection settings ("OperationMode",
 * "wanConnectionMode", "wan3gmodel", "wispInterface", "WanPhyNum", "dial3gstatus") with
 * the WAN port's PHY status ("mii_mgr", output in "/tmp/wanConnectStatus"), the IPv4
 * address of the interface that carries the WAN, and the wireless client's association
 * ("iwconfig", output in "/tmp/apcliStatus"). Probes in different processes take turns
 * on each output file (a lock on "<file>.lock"), so none reads another's output.
 */
#ifndef QAVO_WAN_STATUS_H
#define QAVO_WAN_STATUS_H

#include <stddef.h>

#include "qavo/api.h"

QAVO_BEGIN_DECLS

/*
 * 1 when the router is in mode 1 (WAN on the wired port) and its WAN is up: for "3G" an
 * address on "usb0" ("wan3gmodel" "ME3760") or "ppp0"; otherwise the PHY reports a link
 * and then "DHCP" needs an address on "eth2.2", "STATIC" nothing more, the PPP types an
 * address on "ppp0". Else 0.
 */
QAVO_API int get_wan_link_status(void);

/* 1 or 0: in mode 1, "3G" is up when "ppp0" or "usb0" has an address; other types as get_wan_link_status. */
QAVO_API int get_wan_connect_result(void);

/* Room for every status word with a "dial3gstatus" word of up to 47 bytes. */
#define QAVO_WAN_STATUS_SIZE 64

/*
 * Writes the WAN status word into out (size bytes): "MM_connected", "MM_disconnected",
 * "MM_disconnected_<dial3gstatus>" (3G not up, the dialler left a word), "MM_unknown"
 * (a mode other than 1 and 3), or "" when a probe's output file cannot be opened.
 * Returns the word's length, or -1 when out is NULL or the word does not fit (out is then
 * "" when size is not 0).
 */
QAVO_API int get_wan_connect_status_sized(char *out, size_t size);

/* get_wan_connect_status_sized with QAVO_WAN_STATUS_SIZE bytes: out must hold that many. */
QAVO_API void get_wan_connect_status(char *out);

/*
 * 1 when the wireless client interface ifname is associated: "WiFiOff" reads 0 and
 * "ApCliEnable" reads 1 in section, and iwconfig shows no "Not-Associated". Else 0
 * (without probing when the settings rule it out).
 */
QAVO_API int getRepeaterStatus(int section, const char *ifname);

QAVO_END_DECLS

#endif
