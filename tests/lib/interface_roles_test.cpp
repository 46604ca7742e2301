// Interface roles across the operation modes, read from a private configuration store.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "nvram.h"
#include "qavo/interfaces.h"
#include "tests/support/store_fixture.h"

namespace {

class InterfaceRoles : public StoreTest {
protected:
    static void settings(const char *mode, const char *type, const char *model = "", const char *wisp = "")
    {
        set("OperationMode", mode);
        set("wanConnectionMode", type);
        set("wan3gmodel", model);
        set("wispInterface", wisp);
    }
};

struct RoleCase {
    const char *mode, *type, *model, *wisp;
    const char *wan, *wanPpp;
};

TEST_F(InterfaceRoles, EveryModeAndConnectionType)
{
    const RoleCase cases[] = {
        {"0", "PPPOE", "", "", "br0", "br0"},
        {"1", "DHCP", "", "", "eth2.2", "eth2.2"},
        {"1", "STATIC", "", "", "eth2.2", "eth2.2"},
        {"1", "PPPOE", "", "", "eth2.2", "ppp0"},
        {"1", "L2TP", "", "", "eth2.2", "ppp0"},
        {"1", "PPTP", "", "", "eth2.2", "ppp0"},
        {"1", "3G", "OTHER", "", "eth2.2", "ppp0"},
        {"1", "3G", "ME3760", "", "eth2.2", "usb0"},
        {"1", "PPPOE", "ME3760", "", "eth2.2", "ppp0"},
        {"1", "pppoe", "", "", "eth2.2", "eth2.2"}, // exact, case-sensitive
        {"1", "", "", "", "eth2.2", "eth2.2"},
        {"2", "PPPOE", "", "", "ra0", "ra0"},
        {"3", "DHCP", "", "1", "apclii0", "apclii0"},
        {"3", "DHCP", "", "0", "apcli0", "apcli0"},
        {"3", "DHCP", "", "", "apcli0", "apcli0"},
        {"3", "L2TP", "", "1", "apclii0", "ppp0"},
        {"3", "3G", "ME3760", "0", "apcli0", "usb0"},
    };
    for (const RoleCase &c : cases) {
        settings(c.mode, c.type, c.model, c.wisp);
        EXPECT_STREQ("br0", getLanIfName()) << c.mode;
        EXPECT_STREQ(c.wan, getWanIfName()) << c.mode << " " << c.type;
        EXPECT_STREQ(c.wanPpp, getWanIfNamePPP()) << c.mode << " " << c.type << " " << c.model;
    }
}

TEST_F(InterfaceRoles, UnknownOrMissingModeKeepsTheLastAnswer)
{
    settings("2", "PPPOE");
    EXPECT_STREQ("ra0", getWanIfName());
    set("OperationMode", "7");
    EXPECT_STREQ("ra0", getWanIfName());
    EXPECT_STREQ("ra0", getWanIfNamePPP());
    set("OperationMode", "");
    EXPECT_STREQ("ra0", getWanIfName());
    EXPECT_STREQ("br0", getLanIfName());
    set("OperationMode", "1");
    EXPECT_STREQ("eth2.2", getWanIfName());
    set("OperationMode", "01");
    EXPECT_STREQ("eth2.2", getWanIfName());
}

struct LabelCase {
    const char *mode, *wisp, *ifname, *label;
};

TEST_F(InterfaceRoles, LanWanLabels)
{
    const LabelCase cases[] = {
        {"", "", "br0", "Unknown"},  {"0", "", "br0", "LAN"},      {"0", "", "eth2.2", "eth2.2"},
        {"1", "", "br0", "LAN"},     {"1", "", "eth2.2", "WAN"},   {"1", "", "ppp0", "WAN"},
        {"1", "", "eth2", "eth2"},   {"2", "", "eth2", "LAN"},     {"2", "", "ra0", "WAN"},
        {"2", "", "br0", "br0"},     {"3", "1", "apclii0", "WAN"}, {"3", "1", "apcli0", "apcli0"},
        {"3", "0", "apcli0", "WAN"}, {"3", "", "br0", "LAN"},      {"9", "", "br0", "br0"},
    };
    for (const LabelCase &c : cases) {
        settings(c.mode, "", "", c.wisp);
        const char *label = getLanWanNamebyIf(c.ifname);
        EXPECT_STREQ(c.label, label) << c.mode << " " << c.ifname;
        if (std::string(c.label) == c.ifname) {
            EXPECT_EQ(c.ifname, label) << "the caller's own string comes back";
        }
    }
}

} // namespace
