// WAN and repeater status probes and LED requests against the virtual router: real
// addresses on real interfaces, the stand-ins "mii_mgr" and "iwconfig" with canned output
// per call, and the GPIO shim's records. Run only inside the virtual router by
// tests/system/status_probes.sh, which makes the interfaces and the canned replies; on
// any other host every case is skipped.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "nvram.h"
#include "qavo/leds.h"
#include "qavo/wan_status.h"
#include "tests/support/inside_router.h"
#include "tests/support/test_files.h"

namespace {

using Lines = std::vector<std::string>;

using Router = qavo::test::InsideRouter;

void setting(const char *key, const char *value)
{
    ASSERT_EQ(0, nvram_bufset(0, key, value)) << key;
}

void shell(const std::string &command)
{
    ASSERT_EQ(0, system(command.c_str())) << command;
}

// Gives ifname exactly the addresses wanted (none when address is "").
void address(const char *ifname, const char *cidr)
{
    shell(std::string("ip addr flush dev ") + ifname);
    if (cidr[0])
        shell(std::string("ip addr add ") + cidr + " dev " + ifname);
}

std::string status()
{
    char word[QAVO_WAN_STATUS_SIZE];
    get_wan_connect_status(word);
    return word;
}

struct Row {
    const char *mode, *type, *model, *wisp, *phy, *dial;
    const char *ppp0, *usb0, *eth22, *client; // addresses ("" none)
    const char *word;
    int link, result;
};

// Canned PHY replies: 4 has a link, 3 has none, 5 prints nothing.
TEST_F(Router, StatusWordLinkAndResultByModeTypeAndProbes)
{
    const char *wan = "10.0.2.15/24";
    const Row rows[] = {
        {"1", "3G", "", "0", "4", "", "10.64.0.2/32", "", wan, "", "MM_connected", 1, 1},
        {"1", "3G", "", "0", "4", "", "", "10.65.0.2/32", wan, "", "MM_connected", 0, 1},
        {"1", "3G", "ME3760", "0", "4", "", "", "10.65.0.2/32", wan, "", "MM_connected", 1, 1},
        {"1", "3G", "ME3760", "0", "4", "", "10.64.0.2/32", "", wan, "", "MM_connected", 0, 1},
        {"1", "3G", "", "0", "4", "", "", "", wan, "", "MM_disconnected", 0, 0},
        {"1", "3G", "", "0", "4", "NoSim", "", "", wan, "", "MM_disconnected_NoSim", 0, 0},
        {"1", "DHCP", "", "0", "4", "", "", "", wan, "", "MM_connected", 1, 1},
        {"1", "DHCP", "", "0", "4", "", "", "", "", "", "MM_disconnected", 0, 0},
        {"1", "DHCP", "", "0", "3", "", "", "", wan, "", "MM_disconnected", 0, 0},
        {"1", "STATIC", "", "0", "4", "", "", "", "", "", "MM_connected", 1, 1},
        {"1", "STATIC", "", "0", "3", "", "", "", wan, "", "MM_disconnected", 0, 0},
        {"1", "STATIC", "", "0", "5", "", "", "", wan, "", "MM_disconnected", 0, 0},
        {"1", "PPPOE", "", "0", "4", "", "10.64.0.2/32", "", wan, "", "MM_connected", 1, 1},
        {"1", "PPPOE", "", "0", "4", "", "", "", wan, "", "MM_disconnected", 0, 0},
        {"1", "L2TP", "", "0", "3", "", "10.64.0.2/32", "", wan, "", "MM_disconnected", 0, 0},
        {"3", "DHCP", "", "0", "4", "", "", "", wan, "10.66.0.2/24", "MM_connected", 0, 0},
        {"3", "DHCP", "", "1", "4", "", "", "", wan, "", "MM_disconnected", 0, 0},
        {"3", "STATIC", "", "0", "4", "", "", "", wan, "", "MM_connected", 0, 0},
        {"3", "STATIC", "", "1", "4", "", "", "", wan, "", "MM_disconnected", 0, 0},
        {"3", "PPTP", "", "0", "4", "", "10.64.0.2/32", "", wan, "", "MM_connected", 0, 0},
        {"3", "3G", "", "0", "4", "", "", "10.65.0.2/32", wan, "", "MM_disconnected", 0, 0},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(std::string("mode ") + r.mode + " " + r.type + " phy " + r.phy + " wisp " + r.wisp);
        for (auto [key, value] : {std::pair{"OperationMode", r.mode},
                                  {"wanConnectionMode", r.type},
                                  {"wan3gmodel", r.model},
                                  {"wispInterface", r.wisp},
                                  {"WanPhyNum", r.phy},
                                  {"dial3gstatus", r.dial}})
            setting(key, value);
        address("ppp0", r.ppp0);
        address("usb0", r.usb0);
        address("eth2.2", r.eth22);
        address(r.wisp[0] == '1' ? "apclii0" : "apcli0", r.client);
        EXPECT_EQ(r.word, status());
        EXPECT_EQ(r.link, get_wan_link_status());
        EXPECT_EQ(r.result, get_wan_connect_result());
    }
    address("eth2.2", wan);
    address("apcli0", "");
}

TEST_F(Router, PppConnectionUpRemovesTheDiallersNote)
{
    for (auto [key, value] : {std::pair{"OperationMode", "1"}, {"wanConnectionMode", "PPPOE"}, {"WanPhyNum", "4"}})
        setting(key, value);
    address("ppp0", "10.64.0.2/32");
    qavo::test::writeFile("/tmp/pppoeConnectInfo", "dialled\n");
    EXPECT_EQ("MM_connected", status());
    EXPECT_NE(0, access("/tmp/pppoeConnectInfo", F_OK));
    address("ppp0", "");
    qavo::test::writeFile("/tmp/pppoeConnectInfo", "dialled\n");
    EXPECT_EQ("MM_disconnected", status());
    EXPECT_EQ(0, access("/tmp/pppoeConnectInfo", F_OK));
    unlink("/tmp/pppoeConnectInfo");
}

// An output file that cannot be made or opened gives the empty word and 0.
TEST_F(Router, UnopenableProbeOutputGivesTheEmptyWord)
{
    const struct {
        const char *mode, *type, *file;
    } cases[] = {{"1", "STATIC", "/tmp/wanConnectStatus"}, {"3", "STATIC", "/tmp/apcliStatus"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        setting("OperationMode", c.mode);
        setting("wanConnectionMode", c.type);
        setting("WanPhyNum", "4");
        setting("wispInterface", "0");
        unlink(c.file);
        ASSERT_EQ(0, symlink("/nonexistent/dir/output", c.file));
        EXPECT_EQ("", status());
        EXPECT_EQ(0, get_wan_link_status());
        unlink(c.file);
    }
    setting("WiFiOff", "0");
    setting("ApCliEnable", "1");
    ASSERT_EQ(0, symlink("/nonexistent/dir/output", "/tmp/apcliStatus"));
    EXPECT_EQ(0, getRepeaterStatus(0, "apcli0"));
    unlink("/tmp/apcliStatus");
}

TEST_F(Router, SizedStatusNeverWritesPastTheBuffer)
{
    for (auto [key, value] : {std::pair{"OperationMode", "1"}, {"wanConnectionMode", "3G"}, {"dial3gstatus", "NoSim"}})
        setting(key, value);
    address("ppp0", "");
    address("usb0", "");
    char word[32];
    memset(word, 'x', sizeof word);
    EXPECT_EQ(21, get_wan_connect_status_sized(word, 22)); // "MM_disconnected_NoSim"
    EXPECT_STREQ("MM_disconnected_NoSim", word);
    memset(word, 'x', sizeof word);
    EXPECT_EQ(-1, get_wan_connect_status_sized(word, 21));
    EXPECT_STREQ("", word);
    EXPECT_EQ('x', word[1]); // nothing written beyond the terminator

    std::string longWord(QAVO_WAN_STATUS_SIZE, 'w');
    setting("dial3gstatus", longWord.c_str());
    char fixed[QAVO_WAN_STATUS_SIZE + 8];
    memset(fixed, 'x', sizeof fixed);
    get_wan_connect_status(fixed);
    EXPECT_STREQ("", fixed);
    EXPECT_EQ(std::string(8, 'x'), std::string(fixed + QAVO_WAN_STATUS_SIZE, 8));
    setting("dial3gstatus", "");
}

// Two processes probing different interfaces at the same time each read their own output.
TEST_F(Router, ConcurrentProbesReadTheirOwnOutput)
{
    setting("WiFiOff", "0");
    setting("ApCliEnable", "1");
    constexpr int kRounds = 60;
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int wrong = 0;
        for (int i = 0; i < kRounds; ++i)
            wrong += getRepeaterStatus(0, "apclii0") != 0;
        _exit(wrong);
    }
    int wrong = 0;
    for (int i = 0; i < kRounds; ++i)
        wrong += getRepeaterStatus(0, "apcli0") != 1;
    int childStatus = 0;
    ASSERT_EQ(child, waitpid(child, &childStatus, 0));
    EXPECT_EQ(0, wrong);
    EXPECT_TRUE(WIFEXITED(childStatus));
    EXPECT_EQ(0, WEXITSTATUS(childStatus));
}

// The shim's records of this process since the given number of log bytes, without times.
Lines gpioRecords(size_t from)
{
    Lines records;
    std::string log = qavo::test::readFile("/.vrouter/log/gpio.log").substr(from);
    std::string mine = " " + std::to_string(getpid()) + " ";
    for (size_t at = 0, end; at < log.size(); at = end + 1) {
        end = log.find('\n', at);
        std::string line = log.substr(at, end - at);
        size_t pid = line.find(mine);
        if (pid != std::string::npos) {
            size_t program = line.find(' ', pid + mine.size());
            records.push_back(line.substr(program + 1));
        }
    }
    return records;
}

Lines requests(std::initializer_list<const char *> words)
{
    Lines lines;
    for (const char *w : words)
        lines.insert(lines.end(), {"open /dev/gpio", std::string("ioctl 0x41 ") + w, "close"});
    return lines;
}

TEST_F(Router, LedRequestsReachTheDriverWordForWord)
{
    const struct {
        const char *what;
        int (*call)();
        int result;
        Lines records;
    } cases[] = {
        {"limits", [] { return gpioLedSet(72, 4000, 4000, 4000, 4000, 4000); }, 0,
         requests({"72 4000 4000 4000 4000 4000"})},
        {"line 73", [] { return gpioLedSet(73, 0, 0, 0, 0, 0); }, -1, {}},
        {"4001", [] { return gpioLedSet(1, 0, 0, 0, 4001, 0); }, -1, {}},
        {"always on", [] { return ledAlways(5, 1); }, 0, requests({"5 4000 0 1 1 4000"})},
        {"always off", [] { return ledAlways(5, 0); }, 0, requests({"5 0 4000 1 1 4000"})},
        {"WPS 1", [] { return ledWps(6, 1); }, 0, requests({"6 11 11 4000 1 4000"})},
        {"WPS 2", [] { return ledWps(6, 2); }, 0, requests({"6 4000 0 0 0 1"})},
        {"WPS 3", [] { return ledWps(6, 3); }, 0, requests({"6 11 11 4000 1 4000"})},
        {"WPS 4", [] { return ledWps(6, 4); }, 0, requests({"6 11 11 4000 1 4000"})},
        {"WPS 5", [] { return ledWps(6, 5); }, 0, requests({"6 11 11 4000 1 4000"})},
        {"WPS 0", [] { return ledWps(6, 0); }, 0, {}},
        {"WPS 6", [] { return ledWps(6, 6); }, 0, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        size_t from = qavo::test::readFile("/.vrouter/log/gpio.log").size();
        EXPECT_EQ(c.result, c.call());
        EXPECT_EQ(c.records, gpioRecords(from));
    }
}

TEST_F(Router, SystemLedByTheRedLedSetting)
{
    const struct {
        const char *system, *red;
        Lines records;
    } cases[] = {
        {"9", "1000", requests({"9 11 11 4000 1 4000"})},
        {"9", "5000", requests({"9 11 11 4000 1 4000"})},
        {"9", "8", requests({"8 4000 0 0 0 1", "9 4000 0 0 0 1"})},
        {"9", "500", requests({"9 4000 0 0 0 1"})}, // the red line is out of range: refused
        {"", "", requests({"0 4000 0 0 0 1", "0 4000 0 0 0 1"})},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.system) + "/" + c.red);
        setting("Led_sys", c.system);
        setting("Led_sys_red", c.red);
        size_t from = qavo::test::readFile("/.vrouter/log/gpio.log").size();
        setSysLEDBlink();
        EXPECT_EQ(c.records, gpioRecords(from));
    }
}

} // namespace
