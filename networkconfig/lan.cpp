// "initlan": brings the LAN bridge up with the stored address, restarts the DHCP server,
// sets the host name and hosts file and starts or stops the LAN-side daemons.
//
// A stored value that its type refuses (an address that is not one, a host name with a
// blank or a quote...) is reported on standard error and only the step that needed it
// is left out; every other step still runs, as every step runs whatever the shell says.
#include <cstdio>

#include "lib/atomic_file.h"
#include "lib/command.h"
#include "lib/run_lock.h"
#include "lib/settings.h"
#include "networkconfig/dhcpd_config.h"
#include "networkconfig/handlers.h"

namespace {

using qavo::runCommand;
using qavo::setting;
using qavo::settingIs;
using qavo::settingNumber;
namespace q = qavo::quote;

// The second hosts line holds the host name twice: sized for the longest address and the
// longest valid host name, so every valid name gets its entry.
constexpr char kHostsLineFormat[] = "echo \"%s %s.co %s\" >> /etc/hosts";
constexpr size_t kLongestIpv4 = 15;
constexpr size_t kLongestHostName = 64;
constexpr size_t kHostsLineSize = sizeof kHostsLineFormat - 3 * 2 + kLongestIpv4 + 2 * kLongestHostName;
constexpr int kFirstLanPort = 1;
constexpr int kLastLanPort = 4;
constexpr const char *kDefaultHostName = "PELVANTO";

// The control registers of all LAN ports first, then their advertisement registers.
void switchLanPorts(int platform, int on)
{
    for (int port = kFirstLanPort; port <= kLastLanPort; ++port)
        setPhyControl(platform, port, on);
    for (int port = kFirstLanPort; port <= kLastLanPort; ++port)
        setPhyAdvertise(platform, port, on);
}

// The address is checked before the bridge goes down: a refused one leaves the bridge up
// as it is, so the router stays reachable to mend the setting.
void setBridgeAddress()
{
    nvram_init(qavo::kRouterSection);
    char up[qavo::kShortCommandSize];
    if (q::format(q::Syntax::Shell, up, "ifconfig br0 %s netmask %s up",
                  {q::ipv4("lan_ipaddr", setting(qavo::kRouterSection, "lan_ipaddr")),
                   q::netmask("lan_netmask", setting(qavo::kRouterSection, "lan_netmask"))})) {
        QavoSystem("ifconfig br0 down", 1);
        QavoSystem(up, 1);
    } else {
        fputs("\r\nbr0 left as it is: its address settings were refused", stdout);
    }
    nvram_close(qavo::kRouterSection);
}

// When the new configuration cannot be written (a full /etc) the old file is intact, and
// the server the killall stopped is started again on it.
void restartDhcpServer(int platform)
{
    QavoSystem("killall udhcpd", 1);
    networkconfig::UdhcpdFile file = networkconfig::updateUdhcpdConfig(platform, "br0");
    if (file == networkconfig::UdhcpdFile::Failed && qavo::AtomicFile::exists(networkconfig::kUdhcpdConfigPath))
        fputs("\r\nstarting udhcpd on the previous /etc/udhcpd.conf", stdout);
    else if (file != networkconfig::UdhcpdFile::Written)
        return;
    QavoSystem("udhcpd /etc/udhcpd.conf", 1);
}

void setHostNameAndHosts()
{
    if (setting(qavo::kRouterSection, "HostName")[0] == '\0')
        nvram_bufset(qavo::kRouterSection, "HostName", kDefaultHostName);
    const char *hostName = setting(qavo::kRouterSection, "HostName");
    runCommand<qavo::kShortCommandSize>(1, "hostname %s", {q::hostname("HostName", hostName)});
    QavoSystem("echo \"127.0.0.1 localhost.localdomain localhost\" > /etc/hosts", 1);
    runCommand<kHostsLineSize>(1, kHostsLineFormat,
                               {q::ipv4("lan_ipaddr", setting(qavo::kRouterSection, "lan_ipaddr")),
                                q::hostname("HostName", hostName), q::hostname("HostName", hostName)});
}

// Operation mode 0: the router is a host on the LAN and needs an address and a route.
void joinLanAsClient()
{
    QavoSystem("killall -q udhcpc", 1);
    if (settingNumber(qavo::kRouterSection, "LanAutoDhcp") == 1) {
        QavoSystem("udhcpc -i br0 -s /sbin/udhcpc.sh -p /var/run/udhcpc.pid &", 1);
    } else {
        QavoSystem("route add -net 224.0.0.0 netmask 224.0.0.0 br0", 1);
        runCommand<qavo::kShortCommandSize>(1, "route add default gw %s br0",
                                            {q::ipv4("lan_gateway", setting(qavo::kRouterSection, "lan_gateway"))});
    }
    QavoSystem("killall -q daemon.sh", 1);
}

// Any other mode: the gateway side's UPnP daemon and IGMP proxy follow their flags.
void setGatewayServices()
{
    if (settingNumber(qavo::kRouterSection, "upnpEnabled") == 1) {
        QavoSystem("miniupnpd.sh init", 1);
    } else {
        QavoSystem("miniupnpd.sh remove", 1);
        // "minuupnpd" is the name this command has always had; kept so the sequence stays
        // the one the platform's scripts and logs know.
        QavoSystem("killall -q minuupnpd", 1);
    }
    if (settingNumber(qavo::kRouterSection, "igmpEnabled") == 1) {
        QavoSystem("config-igmpproxy.sh", 1);
    } else {
        QavoSystem("killall -q igmpproxy", 1);
        QavoSystem("rm -rf igmpproxyStatus", 1);
    }
}

} // namespace

extern "C" int ombix_networkconfig_init_lan(int platform, char *message)
{
    if (!networkconfig::enterHandler(platform, message))
        return 0;
    qavo::RunLock lanLock(networkconfig::kLanLock, "initlan", networkconfig::kPartLockWaitMs);
    if (lanLock.gaveUp())
        return 0;
    switchLanPorts(platform, 0);
    setBridgeAddress();
    restartDhcpServer(platform);
    switchLanPorts(platform, 1);
    setHostNameAndHosts();
    if (settingIs(qavo::kRouterSection, "lltdEnabled", "1"))
        QavoSystem("lld2d br0", 1);
    if (settingIs(qavo::kRouterSection, "radvdEnabled", "1"))
        QavoSystem("radvd.sh", 1);
    if (settingNumber(qavo::kRouterSection, "OperationMode") == 0)
        joinLanAsClient();
    else
        setGatewayServices();
    return 1;
}
