// "getdhcpdconfig" and the udhcpd configuration file it and "initlan" write.
#include "networkconfig/dhcpd_config.h"

#include <cstdio>
#include <cstdlib>

#include "lib/atomic_file.h"
#include "lib/settings.h"
#include "networkconfig/handlers.h"
#include "qavo/lists.h"
#include "qavo/runner.h"

namespace networkconfig {
namespace {

using qavo::setting;
using qavo::quote::Syntax;
namespace q = qavo::quote;

// Record and field sizes of the static lease list; longer ones are cut as the list
// reader cuts them.
constexpr int kLeaseRecordSize = 128;
constexpr int kLeaseFieldSize = 50;

bool staticLeasesEnabled()
{
    // Read through nvram_get, the store's second reader, as the server side always has.
    const char *value = nvram_get(0, "staticDhcpEnabled");
    return value != nullptr && strtol(value, nullptr, 10) != 0;
}

// One "static_lease <MAC> <IP>" line per record holding both fields, when enabled.
// The whole list is walked either way.
void writeStaticLeases(qavo::AtomicFile &file)
{
    bool enabled = staticLeasesEnabled();
    const char *rules = setting(0, "staticDhcpRules");
    char record[kLeaseRecordSize];
    char mac[kLeaseFieldSize];
    char ip[kLeaseFieldSize];
    for (int i = 0; getNthValueSafe(i, rules, ';', record, sizeof record) == 0; ++i) {
        if (getNthValueSafe(0, record, ',', mac, sizeof mac) != 0 ||
            getNthValueSafe(1, record, ',', ip, sizeof ip) != 0)
            continue;
        if (enabled)
            file.write(Syntax::Plain, "static_lease %s %s\n",
                       {q::line("staticDhcpRules", mac), q::line("staticDhcpRules", ip)});
    }
}

} // namespace

bool writeUdhcpdFile(const char *path, const char *ifname)
{
    qavo::AtomicFile file;
    if (!file.open(path)) {
        fputs("\r\nopen udhcpd  config file error", stdout);
        return false;
    }
    // Each write leaves out only its own line when a value is refused.
    file.write(Syntax::Plain, "start %s\n", {q::line("dhcpStart", setting(0, "dhcpStart"))});
    file.write(Syntax::Plain, "end %s\n", {q::line("dhcpEnd", setting(0, "dhcpEnd"))});
    file.write(Syntax::Plain, "interface %s\n", {q::ifname("interface", ifname)});
    file.write(Syntax::Plain, "option subnet %s\n", {q::line("dhcpMask", setting(0, "dhcpMask"))});
    file.write(Syntax::Plain, "option dns %s %s\n",
               {q::line("dhcpPriDns", setting(0, "dhcpPriDns")), q::line("dhcpSecDns", setting(0, "dhcpSecDns"))});
    file.write(Syntax::Plain, "option router %s\n", {q::line("dhcpGateway", setting(0, "dhcpGateway"))});
    file.write(Syntax::Plain, "option lease %s\n", {q::line("dhcpLease", setting(0, "dhcpLease"))});
    file.write(Syntax::Plain, "lease_file /var/udhcpd.leases\n");
    writeStaticLeases(file);
    if (!file.commit()) {
        fputs("\r\nwrite udhcpd config file error", stdout);
        return false;
    }
    return true;
}

} // namespace networkconfig

extern "C" int writeUdhcpdConfig(int platform, const char *ifname)
{
    nvram_init(0);
    int written = 0;
    if (qavo::settingNumber(0, "dhcpEnabled") != 0 && networkconfig::hasSwitchAndDhcpd(platform) &&
        networkconfig::writeUdhcpdFile(networkconfig::kUdhcpdConfigPath, ifname)) {
        QavoSystem("nat.sh &", 1);
        written = 1;
    }
    nvram_close(0);
    return written;
}

extern "C" int ombix_networkconfig_gen_lanDhcpdConfig(int platform, char *message)
{
    if (!networkconfig::enterHandler(platform, message))
        return 0;
    return writeUdhcpdConfig(platform, "br0");
}
