// The mode steps of "initwan" in a dry run, called after the common path: the command
// sequence of each mode and variant, the failure ends, and hostile values in every WAN
// setting reaching no command.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "tests/networkconfig/wan_fixture.h"

namespace {

using namespace networkconfig::wan;

class WanModes : public WanTest {
protected:
    void setAll(std::initializer_list<std::pair<const char *, const char *>> values)
    {
        for (auto [key, value] : values)
            set(key, value);
    }
};

TEST_F(WanModes, StaticSetsAddressRouteResolverAndSignalsTheSubscriber)
{
    setAll({{"wan_ipaddr", "203.0.113.2"},
            {"wan_netmask", "255.255.255.0"},
            {"wan_static_mtu", "1400"},
            {"wan_gateway", "203.0.113.1"},
            {"wan_dns_mode", "0"},
            {"wan_primary_dns", "203.0.113.53"},
            {"wan_secondary_dns", ""}});
    WanRun r = run();
    EXPECT_EQ(1, bringUpStatic(r));
    EXPECT_EQ(commands(), concat({{"ifconfig eth2.2 203.0.113.2 netmask 255.255.255.0 mtu 1400", "route del default",
                                   "route add default gw 203.0.113.1"},
                                  phy(true),
                                  {"killall -SIGTSTP qavo_sub", "nat.sh"}}));
    EXPECT_EQ(file("/etc/resolv.conf"), "nameserver 203.0.113.53\n");
}

TEST_F(WanModes, RefusedStaticAddressLeavesTheWanWithoutAnAddress)
{
    setAll({{"wan_ipaddr", ""},
            {"wan_netmask", "255.255.255.0"},
            {"wan_static_mtu", "1500"},
            {"wan_gateway", "203.0.113.1"}});
    WanRun r = run();
    EXPECT_EQ(0, bringUpStatic(r));
    EXPECT_EQ(commands(), concat({{"route del default", "route add default gw 203.0.113.1"},
                                  phy(true),
                                  {"killall -SIGTSTP qavo_sub", "nat.sh"}}));
}

TEST_F(WanModes, RefusedStaticMtuLeavesOutOnlyTheMtu)
{
    setAll({{"wan_ipaddr", "203.0.113.2"}, {"wan_netmask", "255.255.255.0"}, {"wan_gateway", "203.0.113.1"}});
    for (const char *mtu : {"", "15OO", "0", "1500;reboot"}) {
        set("wan_static_mtu", mtu);
        recorder_.clear();
        WanRun r = run();
        EXPECT_EQ(0, bringUpStatic(r)) << mtu;
        EXPECT_EQ(commands().front(), "ifconfig eth2.2 203.0.113.2 netmask 255.255.255.0") << mtu;
    }
}

TEST_F(WanModes, DhcpSendsTheHostNameOnlyWhenThereIsAValidOne)
{
    struct Case {
        const char *hostName;
        const char *client;
        int result;
    };
    const Case cases[] = {
        {"", "udhcpc -i eth2.2  -s /sbin/udhcpc.sh -p /var/run/udhcpc.pid -S &", 1},
        {"my-router", "udhcpc -i eth2.2 -h my-router -s /sbin/udhcpc.sh -p /var/run/udhcpc.pid -S &", 1},
        {"bad;name", "udhcpc -i eth2.2  -s /sbin/udhcpc.sh -p /var/run/udhcpc.pid -S &", 0},
        {"-x", "udhcpc -i eth2.2  -s /sbin/udhcpc.sh -p /var/run/udhcpc.pid -S &", 0},
    };
    for (const Case &c : cases) {
        recorder_.clear();
        setAll({{"wan_dhcp_mtu", "1500"}, {"wan_dhcp_hn", c.hostName}});
        WanRun r = run();
        EXPECT_EQ(c.result, bringUpDhcp(r)) << c.hostName;
        EXPECT_EQ(commands(),
                  concat({{"ifconfig eth2.2 0.0.0.0 mtu 1500", c.client}, phy(true), {"config-dnsmasq.sh", "nat.sh"}}))
            << c.hostName;
    }
}

TEST_F(WanModes, DhcpAndPppoeRewriteResolverOnlyWithManualDns)
{
    setAll({{"wan_dhcp_mtu", "1500"}, {"wan_pppoe_mtu", "1492"}, {"wan_primary_dns", "9.9.9.9"}});
    for (const char *mode : {"0", "1"}) {
        set("wan_dns_mode", mode);
        std::filesystem::remove(path("/etc/resolv.conf"));
        WanRun r = run();
        bringUpDhcp(r);
        EXPECT_EQ(file("/etc/resolv.conf"), mode[0] == '1' ? "nameserver 9.9.9.9\n" : "") << mode;
        std::filesystem::remove(path("/etc/resolv.conf"));
        WanRun p = run();
        bringUpPppoe(p);
        EXPECT_EQ(file("/etc/resolv.conf"), mode[0] == '1' ? "nameserver 9.9.9.9\n" : "") << mode;
    }
}

TEST_F(WanModes, PppoeWritesItsOptionsAndStartsPppd)
{
    setAll({{"wan_pppoe_opmode", ""}, {"wan_pppoe_user_mm", "u"}, {"wan_pppoe_pass", "p"}, {"wan_pppoe_mtu", "1492"}});
    WanRun r = run();
    EXPECT_EQ(1, bringUpPppoe(r));
    EXPECT_EQ(commands(), concat({{"ifconfig ppp0 down"},
                                  phy(true),
                                  {"route del default", "rm -rf /tmp/pppoeConnectInfo",
                                   "pppd file /etc/options.pppoe > /tmp/pppoeConnectInfo &", "ifconfig eth2.2 mtu 1492",
                                   "config-dnsmasq.sh", "nat.sh"}}));
    EXPECT_NE(file("/etc/options.pppoe").find("user u\npassword p\n"), std::string::npos);
}

TEST_F(WanModes, PppoeFileErrorAndOverlongDialOption)
{
    set("wan_pppoe_opmode", "KeepAlive");
    std::filesystem::remove_all(path("/etc"));
    testing::internal::CaptureStdout();
    WanRun r = run();
    EXPECT_EQ(0, bringUpPppoe(r));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\r\nopen pppoe  config file error");
    EXPECT_EQ(commands(), concat({{"ifconfig ppp0 down"}, phy(true), {"route del default"}, phy(true), {"nat.sh"}}));

    // A dial option longer than its 63-character buffer is refused, not cut to KeepAlive.
    std::filesystem::create_directories(path("/etc"));
    set("wan_pppoe_opmode", "KeepAlive" + std::string(60, 'x'));
    set("wan_pppoe_mtu", "1492");
    WanRun longer = run();
    EXPECT_EQ(0, bringUpPppoe(longer));
    EXPECT_EQ(file("/etc/options.pppoe").find("persist"), std::string::npos);
}

TEST_F(WanModes, L2tpStaticStartsXl2tpdAndDhcpVariantStartsTheClient)
{
    setAll({{"wan_l2tp_user", "u"},
            {"wan_l2tp_pass", "p"},
            {"wan_l2tp_server", "198.51.100.7"},
            {"wan_l2tp_ip", "203.0.113.2"},
            {"wan_l2tp_netmask", "255.255.255.0"},
            {"wan_l2tp_gateway", "203.0.113.1"}});
    const Lines start = concat({{"ifconfig ppp0 down", "rm -rf /etc_ro/ppp/options"}, phy(true)});
    set("wan_l2tp_mode", "0");
    WanRun r = run();
    EXPECT_EQ(1, bringUpL2tp(r));
    EXPECT_EQ(commands(), concat({start,
                                  {"ifconfig eth2.2 203.0.113.2 netmask 255.255.255.0", "route del default",
                                   "route add default gw 203.0.113.1",
                                   "route add -net 198.51.100.7 netmask 255.255.255.255 gw 203.0.113.1",
                                   "xl2tpd -c /etc_ro/xl2tpd.conf &", "nat.sh"}}));
    recorder_.clear();
    std::filesystem::remove(path("/etc_ro/xl2tpd.conf"));
    set("wan_l2tp_mode", "1");
    WanRun dhcp = run();
    EXPECT_EQ(1, bringUpL2tp(dhcp));
    EXPECT_EQ(commands(), concat({start, {"udhcpc -i eth2.2  -s /sbin/udhcpc.sh -p /var/run/udhcpc.pid &", "nat.sh"}}));
    EXPECT_NE(file("/etc_ro/xl2tpd.conf"), "");
    EXPECT_NE(file("/etc_ro/ppp/options.xl2ptd"), "");
}

TEST_F(WanModes, L2tpFailureEndsNameTheFile)
{
    struct Case {
        const char *remove;
        const char *message;
    };
    for (const Case &c : {Case{"/etc_ro", "\r\nopen xl2tpd-config file error"},
                          Case{"/etc_ro/ppp", "\r\nopen xl2tpd-options file error"}}) {
        std::filesystem::create_directories(path("/etc_ro/ppp"));
        std::filesystem::remove_all(path(c.remove));
        recorder_.clear();
        testing::internal::CaptureStdout();
        WanRun r = run();
        EXPECT_EQ(0, bringUpL2tp(r));
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.message);
        EXPECT_EQ(commands().back(), "nat.sh");
        EXPECT_EQ(std::count(commands().begin(), commands().end(), "xl2tpd -c /etc_ro/xl2tpd.conf &"), 0);
    }
}

