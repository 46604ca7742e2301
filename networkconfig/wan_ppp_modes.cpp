// The PPP connection modes: PPPoE, L2TP and PPTP, each writing its daemon's files and
// starting it; L2TP and PPTP can instead first take the WAN address from DHCP.
#include <cstdio>

#include "lib/settings.h"
#include "networkconfig/wan.h"
#include "qavo/runner.h"

namespace networkconfig::wan {
namespace {

namespace q = qavo::quote;
using qavo::setting;

struct StaticKeys {
    const char *address;
    const char *netmask;
    const char *gateway;
    const char *server;
};

// The static WAN address of L2TP and PPTP, its default route and a host route to the server.
void setStaticAddress(WanRun &run, const StaticKeys &keys)
{
    setInterfaceAddress(run, keys.address, keys.netmask, nullptr);
    QavoSystem("route del default", 1);
    run.command("route add default gw %s", {q::ipv4(keys.gateway, setting(qavo::kRouterSection, keys.gateway))});
    run.command("route add -net %s netmask 255.255.255.255 gw %s",
                {q::hostname(keys.server, setting(qavo::kRouterSection, keys.server)),
                 q::ipv4(keys.gateway, setting(qavo::kRouterSection, keys.gateway))});
}

// False, naming the setting, when a line the daemon's files need was refused.
bool mayStart(const WanRun &run, const char *daemon)
{
    if (!run.stoppedBy)
        return true;
    fprintf(stderr, "Error: setting %s was refused, so %s is not started\n", run.stoppedBy, daemon);
    return false;
}

} // namespace

int bringUpPppoe(WanRun &run)
{
    QavoSystem("ifconfig ppp0 down", 1);
    run.phy(1);
    // A vendor store answers NULL for a missing key: then the older pppoecd client dials.
    const char *opmode = nvram_bufget(qavo::kRouterSection, "wan_pppoe_opmode");
    if (opmode == nullptr) {
        run.command("pppoecd %s -u \"%s\" -p \"%s\"",
                    {q::ifname("WAN interface", run.ifname),
                     q::credential("wan_pppoe_user_mm", setting(qavo::kRouterSection, "wan_pppoe_user_mm")),
                     q::credential("wan_pppoe_pass", setting(qavo::kRouterSection, "wan_pppoe_pass"))});
    } else {
        run.copySetting("wan_pppoe_opmode", opmode, run.modeOption, sizeof run.modeOption);
        QavoSystem("route del default", 1);
        if (!writePppoeOptions(run)) {
            fputs("\r\nopen pppoe  config file error", stdout);
            nvram_close(qavo::kRouterSection);
            run.phy(1);
            QavoSystem("nat.sh", 1);
            return 0;
        }
        QavoSystem("rm -rf /tmp/pppoeConnectInfo", 1);
        if (mayStart(run, "pppd"))
            QavoSystem("pppd file /etc/options.pppoe > /tmp/pppoeConnectInfo &", 1);
    }
    updateResolverFiles(run, false);
    run.command("ifconfig %s mtu %s", {q::ifname("WAN interface", run.ifname),
                                       q::mtu("wan_pppoe_mtu", setting(qavo::kRouterSection, "wan_pppoe_mtu"))});
    QavoSystem("config-dnsmasq.sh", 1);
    return run.successEnd();
}

int bringUpL2tp(WanRun &run)
{
    QavoSystem("ifconfig ppp0 down", 1);
    QavoSystem("rm -rf /etc_ro/ppp/options", 1);
    run.phy(1);
    if (!writeXl2tpdConfig(run)) {
        fputs("\r\nopen xl2tpd-config file error", stdout);
        return run.failureEnd();
    }
    if (!writeL2tpOptions(run)) {
        fputs("\r\nopen xl2tpd-options file error", stdout);
        return run.failureEnd();
    }
    if (qavo::settingNumber(qavo::kRouterSection, "wan_l2tp_mode") == 0) {
        setStaticAddress(run, {"wan_l2tp_ip", "wan_l2tp_netmask", "wan_l2tp_gateway", "wan_l2tp_server"});
        if (mayStart(run, "xl2tpd"))
            QavoSystem("xl2tpd -c /etc_ro/xl2tpd.conf &", 1);
    } else {
        startPlainDhcpClient(run);
    }
    return run.successEnd();
}

int bringUpPptp(WanRun &run)
{
    QavoSystem("ifconfig ppp0 down", 1);
    run.phy(1);
    if (!writePptpSecrets(run) || !writePptpPeer(run))
        return run.failureEnd();
    run.copySetting("wan_pptp_opmode", setting(qavo::kRouterSection, "wan_pptp_opmode"), run.modeOption,
                    sizeof run.modeOption);
    if (!writePptpOptions(run))
        return run.failureEnd();
    if (qavo::settingNumber(qavo::kRouterSection, "wan_pptp_mode") == 0) {
        setStaticAddress(run, {"wan_pptp_ip", "wan_pptp_netmask", "wan_pptp_gateway", "wan_pptp_server"});
        if (mayStart(run, "pppd")) {
            pause(kPptpRouteSeconds);
            QavoSystem("pppd call pptp &", 1);
        }
    } else {
        startPlainDhcpClient(run);
    }
    return run.successEnd();
}

} // namespace networkconfig::wan
