// "getdhcpdconfig" and the udhcpd configuration file it and "initlan" write.
#include "networkconfig/dhcpd_config.h"

#include <cstdio>
#include <cstdlib>

#include "lib/atomic_file.h"
#include "lib/run_lock.h"
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

// A stored value of the given kind; an empty one is still written as an empty field,
// as the file has always been written.
q::Value stored(const char *key, q::Kind kind)
{
    const char *value = setting(qavo::kRouterSection, key);
    return {key, value, value[0] == '\0' ? q::Kind::Line : kind, 0};
}

// One server of the "option dns" line. The two servers stand on their own: a refused one
// leaves its field empty (after the refusal is reported) and the other is still served.
q::Value dnsServer(const char *key)
{
    q::Value server = stored(key, q::Kind::InetAddr);
    return q::accept(server) ? server : q::Value{key, "", q::Kind::Line, 0};
}

bool staticLeasesEnabled()
{
    // Read through nvram_get, the store's second reader, as the server side always has.
    const char *value = nvram_get(qavo::kRouterSection, "staticDhcpEnabled");
    return value != nullptr && strtol(value, nullptr, 10) != 0;
}

// One "static_lease <MAC> <IP>" line per record holding both fields, when enabled.
// The whole list is walked either way.
void writeStaticLeases(qavo::AtomicFile &file)
{
    bool enabled = staticLeasesEnabled();
    const char *rules = setting(qavo::kRouterSection, "staticDhcpRules");
    char record[kLeaseRecordSize];
    char mac[kLeaseFieldSize];
    char ip[kLeaseFieldSize];
    for (int i = 0; getNthValueSafe(i, rules, ';', record, sizeof record) == 0; ++i) {
        if (getNthValueSafe(0, record, ',', mac, sizeof mac) != 0 ||
            getNthValueSafe(1, record, ',', ip, sizeof ip) != 0)
            continue;
        if (enabled)
            file.write(Syntax::Plain, "static_lease %s %s\n",
                       {q::etherAddr("staticDhcpRules", mac), q::inetAddr("staticDhcpRules", ip)});
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
    // Each write leaves out only its own line when a value is refused: one that would
    // break its line or that udhcpd cannot read. Addresses are taken in every form
    // udhcpd reads (inet_aton's: "192.168.010.1" is the address 192.168.8.1).
    file.write(Syntax::Plain, "start %s\n", {stored("dhcpStart", q::Kind::InetAddr)});
    file.write(Syntax::Plain, "end %s\n", {stored("dhcpEnd", q::Kind::InetAddr)});
    file.write(Syntax::Plain, "interface %s\n", {q::ifname("interface", ifname)});
    file.write(Syntax::Plain, "option subnet %s\n", {stored("dhcpMask", q::Kind::InetAddr)});
    file.write(Syntax::Plain, "option dns %s %s\n", {dnsServer("dhcpPriDns"), dnsServer("dhcpSecDns")});
    file.write(Syntax::Plain, "option router %s\n", {stored("dhcpGateway", q::Kind::InetAddr)});
    file.write(Syntax::Plain, "option lease %s\n", {stored("dhcpLease", q::Kind::Decimal)});
    file.write(Syntax::Plain, "lease_file /var/udhcpd.leases\n");
    writeStaticLeases(file);
    if (!file.commit()) {
        fputs("\r\nwrite udhcpd config file error", stdout);
        return false;
    }
    return true;
}

UdhcpdFile updateUdhcpdConfig(int platform, const char *ifname)
{
    nvram_init(qavo::kRouterSection);
    UdhcpdFile result = UdhcpdFile::Off;
    if (qavo::settingNumber(qavo::kRouterSection, "dhcpEnabled") != 0 && hasSwitchAndDhcpd(platform)) {
        result = writeUdhcpdFile(kUdhcpdConfigPath, ifname) ? UdhcpdFile::Written : UdhcpdFile::Failed;
        if (result == UdhcpdFile::Written)
            QavoSystem("nat.sh &", 1);
    }
    nvram_close(qavo::kRouterSection);
    return result;
}

} // namespace networkconfig

extern "C" int writeUdhcpdConfig(int platform, const char *ifname)
{
    return networkconfig::updateUdhcpdConfig(platform, ifname) == networkconfig::UdhcpdFile::Written;
}

extern "C" int ombix_networkconfig_gen_lanDhcpdConfig(int platform, char *message)
{
    if (!networkconfig::enterHandler(platform, message))
        return 0;
    qavo::RunLock lanLock(networkconfig::kLanLock, "getdhcpdconfig", networkconfig::kPartLockWaitMs);
    if (lanLock.gaveUp())
        return 0;
    return writeUdhcpdConfig(platform, "br0");
}