TEST_F(WanModes, PptpDhcpVariantAndFileError)
{
    setAll({{"wan_pptp_user", "u"},
            {"wan_pptp_pass", "p"},
            {"wan_pptp_server", "vpn.example.net"},
            {"wan_pptp_mode", "1"},
            {"wan_pptp_opmode", "OnDemand"},
            {"wan_pptp_optime", "30"}});
    WanRun r = run();
    EXPECT_EQ(1, bringUpPptp(r));
    EXPECT_EQ(commands(), concat({{"ifconfig ppp0 down"},
                                  phy(true),
                                  {"udhcpc -i eth2.2  -s /sbin/udhcpc.sh -p /var/run/udhcpc.pid &", "nat.sh"}}));
    EXPECT_NE(file("/etc_ro/ppp/options").find("demand\nidle 1800\n"), std::string::npos);

    std::filesystem::remove_all(path("/etc_ro/ppp/peers"));
    recorder_.clear();
    testing::internal::CaptureStdout();
    WanRun failing = run();
    EXPECT_EQ(0, bringUpPptp(failing));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(commands(), concat({{"ifconfig ppp0 down"}, phy(true), {"nat.sh"}}));
}

struct PppMode {
    int (*bringUp)(WanRun &);
    const char *daemon;
};
const PppMode kPppoe{bringUpPppoe, "pppd file /etc/options.pppoe > /tmp/pppoeConnectInfo &"};
const PppMode kL2tp{bringUpL2tp, "xl2tpd -c /etc_ro/xl2tpd.conf &"};
const PppMode kPptp{bringUpPptp, "pppd call pptp &"};
enum class Line { Kept, Dropped, StopsDaemon };

