// The command handlers of ombix_networkconfig and the routines they share with the WAN
// bring-up. Every handler takes the platform code (1 to 7) and the driver's 64-byte
// message buffer and returns non-zero (1) on success, 0 on failure.
#ifndef QAVO_NETWORKCONFIG_HANDLERS_H
#define QAVO_NETWORKCONFIG_HANDLERS_H

#include <cstddef>

#include "lib/tool_driver.h"

namespace networkconfig {

using qavo::tool::Handler;
using qavo::tool::kMessageSize;

// Common start of the LAN, WAN and DHCP-configuration handlers: puts "nothing!" in the
// message buffer; for a platform code outside 1 to 7 prints the platform error and
// returns false.
bool enterHandler(int platform, char *message);

// Runs that reconfigure the same part of the router run one at a time: each handler takes
// its part's lock (lib/run_lock.h) first, and a second run waits for the first at most
// this long, then gives up with a message and fails. Different parts run side by side.
constexpr int kPartLockWaitMs = 30000;
constexpr const char *kLanLock = "ombix_networkconfig-lan";         // "initlan", "getdhcpdconfig"
constexpr const char *kWanLock = "ombix_networkconfig-wan";         // "initwan"
constexpr const char *kRoutingLock = "ombix_networkconfig-routing"; // "routinginit"

// Platforms with switch PHY commands and a DHCP server configuration (codes 3 to 7).
inline bool hasSwitchAndDhcpd(int platform)
{
    return platform >= 3 && platform <= 7;
}

} // namespace networkconfig

extern "C" {

// "initlan": bridge address, DHCP server, host name and hosts file, LAN-side daemons.
int ombix_networkconfig_init_lan(int platform, char *message);
// "getdhcpdconfig": regenerates /etc/udhcpd.conf only; the result of writeUdhcpdConfig.
int ombix_networkconfig_gen_lanDhcpdConfig(int platform, char *message);
// "initwan": WAN bring-up in the stored connection mode; 1 when the mode's steps ran to
// their end with every setting accepted, 0 on a refusal or a file that could not be written.
int ombix_networkconfig_init_wan(int platform, char *message);
// "routinginit": staticRoutingInit.
int ombix_networkconfig_init_routing(int platform, char *message);
// "init3G": reports that the 3G WAN is not supported.
int ombix_networkconfig_init_3G(int platform, char *message);
// "doMount": mounts the USB disk partitions that are not mounted yet.
int ombix_networkconfig_init_mount(int platform, char *message);

// Writes /etc/udhcpd.conf for the interface when the DHCP server is on and the platform
// has one (codes 3 to 7), then runs "nat.sh &". 1 when the file was replaced, else 0.
int writeUdhcpdConfig(int platform, const char *ifname);

// Switch PHY registers through mii_mgr on platforms 3 to 7: basic control (0x3100 on,
// 0xB900 off) and auto-negotiation advertisement (0x25E1 on, 0x05E1 off).
// 1 when a command was run, 0 when the platform has none.
int setPhyControl(int platform, int port, int on);
int setPhyAdvertise(int platform, int port, int on);

// Rewrites "/etc/resolv.conf" and "/etc/resolv.conf1" from the section's WAN DNS servers
// when force is non-zero or "wan_dns_mode" is 1. The platform and WAN port switch the WAN
// PHY on if a file cannot be opened.
void ralinkWanDnsInit(int force, int section, int platform, int port);
// Writes both resolver files; 1 when both were written, 0 otherwise (the store section
// released and the WAN PHY switched on when a file could not be opened).
int _ralinkWanDnsInit(int section, int platform, int port);

// Makes the kernel routing table follow "RoutingRules": deletes the kernel routes that
// match a stored rule, then adds every complete stored rule (WAN rules in gateway mode only).
void staticRoutingInit(void);
// Index of the first "RoutingRules" record whose destination, netmask and device equal
// the texts, or -1.
int getIndexOfRoutingRule(const char *destination, const char *netmask, const char *device);
// Prefix length of a dotted netmask, counted up to the first octet that is not 255;
// 0 for text that is not four dot-separated numbers.
int netmask_aton(const char *netmask);

} // extern "C"

#endif
