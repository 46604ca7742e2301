// The whole "initwan" handler in a dry run: the checks and refusals of the common path,
// mode selection, the WAN interface by operation mode and the MAC address from a clone
// or the factory partition. Most runs include the prescribed 3-second pauses, so these
// tests are labelled slow and run in shards.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "networkconfig/handlers.h"
#include "nvram.h"
#include "tests/networkconfig/wan_fixture.h"

namespace {

using namespace std::string_literals;

class WanCommon : public WanTest {
protected:
    void SetUp() override
    {
        WanTest::SetUp();
        for (auto [key, value] : {std::pair{"WanPhyNum", "4"},
                                  {"OperationMode", "1"},
                                  {"wispInterface", "0"},
                                  {"macCloneEnabled", "1"},
                                  {"macCloneMac", "02:11:22:33:44:55"},
                                  {"wan_dhcp_mtu", "1500"}})
            set(key, value);
    }

    int initWan(int platform = kMtk7620)
    {
        char message[networkconfig::kMessageSize] = {};
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        int result = ombix_networkconfig_init_wan(platform, message);
        stdout_ = testing::internal::GetCapturedStdout();
        stderr_ = testing::internal::GetCapturedStderr();
        EXPECT_STREQ(message, "nothing!");
        return result;
    }
    bool ran(const std::string &command) const
    {
        return std::find(commands().begin(), commands().end(), command) != commands().end();
    }
    // A partition table whose factory partition is mtd2; the devices are planted by the tests.
    void plantFactoryTable()
    {
        std::filesystem::create_directories(path("/proc"));
        std::filesystem::create_directories(path("/dev/mtd"));
        qavo::test::writeFile(path("/proc/mtd"), "dev:    size   erasesize  name\n"
                                                 "mtd0: 00030000 00010000 \"Bootloader\"\n"
                                                 "mtd1: 00010000 00010000 \"Config\"\n"
                                                 "mtd2: 00010000 00010000 \"Factory\"\n");
    }