// A value pppd would read as something else loses its line, named; when the daemon needs
// that line it is not started (also when the value only overflows its line once escaped).
TEST_F(WanModes, ValuesPppdReadsOtherwiseLoseTheirLine)
{
    struct Case {
        const char *key;
        std::string value;
        PppMode mode;
        const char *path;
        Line line;
    };
    const std::string tooLong(256, 'x');
    const Case cases[] = {
        {"wan_pptp_pass", "@/etc/shadow", kPptp, "/etc_ro/ppp/chap-secrets", Line::StopsDaemon},
        {"wan_pptp_pass", "a@b", kPptp, "/etc_ro/ppp/chap-secrets", Line::Kept},
        {"wan_pptp_user", tooLong, kPptp, "/etc_ro/ppp/peers/pptp", Line::StopsDaemon},
        {"wan_pptp_server", "a b", kPptp, "/etc_ro/ppp/peers/pptp", Line::StopsDaemon},
        {"wan_pppoe_pass", "@/etc/shadow", kPppoe, "/etc/options.pppoe", Line::Kept}, // an option, not a secret
        {"wan_pppoe_pass", std::string(255, 'x'), kPppoe, "/etc/options.pppoe", Line::Kept},
        {"wan_pppoe_user_mm", tooLong, kPppoe, "/etc/options.pppoe", Line::StopsDaemon},
        {"wan_pppoe_mtu", "128", kPppoe, "/etc/options.pppoe", Line::Kept},
        {"wan_pppoe_mtu", "127", kPppoe, "/etc/options.pppoe", Line::Dropped},
        {"wan_pppoe_mtu", "16385", kPppoe, "/etc/options.pppoe", Line::Dropped},
        {"wan_l2tp_user", tooLong, kL2tp, "/etc_ro/xl2tpd.conf", Line::StopsDaemon},
        {"wan_l2tp_pass", std::string(255, '\x01'), kL2tp, "/etc_ro/ppp/options.xl2ptd", Line::StopsDaemon},
    };
    for (const Case &c : cases) {
        // "1492" is an ordinary value of each of these settings.
        for (const char *key :
             {"wan_pppoe_opmode", "wan_pppoe_user_mm", "wan_pppoe_pass", "wan_pppoe_mtu", "wan_l2tp_user",
              "wan_l2tp_pass", "wan_l2tp_server", "wan_pptp_user", "wan_pptp_pass", "wan_pptp_server"})
            set(key, "1492");
        set(c.key, c.value);
        recorder_.clear();
        testing::internal::CaptureStderr();
        WanRun r = run();
        c.mode.bringUp(r);
        std::string err = testing::internal::GetCapturedStderr();
        bool kept = c.line == Line::Kept;
        EXPECT_EQ(file(c.path).find(c.value) != std::string::npos, kept) << c.key << ": " << err;
        EXPECT_EQ(err.find(std::string("setting ") + c.key) != std::string::npos, !kept) << err;
        EXPECT_EQ(err.find("text from"), std::string::npos) << err;
        bool started = std::count(commands().begin(), commands().end(), c.mode.daemon) == 1;
        EXPECT_EQ(started, c.line != Line::StopsDaemon) << c.key << ": " << err;
    }
}

