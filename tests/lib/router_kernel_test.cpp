// Kernel queries, role wrappers and lookups against the virtual router's real interfaces,
// tables and fixture files. Run only inside the virtual router by
// tests/system/helpers_kernel.sh, which sets up the interfaces, routes, neighbours and
// settings these cases expect; on any other host every case is skipped.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <unistd.h>

#include "nvram.h"
#include "qavo/files.h"
#include "qavo/interfaces.h"
#include "qavo/lookups.h"
#include "tests/support/inside_router.h"

namespace {

using Router = qavo::test::InsideRouter;

using Flash = Router;

TEST_F(Router, InterfaceQueriesOnTheWanPort)
{
    char out[18] = "";
    EXPECT_EQ(0, getIfIp("eth2.2", out));
    EXPECT_STREQ("10.0.2.15", out);
    EXPECT_EQ(0, getIfNetmask1("eth2.2", out));
    EXPECT_STREQ("255.255.255.0", out);
    EXPECT_EQ(0, getIfNetmask("eth2.2", out)); // BusyBox ifconfig's "inet addr" line
    EXPECT_STREQ("255.255.255.0", out);
    EXPECT_EQ(0, getIfMac("eth2.2", out));
    EXPECT_STREQ("00:0C:43:76:20:02", out);
    char shortMac[7];
    EXPECT_EQ(0, getAP6Mac("eth2.2", shortMac));
    EXPECT_STREQ("762002", shortMac);
    EXPECT_EQ(1, getIfIsUp("eth2.2"));
    EXPECT_EQ(0, getIfLive("eth2.2"));
    EXPECT_EQ(1, getIfLive("eth2")); // "eth2.2" is not "eth2"
}

TEST_F(Router, DownVethWithAddress)
{
    char out[18] = "";
    EXPECT_EQ(0, getIfIsUp("vt0"));
    EXPECT_EQ(0, getIfIp("vt0", out));
    EXPECT_STREQ("192.168.7.1", out);
    EXPECT_EQ(0, getIfNetmask1("vt0", out));
    EXPECT_STREQ("255.255.0.0", out);
    EXPECT_EQ(0, getIfMac("vt0", out));
    EXPECT_STREQ("02:00:00:00:00:0A", out);
    EXPECT_EQ(1, getIfIsUp("vt1"));
}

TEST_F(Router, NamesOfTheKernelsLongestLengthAndOneBeyond)
{
    // A name of 16 characters that begins with an existing 15-character name: cut to the
    // kernel's field it would read that interface, so it must be refused instead.
    const std::string name = "qavo-15-chars-0", longer = name + "x";
    char out[18] = "";
    EXPECT_EQ(0, getIfIp(name.c_str(), out));
    EXPECT_STREQ("192.168.9.1", out);
    EXPECT_EQ(0, getIfNetmask(name.c_str(), out));
    EXPECT_STREQ("255.255.255.0", out);
    EXPECT_EQ(0, getIfMac(name.c_str(), out));
    EXPECT_STREQ("02:00:00:00:00:0F", out);
    EXPECT_EQ(0, getIfIsUp(name.c_str()));

    strcpy(out, "keep");
    EXPECT_EQ(-1, getIfIp(longer.c_str(), out));
    EXPECT_EQ(-1, getIfNetmask1(longer.c_str(), out));
    EXPECT_EQ(-1, getIfMac(longer.c_str(), out));
    EXPECT_EQ(-1, getAP6Mac(longer.c_str(), out));
    EXPECT_EQ(-1, getIfNetmask(longer.c_str(), out));
    EXPECT_STREQ("keep", out);
    EXPECT_EQ(-1, getIfIsUp(longer.c_str()));
    EXPECT_EQ(1, getIfLive(longer.c_str()));
}

TEST_F(Router, RoleWrappersFollowTheSettings)
{
    char out[18] = "x";
    // Started with OperationMode 1 and wanConnectionMode PPPOE: no ppp0 yet.
    EXPECT_STREQ("eth2.2", getWanIfName());
    EXPECT_STREQ("ppp0", getWanIfNamePPP());
    EXPECT_EQ(0, getWanMac(out));
    EXPECT_STREQ("00:0C:43:76:20:02", out);
    EXPECT_EQ(-1, getWanIp(out));
    EXPECT_STREQ("", out);
    strcpy(out, "x");
    EXPECT_EQ(-1, getWanNetmask(out));
    EXPECT_STREQ("", out);
    // The bridge has no address.
    strcpy(out, "x");
    EXPECT_EQ(-1, getLanIp(out));
    EXPECT_STREQ("", out);
    strcpy(out, "x");
    EXPECT_EQ(-1, getLanNetmask(out)); // ifconfig prints no "inet addr" line
    EXPECT_STREQ("", out);
    EXPECT_EQ(0, getLanMac(out));
    EXPECT_STREQ("00:0C:43:76:20:00", out);

    ASSERT_EQ(0, nvram_bufset(0, "wanConnectionMode", "STATIC"));
    EXPECT_EQ(0, getWanIp(out));
    EXPECT_STREQ("10.0.2.15", out);
    EXPECT_EQ(0, getWanNetmask(out));
    EXPECT_STREQ("255.255.255.0", out);

    ASSERT_EQ(0, nvram_bufset(0, "OperationMode", "2"));
    EXPECT_STREQ("ra0", getWanIfName());
    ASSERT_EQ(0, nvram_bufset(0, "OperationMode", "7"));
    EXPECT_STREQ("ra0", getWanIfName());
    EXPECT_EQ(0, getWanMac(out));
    EXPECT_STREQ("00:0C:43:76:20:00", out);
}

TEST_F(Router, NeighboursAndDefaultRoute)
{
    char mac[18], ip[16];
    arplookup("10.0.2.7", mac);
    EXPECT_STREQ("00:11:22:33:44:55", mac);
    getStationMAC("10.0.2.8", mac);
    EXPECT_STREQ("00:00:00:00:00:00", mac);
    arplookup_ip("00:11:22:33:44:55", ip);
    EXPECT_STREQ("10.0.2.7", ip);
    arplookup_ip("00:11:22:33:44:56", ip);
    EXPECT_STREQ("0.0.0.0", ip);
    char gateway[16] = "x";
    EXPECT_EQ(1, getWanGateway(gateway));
    EXPECT_STREQ("10.0.2.2", gateway);
}

TEST_F(Router, NameServersFromTheResolverFiles)
{
    unlink("/etc/resolv.conf1");
    std::ofstream("/etc/resolv.dnsmasq.conf") << "nameserver 9.9.9.9\nnameserver 8.8.4.4\n";
    char out[16] = "x";
    getDns(2, out);
    EXPECT_STREQ("8.8.4.4", out);
    std::ofstream("/etc/resolv.conf1") << "search lan\n";
    strcpy(out, "x");
    getDns(1, out); // resolv.conf1 exists: the other file is not consulted
    EXPECT_STREQ("", out);
    std::ofstream("/etc/resolv.conf1") << "nameserver 10.0.2.3\n";
    getDns(1, out);
    EXPECT_STREQ("10.0.2.3", out);
    strcpy(out, "x");
    getDns(2, out);
    EXPECT_STREQ("", out);
    unlink("/etc/resolv.conf1");
    unlink("/etc/resolv.dnsmasq.conf");
    strcpy(out, "keep");
    testing::internal::CaptureStderr();
    getDns(1, out);
    EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find("open /etc/resolv.dnsmasq.conf failed"));
    EXPECT_STREQ("keep", out);
}

TEST_F(Flash, SizeAndFactoryWanMac)
{
    EXPECT_EQ(16, getFlashSize());
    EXPECT_NE(0, access("/tmp/FlashSize", F_OK)); // the dump is removed again
    char mac[18] = "x";
    getWanDefMac(mac);
    EXPECT_STREQ("00:0c:43:76:20:9a", mac);
}

} // namespace
