// Switch PHY register writes around a LAN or WAN reconfiguration.
#include "lib/command.h"
#include "networkconfig/handlers.h"

namespace {

using qavo::quote::integer;

} // namespace

extern "C" int setPhyControl(int platform, int port, int on)
{
    if (!networkconfig::hasSwitchAndDhcpd(platform))
        return 0;
    if (on)
        qavo::runCommand<qavo::kSmallCommandSize>(1, "mii_mgr -s -p %s -r 0 -v 0x3100", {integer(port)});
    else
        qavo::runCommand<qavo::kSmallCommandSize>(1, "mii_mgr -s -p %s -r 0 -v 0xB900", {integer(port)});
    return 1;
}

extern "C" int setPhyAdvertise(int platform, int port, int on)
{
    if (!networkconfig::hasSwitchAndDhcpd(platform))
        return 0;
    if (on)
        qavo::runCommand<qavo::kSmallCommandSize>(1, "mii_mgr -s -p %s -r 4 -v 0x25E1", {integer(port)});
    else
        qavo::runCommand<qavo::kSmallCommandSize>(1, "mii_mgr -s -p %s -r 4 -v 0x05E1", {integer(port)});
    return 1;
}
