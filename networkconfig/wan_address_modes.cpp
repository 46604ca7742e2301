// The WAN address modes without PPP: a stored static address, or one from DHCP.
#include "lib/settings.h"
#include "networkconfig/handlers.h"
#include "networkconfig/wan.h"
#include "qavo/runner.h"

namespace networkconfig::wan {
namespace {

namespace q = qavo::quote;
using qavo::setting;

} // namespace

void setInterfaceAddress(WanRun &run, const char *addressKey, const char *netmaskKey, const char *mtuKey)
{
    char line[qavo::kShortCommandSize];
    q::Builder command(q::Syntax::Shell, line, sizeof line);
    command.add("ifconfig %s %s netmask %s",
                {q::ifname("WAN interface", run.ifname), q::ipv4(addressKey, setting(qavo::kRouterSection, addressKey)),
                 q::netmask(netmaskKey, setting(qavo::kRouterSection, netmaskKey))});
    if (mtuKey) {
        const char *mtu = setting(qavo::kRouterSection, mtuKey);
        if (q::accept(q::mtu(mtuKey, mtu)))
            command.add(" mtu %s", {q::mtu(mtuKey, mtu)});
        else
            run.refused = true;
    }
    if (command.ok())
        run.runLine(line);
    else
        run.refused = true;
}

int bringUpStatic(WanRun &run)
{
    setInterfaceAddress(run, "wan_ipaddr", "wan_netmask", "wan_static_mtu");
    QavoSystem("route del default", 1);
    run.command("route add default gw %s", {q::ipv4("wan_gateway", setting(qavo::kRouterSection, "wan_gateway"))});
    updateResolverFiles(run, true);
    run.phy(1);
    // Tells the setting-module subscriber that a static WAN is up.
    QavoSystem("killall -SIGTSTP qavo_sub", 1);
    return run.successEnd();
}

int bringUpDhcp(WanRun &run)
{
    run.command("ifconfig %s 0.0.0.0 mtu %s", {q::ifname("WAN interface", run.ifname),
                                               q::mtu("wan_dhcp_mtu", setting(qavo::kRouterSection, "wan_dhcp_mtu"))});
    const char *hostName = setting(qavo::kRouterSection, "wan_dhcp_hn");
    bool sendName = hostName[0] != '\0';
    if (sendName && !q::accept(q::hostname("wan_dhcp_hn", hostName))) {
        // The client still starts, only without the name.
        run.refused = true;
        sendName = false;
    }
    if (sendName)
        run.command("udhcpc -i %s -h %s -s /sbin/udhcpc.sh -p /var/run/udhcpc.pid -S &",
                    {q::ifname("WAN interface", run.ifname), q::hostname("wan_dhcp_hn", hostName)});
    else
        run.command("udhcpc -i %s  -s /sbin/udhcpc.sh -p /var/run/udhcpc.pid -S &",
                    {q::ifname("WAN interface", run.ifname)});
    updateResolverFiles(run, false);
    run.phy(1);
    QavoSystem("config-dnsmasq.sh", 1);
    return run.successEnd();
}

void startPlainDhcpClient(WanRun &run)
{
    run.command("udhcpc -i %s  -s /sbin/udhcpc.sh -p /var/run/udhcpc.pid &", {q::ifname("WAN interface", run.ifname)});
}

} // namespace networkconfig::wan
