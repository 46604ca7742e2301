// "initlan" and "getdhcpdconfig" in a dry run: the command sequence by platform, flags
// and operation mode, and what a refused setting leaves out, without root.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "lib/run_lock.h"
#include "networkconfig/handlers.h"
#include "tests/support/dry_run.h"
#include "tests/support/tool_run.h"

namespace {

using Lines = std::vector<std::string>;

constexpr int kMtk7620 = 4;
constexpr int kRa3050x = 2;

Lines phy(const char *reg0, const char *reg4)
{
    Lines lines;
    for (const char *reg : {reg0, reg4})
        for (int port = 1; port <= 4; ++port)
            lines.push_back("mii_mgr -s -p " + std::to_string(port) + " -r " + reg);
    return lines;
}

using qavo::test::concat;

class LanCommands : public DryRunTest {
protected:
    void SetUp() override
    {
        DryRunTest::SetUp();
        ASSERT_EQ(0, mkdir((*tree_ / "etc").c_str(), 0755));
        for (auto [key, value] : {std::pair{"lan_ipaddr", "192.168.10.1"},
                                  {"lan_netmask", "255.255.255.0"},
                                  {"dhcpStart", "192.168.10.100"},
                                  {"dhcpEnd", "192.168.10.200"},
                                  {"dhcpMask", "255.255.255.0"},
                                  {"dhcpEnabled", "1"}})
            set(key, value);
    }

