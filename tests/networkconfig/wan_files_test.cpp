// The PPP and resolver files of the WAN bring-up: exact lines for ordinary values, the
// dial options, and hostile values that pppd must read back as exactly the stored word.
#include <gtest/gtest.h>

#include <algorithm>
#include <sys/stat.h>

#include "networkconfig/handlers.h"
#include "tests/networkconfig/wan_fixture.h"
#include "tests/support/pppd_words.h"

namespace {

using namespace networkconfig::wan;
using qavo::test::pppdWords;

class WanFiles : public WanTest {};

TEST_F(WanFiles, OrdinaryValuesGiveTheExactFiles)
{
    for (auto [key, value] : {std::pair{"wan_pppoe_user_mm", "alice@isp"},
                              {"wan_pppoe_pass", "s3cret"},
                              {"wan_pppoe_mtu", "1492"},
                              {"wan_l2tp_user", "bob"},
                              {"wan_l2tp_pass", "pw"},
                              {"wan_l2tp_server", "lns.example.net"},
                              {"wan_pptp_user", "carol"},
                              {"wan_pptp_pass", "pw2"},
                              {"wan_pptp_server", "10.1.1.1"}})
        set(key, value);
    WanRun r = run();
    snprintf(r.modeOption, sizeof r.modeOption, "KeepAlive");
    ASSERT_TRUE(writePppoeOptions(r));
    ASSERT_TRUE(writeXl2tpdConfig(r));
    ASSERT_TRUE(writeL2tpOptions(r));
    ASSERT_TRUE(writePptpSecrets(r));
    ASSERT_TRUE(writePptpPeer(r));
    EXPECT_FALSE(r.refused);
    EXPECT_EQ(file("/etc/options.pppoe"),
              "noauth\nuser alice@isp\npassword s3cret\nhide-password\nnoipdefault\ndefaultroute\nnodetach\n"
              "usepeerdns\npersist\nipcp-accept-remote\nipcp-accept-local\nlcp-echo-failure 3\n"
              "lcp-echo-interval 15\nktune\nmtu 1492\ndefault-asyncmap nopcomp noaccomp\n"
              "novj nobsdcomp nodeflate\nplugin /etc_ro/ppp/plugins/rp-pppoe.so eth2.2\n");
    EXPECT_EQ(file("/etc_ro/xl2tpd.conf"), "[lac l2tp]\nname = bob\nlns = lns.example.net\n"
                                           "pppoptfile = /etc_ro/ppp/options.xl2ptd\nautodial = yes\n");
    EXPECT_EQ(file("/etc_ro/ppp/options.xl2ptd"),
              "debug\nremotename l2tp\nuser \"bob\"\npassword \"pw\"\nunit 0\nlock\nnodeflate\nnobsdcomp\n"
              "noauth\npersist\nusepeerdns\nnopcomp\nnoaccomp\nlcp-echo-failure 3\nlcp-echo-interval 15\n"
              "defaultroute\n");
    EXPECT_EQ(file("/etc_ro/ppp/chap-secrets"), "\"carol\" PPTP \"pw2\" \"*\"\n");
    EXPECT_EQ(file("/etc_ro/ppp/peers/pptp"), "remotename PPTP\npty \"pptp 10.1.1.1 --nolaunchpppd\"\n"
                                              "name carol\nnoauth\nfile /etc_ro/ppp/options\nnovj\n");
    for (const char *secret : {"/etc/options.pppoe", "/etc_ro/ppp/options.xl2ptd", "/etc_ro/ppp/chap-secrets"}) {
        struct stat st {};
        ASSERT_EQ(0, stat(path(secret).c_str(), &st)) << secret;
        EXPECT_EQ(0600u, st.st_mode & 0777) << secret;
    }
}

struct DialCase {
    const char *option;
    const char *minutes;
    Lines pppoe; // dial lines of the PPPoE options
    Lines pptp;  // dial lines of the PPTP options
    bool refused;
};

// The words between the fixed lines around the dial lines of each file.
Lines between(const std::string &text, const std::string &after, const std::string &before)
{
    Lines lines;
    size_t start = text.find(after + "\n");
    size_t end = text.find(before + "\n");
    if (start == std::string::npos || end == std::string::npos)
        return {"<missing>"};
    for (size_t at = start + after.size() + 1; at < end;) {
        size_t nl = text.find('\n', at);
        lines.push_back(text.substr(at, nl - at));
        at = nl + 1;
    }
    return lines;
}

TEST_F(WanFiles, DialOptionSelectsPersistOrDemandLines)
{
    const DialCase cases[] = {
        {"KeepAlive", "30", {"persist"}, {"persist", "holdoff 30"}, false},
        {"KeepAliveLonger", "30", {"persist"}, {"persist", "holdoff 30"}, false},
        {"OnDemand", "5", {"demand", "idle 300"}, {"demand", "idle 300"}, false},
        {"OnDemand", "30", {"demand", "idle 1800"}, {"demand", "idle 1800"}, false},
        {"OnDemand", "", {"demand", "idle 0"}, {"demand", "idle 0"}, false},
        {"", "30", {}, {}, false},
        {"Manual", "30", {}, {}, false},
        {"keepalive", "30", {}, {}, false},
        // An idle time pppd cannot take, or one that is not a number, loses its line.
        {"OnDemand", "99999999", {"demand"}, {"demand"}, true},
        {"OnDemand", "5;reboot", {"demand"}, {"demand"}, true},
        {"KeepAlive", "30 plugin x.so", {"persist"}, {"persist"}, true},
        // pppd reads a leading zero as octal and holds its times in an int.
        {"KeepAlive", "010", {"persist"}, {"persist", "holdoff 10"}, false},
        {"KeepAlive", "9999999999", {"persist"}, {"persist"}, true},
    };
    set("wan_pppoe_mtu", "1492");
    for (const DialCase &c : cases) {
        set("wan_pppoe_optime", c.minutes);
        set("wan_pptp_optime", c.minutes);
        WanRun r = run();
        snprintf(r.modeOption, sizeof r.modeOption, "%s", c.option);
        ASSERT_TRUE(writePppoeOptions(r));
        ASSERT_TRUE(writePptpOptions(r));
        EXPECT_EQ(between(file("/etc/options.pppoe"), "usepeerdns", "ipcp-accept-remote"), c.pppoe)
            << c.option << " " << c.minutes;
        EXPECT_EQ(between(file("/etc_ro/ppp/options"), "lcp-echo-failure 3", "noipdefault"), c.pptp)
            << c.option << " " << c.minutes;
        EXPECT_EQ(r.refused, c.refused) << c.option << " " << c.minutes;
    }
}

const char *const kHostileCredentials[] = {
    "x plugin evil.so", "pass\"word", "it's",     "back\\slash", "#not a comment",
    "tab\there",        "",           "\\n",      "a\"b'c\\",    "caf\xc3\xa9",
    "ends with blank ", "$(reboot)",  "\x01\x7f",
};

struct WordCheck {
    const char *path;
    size_t words;
    std::vector<size_t> valueAt;
};

const WordCheck kCredentialWords[] = {
    {"/etc/options.pppoe", 28, {2, 4}},         // user X password X
    {"/etc_ro/ppp/options.xl2ptd", 22, {4, 6}}, // user "X" password "X"
    {"/etc_ro/ppp/chap-secrets", 4, {0, 2}},    // "X" PPTP "X" "*"
    {"/etc_ro/ppp/peers/pptp", 10, {5}},        // name X
};

TEST_F(WanFiles, HostileCredentialsReadBackAsExactlyOneWord)
{
    for (const char *value : kHostileCredentials) {
        for (const char *key : {"wan_pppoe_user_mm", "wan_pppoe_pass", "wan_l2tp_user", "wan_l2tp_pass",
                                "wan_pptp_user", "wan_pptp_pass"})
            set(key, value);
        set("wan_pppoe_mtu", "1492");
        set("wan_pptp_server", "10.1.1.1");
        WanRun r = run();
        ASSERT_TRUE(writePppoeOptions(r)) << value;
        ASSERT_TRUE(writeL2tpOptions(r)) << value;
        ASSERT_TRUE(writePptpSecrets(r)) << value;
        ASSERT_TRUE(writePptpPeer(r)) << value;
        EXPECT_FALSE(r.refused) << value;

        // Each file keeps its number of words, and the value is the word where it belongs.
        for (const WordCheck &check : kCredentialWords) {
            Lines words = pppdWords(file(check.path));
            ASSERT_EQ(words.size(), check.words) << check.path << ": " << value;
            for (size_t at : check.valueAt)
                EXPECT_EQ(words[at], value) << check.path;
        }
    }
}

TEST_F(WanFiles, ALineBreakInACredentialDropsOnlyItsLine)
{
    for (const char *value : {"alice\nplugin evil.so", "pw\rx"}) {
        set("wan_pppoe_user_mm", "alice");
        set("wan_pppoe_pass", value);
        set("wan_pppoe_mtu", "1492");
        set("wan_pptp_user", value);
        WanRun r = run();
        ASSERT_TRUE(writePppoeOptions(r));
        ASSERT_TRUE(writePptpSecrets(r));
        EXPECT_TRUE(r.refused);
        Lines words = pppdWords(file("/etc/options.pppoe"));
        EXPECT_EQ(std::count(words.begin(), words.end(), "plugin"), 1);
        EXPECT_EQ(std::find(words.begin(), words.end(), "password"), words.end());
        EXPECT_EQ(file("/etc_ro/ppp/chap-secrets"), "");
    }
}

TEST_F(WanFiles, Xl2tpdTakesOnlyValuesItReadsBack)
{
    struct Case {
        const char *user;
        const char *server;
        const char *expected; // the two value lines, "" where refused
        bool refused;
    };
    const Case cases[] = {
        {"user name", "10.0.0.1", "name = user name\nlns = 10.0.0.1\n", false},
        {"a#b\"c'd\\e", "lns.example", "name = a#b\"c'd\\e\nlns = lns.example\n", false},
        {"semi;colon", "10.0.0.1", "lns = 10.0.0.1\n", true},
        {" lead", "10.0.0.1", "lns = 10.0.0.1\n", true},
        {"trail ", "10.0.0.1", "lns = 10.0.0.1\n", true},
        {"new\nline", "10.0.0.1", "lns = 10.0.0.1\n", true},
        {"bob", "10.0.0.1\n[lac evil]", "name = bob\n", true},
        {"bob", "host name", "name = bob\n", true},
    };
    for (const Case &c : cases) {
        set("wan_l2tp_user", c.user);
        set("wan_l2tp_server", c.server);
        WanRun r = run();
        ASSERT_TRUE(writeXl2tpdConfig(r));
        EXPECT_EQ(file("/etc_ro/xl2tpd.conf"), std::string("[lac l2tp]\n") + c.expected +
                                                   "pppoptfile = /etc_ro/ppp/options.xl2ptd\nautodial = yes\n")
            << c.user << " " << c.server;
        EXPECT_EQ(r.refused, c.refused) << c.user;
    }
}

TEST_F(WanFiles, PptpServerMustBeAPlainHostForThePtyShell)
{
    for (const char *server : {"vpn.example.net; reboot", "$(reboot)", "a b", ""}) {
        set("wan_pptp_server", server);
        set("wan_pptp_user", "carol");
        WanRun r = run();
        ASSERT_TRUE(writePptpPeer(r));
        EXPECT_TRUE(r.refused) << server;
        EXPECT_EQ(file("/etc_ro/ppp/peers/pptp"),
                  "remotename PPTP\nname carol\nnoauth\nfile /etc_ro/ppp/options\nnovj\n")
            << server;
    }
}

struct ResolverCase {
    const char *mode;
    const char *primary;
    const char *secondary;
    int force;
    const char *expected; // nullptr: both files keep their old text
};

TEST_F(WanFiles, ResolverFilesFollowForceModeAndServers)
{
    const ResolverCase cases[] = {
        {"0", "8.8.8.8", "8.8.4.4", 1, "nameserver 8.8.8.8\nnameserver 8.8.4.4\n"},
        {"0", "8.8.8.8", "8.8.4.4", 0, nullptr},
        {"1", "8.8.8.8", "8.8.4.4", 0, "nameserver 8.8.8.8\nnameserver 8.8.4.4\n"},
        {"2", "8.8.8.8", "", 0, nullptr},
        {"1", "8.8.8.8", "", 0, "nameserver 8.8.8.8\n"},
        {"1", "8.8.8.8", "1.2.", 0, "nameserver 8.8.8.8\n"},
        {"1", "", "", 0, "nameserver \n"},
        {"1", "1.1.1.1", "9.9.9.9", 0, "nameserver 1.1.1.1\nnameserver 9.9.9.9\n"},
        // A server that is not an address loses only its own line.
        {"1", "8.8.8.8\nnameserver 6.6.6.6", "8.8.4.4", 0, "nameserver 8.8.4.4\n"},
        {"1", "8.8.8.8", "1.2.3.4 x", 0, "nameserver 8.8.8.8\n"},
    };
    for (const ResolverCase &c : cases) {
        for (const char *name : {"/etc/resolv.conf", "/etc/resolv.conf1"})
            qavo::test::writeFile(path(name), "old\n");
        set("wan_dns_mode", c.mode);
        set("wan_primary_dns", c.primary);
        set("wan_secondary_dns", c.secondary);
        ralinkWanDnsInit(c.force, 0, kMtk7620, kWanPort);
        std::string expected = c.expected ? c.expected : "old\n";
        EXPECT_EQ(file("/etc/resolv.conf"), expected) << c.primary << " " << c.secondary << " " << c.mode;
        EXPECT_EQ(file("/etc/resolv.conf1"), expected) << c.primary << " " << c.secondary << " " << c.mode;
    }
    EXPECT_TRUE(commands().empty());
}

TEST_F(WanFiles, ResolverRefusalAndUnwritableFiles)
{
    set("wan_primary_dns", "8.8.8.8`reboot`");
    bool refused = false;
    EXPECT_EQ(1, writeResolverFiles(0, kMtk7620, kWanPort, &refused));
    EXPECT_TRUE(refused);
    EXPECT_EQ(file("/etc/resolv.conf"), "");

    std::filesystem::remove_all(path("/etc"));
    testing::internal::CaptureStdout();
    EXPECT_EQ(0, _ralinkWanDnsInit(0, kMtk7620, kWanPort));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\r\nopen dns  config file error");
    EXPECT_EQ(commands(), phy(true));
}

} // namespace