struct HostileSetting {
    const char *key;
    int (*bringUp)(WanRun &);
};

// Every WAN setting that reaches a command line, with the mode that uses it; the other
// settings of the mode hold ordinary values. The static PPTP address takes the same steps
// as the static L2TP one.
TEST_F(WanModes, HostileValuesReachNoCommand)
{
    const HostileSetting settings[] = {
        {"wan_ipaddr", bringUpStatic},     {"wan_netmask", bringUpStatic},   {"wan_static_mtu", bringUpStatic},
        {"wan_gateway", bringUpStatic},    {"wan_dhcp_mtu", bringUpDhcp},    {"wan_dhcp_hn", bringUpDhcp},
        {"wan_pppoe_mtu", bringUpPppoe},   {"wan_l2tp_ip", bringUpL2tp},     {"wan_l2tp_netmask", bringUpL2tp},
        {"wan_l2tp_gateway", bringUpL2tp}, {"wan_l2tp_server", bringUpL2tp}, {"wan_pptp_server", bringUpPptp},
    };
    const char *const hostile[] = {"1.2.3.4;touch pwned",  "$(touch pwned)",         "`touch pwned`",
                                   "1.2.3.4\ntouch pwned", "1.2.3.4 && touch pwned", "-pwned"};
    const std::map<std::string, const char *> ordinary = {
        {"wan_ipaddr", "203.0.113.2"},
        {"wan_netmask", "255.255.255.0"},
        {"wan_static_mtu", "1500"},
        {"wan_gateway", "203.0.113.1"},
        {"wan_dhcp_mtu", "1500"},
        {"wan_dhcp_hn", "host"},
        {"wan_pppoe_mtu", "1492"},
        {"wan_l2tp_ip", "203.0.113.2"},
        {"wan_l2tp_netmask", "255.255.255.0"},
        {"wan_l2tp_gateway", "203.0.113.1"},
        {"wan_l2tp_server", "198.51.100.7"},
        {"wan_pptp_server", "198.51.100.7"},
    };
    for (const auto &[key, value] : ordinary)
        set(key.c_str(), value);
    setAll({{"wan_pppoe_opmode", "KeepAlive"}, {"wan_l2tp_mode", "0"}, {"wan_pptp_mode", "1"}});
    for (const HostileSetting &s : settings) {
        for (const char *value : hostile) {
            set(s.key, value);
            recorder_.clear();
            WanRun r = run();
            EXPECT_EQ(0, s.bringUp(r)) << s.key << " = " << value;
            for (const std::string &command : commands())
                EXPECT_EQ(command.find("pwned"), std::string::npos) << s.key << ": " << command;
        }
        set(s.key, ordinary.at(s.key));
    }
}

} // namespace