    Lines initLan(int platform)
    {
        char message[networkconfig::kMessageSize] = {};
        EXPECT_EQ(1, ombix_networkconfig_init_lan(platform, message));
        return recorder_.commands();
    }
};

TEST_F(LanCommands, GatewayModeWithEveryFlagOnRunsTheWholeSequenceInOrder)
{
    for (auto [key, value] : {std::pair{"OperationMode", "1"},
                              {"lltdEnabled", "1"},
                              {"radvdEnabled", "1"},
                              {"upnpEnabled", "0"},
                              {"igmpEnabled", "1"},
                              {"HostName", ""}})
        set(key, value);
    Lines expected = concat({phy("0 -v 0xB900", "4 -v 0x05E1"),
                             {"ifconfig br0 down", "ifconfig br0 192.168.10.1 netmask 255.255.255.0 up",
                              "killall udhcpd", "nat.sh &", "udhcpd /etc/udhcpd.conf"},
                             phy("0 -v 0x3100", "4 -v 0x25E1"),
                             {"hostname PELVANTO", "echo \"127.0.0.1 localhost.localdomain localhost\" > /etc/hosts",
                              "echo \"192.168.10.1 PELVANTO.co PELVANTO\" >> /etc/hosts", "lld2d br0", "radvd.sh",
                              "miniupnpd.sh remove", "killall -q minuupnpd", "config-igmpproxy.sh"}});
    EXPECT_EQ(expected, initLan(kMtk7620));
    for (bool echo : recorder_.echoes())
        EXPECT_TRUE(echo);
    EXPECT_NE(std::string::npos, qavo::test::readFile(*tree_ / "etc/udhcpd.conf").find("interface br0\n"));
}

TEST_F(LanCommands, PlatformWithoutSwitchSkipsPhyAndDhcpServer)
{
    for (auto [key, value] : {std::pair{"OperationMode", "2"},
                              {"HostName", "gw"},
                              {"lltdEnabled", "11"},
                              {"upnpEnabled", "1"},
                              {"igmpEnabled", "0"}})
        set(key, value);
    Lines expected{"ifconfig br0 down",
                   "ifconfig br0 192.168.10.1 netmask 255.255.255.0 up",
                   "killall udhcpd",
                   "hostname gw",
                   "echo \"127.0.0.1 localhost.localdomain localhost\" > /etc/hosts",
                   "echo \"192.168.10.1 gw.co gw\" >> /etc/hosts",
                   "miniupnpd.sh init",
                   "killall -q igmpproxy",
                   "rm -rf igmpproxyStatus"};
    EXPECT_EQ(expected, initLan(kRa3050x));
    EXPECT_EQ("", qavo::test::readFile(*tree_ / "etc/udhcpd.conf"));
}

TEST_F(LanCommands, HostModeJoinsTheLanByAddressOrByDhcp)
{
    struct Case {
        const char *autoDhcp;
        Lines tail;
    } cases[] = {
        {"0",
         {"killall -q udhcpc", "route add -net 224.0.0.0 netmask 224.0.0.0 br0",
          "route add default gw 192.168.10.254 br0", "killall -q daemon.sh"}},
        {"1",
         {"killall -q udhcpc", "udhcpc -i br0 -s /sbin/udhcpc.sh -p /var/run/udhcpc.pid &", "killall -q daemon.sh"}},
    };
    for (const Case &c : cases) {
        recorder_.clear();
        for (auto [key, value] : {std::pair{"OperationMode", "0"},
                                  {"HostName", "gw"},
                                  {"LanAutoDhcp", c.autoDhcp},
                                  {"lan_gateway", "192.168.10.254"},
                                  {"upnpEnabled", "1"}})
            set(key, value);
        Lines commands = initLan(kRa3050x);
        ASSERT_GE(commands.size(), c.tail.size());
        EXPECT_EQ(c.tail, Lines(commands.end() - static_cast<long>(c.tail.size()), commands.end()))
            << "LanAutoDhcp=" << c.autoDhcp;
    }
}

TEST_F(LanCommands, RefusedSettingLeavesOutOnlyItsOwnCommands)
{
    set("OperationMode", "1");
    set("HostName", "gw;reboot");
    Lines commands = initLan(kRa3050x);
    for (const std::string &line : commands) {
        EXPECT_EQ(std::string::npos, line.find("reboot")) << line;
        EXPECT_NE(0u, line.rfind("hostname", 0)) << line;
    }
    EXPECT_NE(commands.end(), std::find(commands.begin(), commands.end(), "miniupnpd.sh remove"));
}

// The address is checked before the bridge goes down: a refused one leaves br0 as it is.
TEST_F(LanCommands, RefusedLanAddressLeavesTheBridgeAsItIs)
{
    for (auto [key, value] : {std::pair{"lan_ipaddr", "192.168.10.256"},
                              {"lan_netmask", "255.0.255.0"},
                              {"lan_netmask", "255.255.255.0 $(reboot)"},
                              {"lan_ipaddr", "192.168.10.1;reboot"}}) {
        SCOPED_TRACE(value);
        set("lan_ipaddr", "192.168.10.1");
        set("lan_netmask", "255.255.255.0");
        set(key, value);
        set("HostName", "gw");
        recorder_.clear();
        testing::internal::CaptureStderr();
        Lines commands = initLan(kMtk7620);
        std::string err = testing::internal::GetCapturedStderr();
        for (const std::string &line : commands)
            EXPECT_NE(0u, line.rfind("ifconfig br0", 0)) << line;
        EXPECT_NE(std::string::npos, err.find(std::string("Error: setting ") + key)) << err;
        EXPECT_NE(commands.end(), std::find(commands.begin(), commands.end(), "udhcpd /etc/udhcpd.conf"))
            << "the rest of the bring-up still runs";
    }
}

// With /etc full the new configuration cannot be written; the old one is intact, and the
// DHCP server that was stopped is started again on it.
TEST_F(LanCommands, UnwritableConfigurationRestartsTheServerOnTheOldFile)
{
    const std::string old = "start 192.168.10.100\nend 192.168.10.200\ninterface br0\n";
    qavo::test::writeFile(*tree_ / "etc/udhcpd.conf", old);
    set("HostName", "gw");
    set("OperationMode", "1");
    // A full file system, as the writer sees it: no file may grow past 16 bytes.
    signal(SIGXFSZ, SIG_IGN);
    rlimit before{};
    getrlimit(RLIMIT_FSIZE, &before);
    rlimit full = before;
    full.rlim_cur = 16;
    setrlimit(RLIMIT_FSIZE, &full);
    testing::internal::CaptureStderr();
    char message[networkconfig::kMessageSize] = {};
    int result = ombix_networkconfig_init_lan(kMtk7620, message);
    setrlimit(RLIMIT_FSIZE, &before);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(1, result);
    Lines commands = recorder_.commands();
    auto killed = std::find(commands.begin(), commands.end(), "killall udhcpd");
    ASSERT_NE(commands.end(), killed);
    EXPECT_NE(commands.end(), std::find(killed, commands.end(), "udhcpd /etc/udhcpd.conf"));
    EXPECT_EQ(commands.end(), std::find(commands.begin(), commands.end(), "nat.sh &"));
    EXPECT_EQ(old, qavo::test::readFile(*tree_ / "etc/udhcpd.conf"));

    // Without an old file there is nothing to start the server on.
    unlink((*tree_ / "etc/udhcpd.conf").c_str());
    recorder_.clear();
    setrlimit(RLIMIT_FSIZE, &full);
    testing::internal::CaptureStderr();
    ombix_networkconfig_init_lan(kMtk7620, message);
    setrlimit(RLIMIT_FSIZE, &before);
    testing::internal::GetCapturedStderr();
    commands = recorder_.commands();
    EXPECT_EQ(commands.end(), std::find(commands.begin(), commands.end(), "udhcpd /etc/udhcpd.conf"));
}

TEST_F(LanCommands, EveryValidHostNameIsSetAndGetsItsHostsEntry)
{
    for (size_t length : {45u, 46u, 63u, 64u}) {
        const std::string name = "h" + std::string(length - 1, 'x');
        set("HostName", name);
        set("lan_ipaddr", "192.168.100.100");
        set("OperationMode", "1");
        recorder_.clear();
        Lines commands = initLan(kMtk7620);
        const std::string hosts = "echo \"192.168.100.100 " + name + ".co " + name + "\" >> /etc/hosts";
        EXPECT_NE(commands.end(), std::find(commands.begin(), commands.end(), "hostname " + name)) << length;
        EXPECT_NE(commands.end(), std::find(commands.begin(), commands.end(), hosts)) << length;
    }
}

// "initlan" and "getdhcpdconfig" reconfigure the LAN one run at a time; "routinginit"
// does not wait for them.
TEST_F(LanCommands, LanRunsWaitForEachOtherButNotForOtherParts)
{
    using Clock = std::chrono::steady_clock;
    int ready[2];
    ASSERT_EQ(0, pipe(ready));
    pid_t first = fork();
    if (first == 0) {
        qavo::RunLock lock(networkconfig::kLanLock, "initlan", 1000);
        (void)!write(ready[1], "x", 1);
        usleep(700 * 1000);
        _exit(0);
    }
    char byte;
    ASSERT_EQ(1, read(ready[0], &byte, 1));
    close(ready[0]);
    close(ready[1]);

    char message[networkconfig::kMessageSize] = {};
    auto start = Clock::now();
    EXPECT_EQ(1, ombix_networkconfig_init_routing(kMtk7620, message));
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - start).count(), 0.5);
    EXPECT_EQ(1, ombix_networkconfig_gen_lanDhcpdConfig(kMtk7620, message));
    EXPECT_GE(std::chrono::duration<double>(Clock::now() - start).count(), 0.6)
        << "the second LAN run did not wait for the first";
    waitpid(first, nullptr, 0);
}

} // namespace
