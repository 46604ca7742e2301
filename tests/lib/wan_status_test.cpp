// The WAN and repeater status probes in a dry run: the PHY tool's and iwconfig's output
// comes from the recorder, and the commands run are checked. The cases that need an
// address on a WAN interface run inside the virtual router (router_status_test.cpp).
#include <gtest/gtest.h>

#include <string>
#include <unistd.h>

#include "nvram.h"
#include "qavo/wan_status.h"
#include "tests/support/dry_run.h"

namespace {

constexpr char kPhyOutput[] = "/tmp/wanConnectStatus";
constexpr char kClientOutput[] = "/tmp/apcliStatus";

// PHY 4 has a link, 3 has none, 5 prints nothing; apcli0 is
// associated, apclii0 is not, ra0 prints nothing.
class WanStatus : public DryRunTest {
protected:
    void SetUp() override
    {
        DryRunTest::SetUp();
        writes("mii_mgr -g -p 4 ", kPhyOutput, "Get: phy[4].reg[1] = 796d\n");
        writes("mii_mgr -g -p 3 ", kPhyOutput, "Get: phy[3].reg[1] = 7949\n");
        writes("mii_mgr -g -p 5 ", kPhyOutput, "");
        writes("iwconfig apcli0 ", kClientOutput, "apcli0    RTWIFI SoftAP  ESSID:\"upstream\"\n");
        writes("iwconfig apclii0 ", kClientOutput, "apclii0   Mode:Managed  Access Point: Not-Associated\n");
        writes("iwconfig ra0 ", kClientOutput, "");
    }
    // Only the command given ran (one or more times), or none when it is "".
    void expectOnly(const std::string &command)
    {
        EXPECT_EQ(!command.empty(), !recorder_.commands().empty());
        for (const std::string &line : recorder_.commands())
            EXPECT_EQ(command, line);
        for (const char *output : {kPhyOutput, kClientOutput})
            unlink((tree_->path() + output).c_str());
        recorder_.clear();
    }
};

TEST_F(WanStatus, WordLinkAndResultByModeTypeAndProbe)
{
    const struct {
        const char *mode, *type, *wisp, *phy, *dial, *word;
        int link, result;
        std::string probe;
    } rows[] = {
        {"1", "3G", "0", "4", "", "MM_disconnected", 0, 0, ""},
        {"1", "3G", "0", "4", "NoSim", "MM_disconnected_NoSim", 0, 0, ""},
        {"1", "STATIC", "0", "4", "", "MM_connected", 1, 1, "mii_mgr -g -p 4 -r 1 > /tmp/wanConnectStatus"},
        {"1", "STATIC", "0", "3", "", "MM_disconnected", 0, 0, "mii_mgr -g -p 3 -r 1 > /tmp/wanConnectStatus"},
        {"1", "STATIC", "0", "5", "", "MM_disconnected", 0, 0, "mii_mgr -g -p 5 -r 1 > /tmp/wanConnectStatus"},
        {"1", "DHCP", "0", "4", "", "MM_disconnected", 0, 0, "mii_mgr -g -p 4 -r 1 > /tmp/wanConnectStatus"},
        {"1", "PPPOE", "0", "4", "", "MM_disconnected", 0, 0, "mii_mgr -g -p 4 -r 1 > /tmp/wanConnectStatus"},
        {"3", "STATIC", "0", "4", "", "MM_connected", 0, 0, "iwconfig apcli0 > /tmp/apcliStatus"},
        {"3", "STATIC", "1", "4", "", "MM_disconnected", 0, 0, "iwconfig apclii0 > /tmp/apcliStatus"},
        {"3", "DHCP", "0", "4", "", "MM_disconnected", 0, 0, ""},
        {"3", "PPTP", "0", "4", "", "MM_disconnected", 0, 0, ""},
        {"0", "STATIC", "0", "4", "", "MM_unknown", 0, 0, ""},
        {"2", "STATIC", "0", "4", "", "MM_unknown", 0, 0, ""},
        {"", "STATIC", "0", "4", "", "MM_unknown", 0, 0, ""},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(std::string("mode ") + r.mode + " " + r.type + " phy " + r.phy + " wisp " + r.wisp);
        settings({{"OperationMode", r.mode},
                  {"wanConnectionMode", r.type},
                  {"wispInterface", r.wisp},
                  {"WanPhyNum", r.phy},
                  {"dial3gstatus", r.dial}});
        char word[QAVO_WAN_STATUS_SIZE];
        get_wan_connect_status(word);
        EXPECT_EQ(r.word, std::string(word));
        EXPECT_EQ(r.link, get_wan_link_status());
        EXPECT_EQ(r.result, get_wan_connect_result());
        expectOnly(r.probe);
    }
}

TEST_F(WanStatus, RepeaterBySettingsAndAssociation)
{
    const struct {
        int section;
        const char *wifiOff, *apcliEnable, *ifname;
        int result;
        bool probed;
    } rows[] = {
        {0, "0", "1", "apcli0", 1, true},
        {0, "0", "1", "apclii0", 0, true},
        {0, "0", "1", "ra0", 0, true},
        {0, "1", "1", "apcli0", 0, false},
        {0, "0", "0", "apcli0", 0, false},
        {0, "", "1", "apcli0", 1, true},
        {1, "0", "1", "apcli0", 1, true},
        {1, "0", "2", "apcli0", 0, false},
        {0, "0", "1", "apcli0;reboot", 0, false}, // a name the kernel cannot have is never run
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.ifname);
        ASSERT_EQ(0, nvram_bufset(r.section, "WiFiOff", r.wifiOff));
        ASSERT_EQ(0, nvram_bufset(r.section, "ApCliEnable", r.apcliEnable));
        // The other section says the opposite, so the section given is the one read.
        ASSERT_EQ(0, nvram_bufset(1 - r.section, "ApCliEnable", "0"));
        EXPECT_EQ(r.result, getRepeaterStatus(r.section, r.ifname));
        expectOnly(r.probed ? std::string("iwconfig ") + r.ifname + " > /tmp/apcliStatus" : "");
    }
}

} // namespace
