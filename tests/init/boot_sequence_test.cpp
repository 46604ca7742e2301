// The whole boot sequence in a dry run: every command in its order, and when the firewall
// tool and the NTP client are started.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "init/boot.h"
#include "tests/support/dry_run.h"
#include "tests/support/tool_run.h"

namespace {

using qavo::test::Lines;

class BootSequence : public DryRunTest {
protected:
    // The boot's commands, the identity digest (MD5 of br0's address, which this host may
    // not have) shown as "<md5>".
    Lines boot()
    {
        qavo::test::HandlerRun run = qavo::test::runHandler([](int, char *) { return initInternet(); }, 0);
        EXPECT_EQ(0, run.result);
        for (bool echo : recorder_.echoes())
            EXPECT_FALSE(echo);
        Lines commands = recorder_.commands();
        for (std::string &line : commands)
            line = std::regex_replace(line, std::regex("^echo -n [0-9a-f]{32} >/var/qavomd5$"),
                                      "echo -n <md5> >/var/qavomd5");
        recorder_.clear();
        return commands;
    }
};

// A gateway's first boot with a static WAN and NTP on: the placeholder network name is
// replaced, the 802.1X daemon stopped, the English language linked. Every command fails,
// and no step's result stops the sequence.
TEST_F(BootSequence, EveryStepInItsOrder)
{
    recorder_.exitWith("", 1);
    settings({{"OperationMode", "1"},
              {"wanConnectionMode", "STATIC"},
              {"NTPClientEnabled", "1"},
              {"SSID1", "PELVANTO_ZORF"},
              {"BssidNum", "1"},
              {"LanguageType", "en"}});
    EXPECT_EQ(boot(), (Lines{
                          "echo 0 > /tmp/wan_connection_status",
                          "echo 0 > /tmp/protect_process",
                          "internet.sh",
                          "iwpriv ra0 e2p >/tmp/e2p",
                          "rm -f /tmp/e2p",
                          "ombix_wificonfig mtk7620 init2g &",
                          "killall rt2860apd 1>/dev/null 2>&1",
                          "ombix_firewallconfig mtk7620 initfw &",
                          "echo -n <md5> >/var/qavomd5",
                          "echo 0 > /tmp/NTPValid",
                          "killall -q ntp",
                          "ntp.sh &",
                          "killall -q klogd",
                          "killall -q syslogd",
                          "syslogd -C8 1>/dev/null 2>&1",
                          "klogd 1>/dev/null 2>&1",
                          "ombix_networkconfig mtk7620 routinginit &",
                          "killall qv_broker 2> /dev/null",
                          "qv_broker -c /etc_ro/mosquitto.conf & 2> /dev/null",
                          "killall qavo_sub 2> /dev/null",
                          "qavo_sub -h 127.0.0.1 -t pelvanto/router/# &",
                          "ombix_networkconfig mtk7620 initwan &",
                          "ombix_networkconfig mtk7620 initlan &",
                          "echo -n 'eth2.2'>/var/wanInface",
                          "ombix_usbconfig mtk7620 init &",
                          "ombix_usbconfig mtk7620 doMount &",
                          "rm -rf /etc_ro/web/js/language.js 1>/dev/null 2>&1",
                          "ln -s /etc_ro/web/js/language_en.js /etc_ro/web/js/language.js 1>/dev/null 2>&1",
                          "killall mon.sh 2> /dev/null",
                          "echo 1 > /tmp/protect_process",
                      }));
}

TEST_F(BootSequence, FirewallOnlyForAStaticWanInGatewayOrIspModeAndNtpOnlyWhenOnToo)
{
    const struct {
        const char *mode, *wan, *ntp;
        bool firewall, ntpStarted;
    } rows[] = {
        {"3", "STATIC", "1", true, true},   {"1", "DHCP", "1", false, false},  {"0", "STATIC", "1", false, true},
        {"1", "static", "1", false, false}, {"1", "PPPOE", "1", false, false}, {"1", "STATIC", "0", true, false},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(std::string(r.mode) + " " + r.wan + " NTP " + r.ntp);
        settings({{"OperationMode", r.mode}, {"wanConnectionMode", r.wan}, {"NTPClientEnabled", r.ntp}});
        Lines commands = boot();
        EXPECT_EQ(r.firewall, std::count(commands.begin(), commands.end(), "ombix_firewallconfig mtk7620 initfw &"));
        EXPECT_EQ(r.ntpStarted, std::count(commands.begin(), commands.end(), "ntp.sh &"));
        EXPECT_EQ(1, std::count(commands.begin(), commands.end(), "echo 0 > /tmp/NTPValid"));
        EXPECT_EQ(1, std::count(commands.begin(), commands.end(), "killall -q ntp"));
        EXPECT_EQ("echo 1 > /tmp/protect_process", commands.back());
    }
}

// The store daemon's pid file is there at once: no waiting text, the store is opened.
TEST_F(BootSequence, StoreReadyAtOnce)
{
    file("/var/run/nvramd.pid", "1\n");
    testing::internal::CaptureStdout();
    EXPECT_EQ(0, setDefault());
    EXPECT_EQ("\n[Debug] nvram_init...\n", testing::internal::GetCapturedStdout());
}

} // namespace
