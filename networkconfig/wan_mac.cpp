// The WAN interface's MAC address: a cloned one, or the one in the factory data.
//
// When the factory partition cannot be found or read, the interface keeps the address it
// already has (the one the driver or the platform's network script gave it) rather than
// a fixed one: a fixed address would be the same on every such router, and two of them
// on one provider segment would take each other's leases.
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "lib/factory_data.h"
#include "lib/settings.h"
#include "networkconfig/wan.h"
#include "qavo/runner.h"

namespace networkconfig::wan {
namespace {

namespace q = qavo::quote;

constexpr const char *kBlankFactoryMac = "FF:FF:FF:FF:FF:FF";
constexpr const char *kBlankReplacementMac = "00:0C:43:28:80:64";

void setAddress(WanRun &run, const char *mac)
{
    if (mac)
        run.command("ifconfig %s hw ether %s", {q::ifname("WAN interface", run.ifname), q::mac("MAC address", mac)});
    run.command("ifconfig %s up", {q::ifname("WAN interface", run.ifname)});
    run.command("ifconfig %s 0.0.0.0", {q::ifname("WAN interface", run.ifname)});
}

} // namespace

void setWanMac(WanRun &run)
{
    if (qavo::settingNumber(qavo::kRouterSection, "macCloneEnabled") == 1) {
        const char *clone = qavo::setting(qavo::kRouterSection, "macCloneMac");
        if (q::accept(q::unicastMac("macCloneMac", clone))) {
            run.command("ifconfig %s down", {q::ifname("WAN interface", run.ifname)});
            setAddress(run, clone);
            return;
        }
        fputs("initwan: the factory MAC address is used instead of macCloneMac\n", stderr);
        run.refused = true;
    }
    unsigned char bytes[qavo::kMacBytes];
    bool readable = qavo::readFactoryWanMac(bytes);
    char text[QAVO_MAC_TEXT_SIZE] = "";
    if (readable)
        snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", bytes[0], bytes[1], bytes[2], bytes[3], bytes[4],
                 bytes[5]);
    pause(kSettleSeconds);
    run.command("ifconfig %s down", {q::ifname("WAN interface", run.ifname)});
    if (!readable) {
        setAddress(run, nullptr);
        return;
    }
    setAddress(run, strcmp(text, kBlankFactoryMac) == 0 ? kBlankReplacementMac : text);
}

} // namespace networkconfig::wan