    std::string stdout_;
    std::string stderr_;
};

TEST_F(WanCommon, PlatformAndPortRefusals)
{
    EXPECT_EQ(0, initWan(0));
    EXPECT_EQ(0, initWan(8));
    EXPECT_TRUE(commands().empty());
    for (const char *port : {"1", "2", "3", "5"}) {
        set("WanPhyNum", port);
        recorder_.clear();
        EXPECT_EQ(0, initWan()) << port;
        EXPECT_EQ(commands(), Lines{"nat.sh"}) << port;
    }
}

TEST_F(WanCommon, ExactThreeGKeepsPppdAndThreeGxStillSelectsThreeG)
{
    set("wanConnectionMode", "3G");
    EXPECT_EQ(1, initWan());
    EXPECT_FALSE(ran("killall -9 pppd"));
    EXPECT_NE(stdout_.find("Does not support 3G function!"), std::string::npos);
    EXPECT_EQ(commands(), concat({phy(false),
                                  {"killall -q udhcpc", "killall -q xl2tpd", "killall -q pptp"},
                                  {"brctl delif br0 apcli0 1>/dev/null 2>&1", "brctl delif br0 eth2.2 1>/dev/null 2>&1",
                                   "ifconfig eth2.2 down", "ifconfig eth2.2 hw ether 02:11:22:33:44:55",
                                   "ifconfig eth2.2 up", "ifconfig eth2.2 0.0.0.0"},
                                  phy(true),
                                  {"nat.sh"}}));
    // MAC clone: the factory partition is not even looked for.
    EXPECT_EQ(stderr_.find("Could not open mtd device"), std::string::npos);

    recorder_.clear();
    set("wanConnectionMode", "3GX");
    EXPECT_EQ(1, initWan());
    EXPECT_TRUE(ran("killall -9 pppd"));
    EXPECT_NE(stdout_.find("Does not support 3G function!"), std::string::npos);
}

TEST_F(WanCommon, ModeIsSelectedByPrefixAndCase)
{
    struct Case {
        const char *mode;
        const char *marker; // a command only that mode runs, or "" for the unknown mode
        int result;
    };
    const Case cases[] = {
        {"DHCPX", "udhcpc -i eth2.2  -s /sbin/udhcpc.sh -p /var/run/udhcpc.pid -S &", 1},
        {"STATICA", "killall -SIGTSTP qavo_sub", 0}, // no stored address: refused, result 0
        {"pppoe", "", 1},
        {"", "", 1},
        // Longer than the 19-character working buffer: refused rather than cut to DHCP.
        {"DHCP_AND_THEN_SOME_MORE", "", 0},
    };
    for (const Case &c : cases) {
        set("wanConnectionMode", c.mode);
        recorder_.clear();
        EXPECT_EQ(c.result, initWan()) << c.mode;
        EXPECT_TRUE(ran("killall -9 pppd")) << c.mode;
        if (c.marker[0]) {
            EXPECT_TRUE(ran(c.marker)) << c.mode;
        } else {
            EXPECT_NE(stdout_.find("unknow type!!\r\n"), std::string::npos) << c.mode;
            EXPECT_EQ(commands(),
                      concat({phy(false),
                              {"killall -q udhcpc", "killall -q xl2tpd", "killall -q pptp", "killall -9 pppd",
                               "brctl delif br0 apcli0 1>/dev/null 2>&1", "brctl delif br0 eth2.2 1>/dev/null 2>&1",
                               "ifconfig eth2.2 down", "ifconfig eth2.2 hw ether 02:11:22:33:44:55",
                               "ifconfig eth2.2 up", "ifconfig eth2.2 0.0.0.0"},
                              phy(true),
                              {"nat.sh"}}))
                << c.mode;
        }
    }
}

TEST_F(WanCommon, OperationModeOtherThanOneOrThreeIsRefused)
{
    set("wanConnectionMode", "3G");
    for (const char *mode : {"0", "2", "4"}) {
        set("OperationMode", mode);
        recorder_.clear();
        EXPECT_EQ(0, initWan()) << mode;
        EXPECT_EQ(stdout_, "\r\nerror opMode so exit");
        EXPECT_EQ(
            commands(),
            concat({phy(false), {"killall -q udhcpc", "killall -q xl2tpd", "killall -q pptp"}, phy(true), {"nat.sh"}}));
    }
}

TEST_F(WanCommon, WirelessWanInterfaceAndRadioSwitchFromTheRightSection)
{
    struct Case {
        const char *wisp;
        const char *wifiOff0;
        const char *wifiOff1;
        const char *ifname; // nullptr: refused because the radio is off
    };
    const Case cases[] = {
        {"1", "0", "1", nullptr},
        {"1", "1", "0", "apclii0"},
        {"0", "1", "0", nullptr},
        {"0", "0", "1", "apcli0"},
    };
    set("OperationMode", "3");
    set("wanConnectionMode", "3G");
    for (const Case &c : cases) {
        set("wispInterface", c.wisp);
        set("WiFiOff", c.wifiOff0);
        ASSERT_EQ(0, nvram_bufset(1, "WiFiOff", c.wifiOff1));
        recorder_.clear();
        if (!c.ifname) {
            EXPECT_EQ(0, initWan()) << c.wisp;
            EXPECT_EQ(commands(),
                      concat({phy(false),
                              {"killall -q udhcpc", "killall -q xl2tpd", "killall -q pptp",
                               "brctl delif br0 apcli0 1>/dev/null 2>&1", "brctl delif br0 eth2.2 1>/dev/null 2>&1"},
                              phy(true),
                              {"nat.sh"}}));
        } else {
            EXPECT_EQ(1, initWan()) << c.wisp;
            EXPECT_TRUE(ran(std::string("ifconfig ") + c.ifname + " hw ether 02:11:22:33:44:55")) << c.wisp;
        }
    }
}

TEST_F(WanCommon, FactoryMacFromTheFactoryPartition)
{
    struct Case {
        std::string mac;
        std::vector<const char *> devices;
        const char *expected; // nullptr: the interface keeps its address
    };
    const Case cases[] = {
        {"\x00\x1a\x2b\x3c\x4d\x5e"s, {"/dev/mtd2"}, "00:1A:2B:3C:4D:5E"},
        {std::string(6, '\xff'), {"/dev/mtd2"}, "00:0C:43:28:80:64"},
        {"\x00\x1a\x2b\x3c\x4d\x5e"s, {}, nullptr},
        {"\x00\x1a"s, {"/dev/mtd2"}, nullptr}, // too short to hold the address
    };
    set("macCloneEnabled", "0");
    set("wanConnectionMode", "3G");
    for (const Case &c : cases) {
        std::filesystem::remove_all(path("/dev"));
        plantFactoryTable();
        for (const char *device : c.devices)
            qavo::test::writeFile(path(device), std::string(46, '\0') + c.mac);
        recorder_.clear();
        EXPECT_EQ(1, initWan());
        Lines expected = {"ifconfig eth2.2 down", "ifconfig eth2.2 up", "ifconfig eth2.2 0.0.0.0"};
        if (c.expected)
            expected.insert(expected.begin() + 1, std::string("ifconfig eth2.2 hw ether ") + c.expected);
        Lines macSteps(commands().begin() + 7, commands().begin() + 7 + expected.size());
        EXPECT_EQ(macSteps, expected);
        EXPECT_EQ(stderr_.find("Could not open mtd device") != std::string::npos, c.expected == nullptr);
    }
}

TEST_F(WanCommon, DevMtdDirectoryIsTriedFirstAndRefusedCloneFallsBack)
{
    plantFactoryTable();
    qavo::test::writeFile(path("/dev/mtd/2"), std::string(46, '\0') + "\x00\x01\x02\x03\x04\x05"s);
    qavo::test::writeFile(path("/dev/mtd2"), std::string(46, '\0') + "\x00\x09\x09\x09\x09\x09"s);
    set("wanConnectionMode", "3G");
    set("macCloneMac", "02:11:22:33:44:55;reboot");
    EXPECT_EQ(0, initWan());
    EXPECT_TRUE(ran("ifconfig eth2.2 hw ether 00:01:02:03:04:05"));
    EXPECT_NE(stderr_.find("macCloneMac"), std::string::npos);
    for (const std::string &command : commands())
        EXPECT_EQ(command.find("reboot"), std::string::npos) << command;
    // Multicast, broadcast and all-zero addresses, which the kernel refuses, fall back too.
    for (const char *clone : {"01:00:5E:00:00:01", "FF:FF:FF:FF:FF:FF", "00:00:00:00:00:00"}) {
        set("macCloneMac", clone);
        recorder_.clear();
        networkconfig::wan::WanRun r = run();
        networkconfig::wan::setWanMac(r);
        EXPECT_TRUE(r.refused && ran("ifconfig eth2.2 hw ether 00:01:02:03:04:05")) << clone;
    }
}

TEST_F(WanCommon, PptpStaticRoutesThenDials)
{
    for (auto [key, value] : {std::pair{"wan_pptp_user", "u"},
                              {"wan_pptp_pass", "p"},
                              {"wan_pptp_server", "198.51.100.7"},
                              {"wan_pptp_mode", "0"},
                              {"wan_pptp_opmode", "KeepAlive"},
                              {"wan_pptp_optime", "30"},
                              {"wan_pptp_ip", "203.0.113.2"},
                              {"wan_pptp_netmask", "255.255.255.0"},
                              {"wan_pptp_gateway", "203.0.113.1"}})
        set(key, value);
    networkconfig::wan::WanRun r = run();
    EXPECT_EQ(1, networkconfig::wan::bringUpPptp(r));
    EXPECT_EQ(commands(), concat({{"ifconfig ppp0 down"},
                                  phy(true),
                                  {"ifconfig eth2.2 203.0.113.2 netmask 255.255.255.0", "route del default",
                                   "route add default gw 203.0.113.1",
                                   "route add -net 198.51.100.7 netmask 255.255.255.255 gw 203.0.113.1",
                                   "pppd call pptp &", "nat.sh"}}));
    EXPECT_NE(file("/etc_ro/ppp/options").find("persist\nholdoff 30\n"), std::string::npos);
}

} // namespace
