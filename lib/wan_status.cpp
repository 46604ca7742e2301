// WAN and repeater status probes for the setting modules.
#include "qavo/wan_status.h"

#include <cstdio>
#include <cstring>

#include "lib/command.h"
#include "lib/holders.h"
#include "lib/probe_output.h"
#include "lib/settings.h"
#include "lib/system.h"
#include "qavo/interfaces.h"

namespace {

using qavo::probe::Verdict;

constexpr const char *kPhyOutput = "/tmp/wanConnectStatus";
constexpr const char *kApcliOutput = "/tmp/apcliStatus";

constexpr const char *kConnected = "MM_connected";
constexpr const char *kDisconnected = "MM_disconnected";

long mode()
{
    return qavo::settingNumber(qavo::kRouterSection, "OperationMode");
}
bool typeIs(const char *type)
{
    return qavo::settingIs(qavo::kRouterSection, "wanConnectionMode", type);
}

bool hasAddress(const char *ifname)
{
    char address[QAVO_IPV4_TEXT_SIZE];
    return getIfIp(ifname, address) == 0;
}

bool threeGUp()
{
    return hasAddress("ppp0") || hasAddress("usb0");
}

// The WAN port's PHY: register 1 of the PHY "WanPhyNum" names.
Verdict phyTest()
{
    long phy = qavo::settingNumber(qavo::kRouterSection, "WanPhyNum");
    return qavo::probe::runProbe(
        [phy] {
            return qavo::runCommand<qavo::kSmallCommandSize>(0, "mii_mgr -g -p %s -r 1 > /tmp/wanConnectStatus",
                                                             {qavo::quote::integer(phy)});
        },
        kPhyOutput, qavo::probe::phyLink);
}

Verdict associationTest(const char *ifname)
{
    return qavo::probe::runProbe(
        [ifname] {
            return qavo::runCommand<qavo::kSmallCommandSize>(
                0, "iwconfig %s > /tmp/apcliStatus", {qavo::quote::ifname("wireless client interface", ifname)});
        },
        kApcliOutput, qavo::probe::associated);
}

// The client interface in wireless-ISP mode.
const char *clientInterface()
{
    return qavo::settingNumber(qavo::kRouterSection, "wispInterface") == 1 ? "apclii0" : "apcli0";
}

const char *word(bool connected)
{
    return connected ? kConnected : kDisconnected;
}

// The PPP connection is up: the dialler's note is no longer news.
const char *pppUp()
{
    if (qavo::File(qavo::sys::openFile("/tmp/pppoeConnectInfo", "re")))
        QavoSystem("rm -rf /tmp/pppoeConnectInfo", 0);
    return kConnected;
}

// Writes first (and "_second") into out only when the whole word fits; else out is "".
int put(char *out, size_t size, const char *first, const char *second = nullptr)
{
    size_t length = strlen(first) + (second ? 1 + strlen(second) : 0);
    if (length >= size) {
        out[0] = '\0';
        return -1;
    }
    if (second)
        snprintf(out, size, "%s_%s", first, second);
    else
        snprintf(out, size, "%s", first);
    return static_cast<int>(length);
}

int wiredStatus(char *out, size_t size)
{
    if (typeIs("3G")) {
        if (threeGUp())
            return put(out, size, kConnected);
        const char *dialler = qavo::setting(qavo::kRouterSection, "dial3gstatus");
        return dialler[0] ? put(out, size, kDisconnected, dialler) : put(out, size, kDisconnected);
    }
    Verdict link = phyTest();
    if (link == Verdict::NoFile)
        return put(out, size, "");
    if (link == Verdict::No)
        return put(out, size, kDisconnected);
    if (typeIs("DHCP"))
        return put(out, size, word(hasAddress("eth2.2")));
    if (typeIs("STATIC"))
        return put(out, size, kConnected);
    return put(out, size, hasAddress("ppp0") ? pppUp() : kDisconnected);
}

int wirelessIspStatus(char *out, size_t size)
{
    const char *client = clientInterface();
    if (typeIs("DHCP"))
        return put(out, size, word(hasAddress(client)));
    if (typeIs("STATIC")) {
        Verdict associated = associationTest(client);
        return put(out, size, associated == Verdict::NoFile ? "" : word(associated == Verdict::Yes));
    }
    return put(out, size, word(hasAddress("ppp0")));
}

} // namespace

extern "C" int get_wan_link_status(void)
{
    if (mode() != 1)
        return 0;
    if (typeIs("3G"))
        return hasAddress(qavo::settingIs(qavo::kRouterSection, "wan3gmodel", "ME3760") ? "usb0" : "ppp0");
    if (phyTest() != Verdict::Yes)
        return 0;
    if (typeIs("DHCP"))
        return hasAddress("eth2.2");
    if (typeIs("STATIC"))
        return 1;
    return hasAddress("ppp0");
}

extern "C" int get_wan_connect_result(void)
{
    if (mode() != 1)
        return 0;
    if (typeIs("3G"))
        return threeGUp();
    return get_wan_link_status() == 1;
}

extern "C" int get_wan_connect_status_sized(char *out, size_t size)
{
    if (!out || size == 0)
        return -1;
    switch (mode()) {
    case 1:
        return wiredStatus(out, size);
    case 3:
        return wirelessIspStatus(out, size);
    default:
        return put(out, size, "MM_unknown");
    }
}

extern "C" void get_wan_connect_status(char *out)
{
    get_wan_connect_status_sized(out, QAVO_WAN_STATUS_SIZE);
}

extern "C" int getRepeaterStatus(int section, const char *ifname)
{
    if (qavo::settingNumber(section, "WiFiOff") != 0 || qavo::settingNumber(section, "ApCliEnable") != 1)
        return 0;
    if (!ifname)
        return 0;
    return associationTest(ifname) == Verdict::Yes;
}
