// The DHCP server configuration written from the LAN settings.
#ifndef QAVO_NETWORKCONFIG_DHCPD_CONFIG_H
#define QAVO_NETWORKCONFIG_DHCPD_CONFIG_H

namespace networkconfig {

constexpr const char *kUdhcpdConfigPath = "/etc/udhcpd.conf";

// Replaces the file at path with the udhcpd configuration for ifname from the stored
// DHCP settings and static leases. A setting that udhcpd cannot read as its kind (an
// address in any inet_aton form, a number, a MAC in any ether_aton form) or that would
// break its line is refused with a message naming it, and only its line is left out (for
// the two DNS servers, only its field); an empty setting leaves an empty field. False,
// with the file unchanged, when it cannot be written.
bool writeUdhcpdFile(const char *path, const char *ifname);

enum class UdhcpdFile {
    Written, // replaced; "nat.sh &" has run
    Off,     // the DHCP server is off or the platform has none: nothing done
    Failed,  // it could not be written: the old file is unchanged
};

// What writeUdhcpdConfig does, telling why the file was not written.
UdhcpdFile updateUdhcpdConfig(int platform, const char *ifname);

} // namespace networkconfig

#endif
