// Static route pieces: prefix lengths, rule lookup, kernel table lines and the exact
// route commands, with values that must never reach the shell.
#include <gtest/gtest.h>

#include <string>

#include "networkconfig/handlers.h"
#include "networkconfig/routing.h"
#include "tests/support/dry_run.h"
#include "tests/support/store_fixture.h"
#include "tests/support/tool_run.h"

using namespace networkconfig;

TEST(NetmaskAton, CountsUpToTheFirstOctetThatIsNot255)
{
    EXPECT_EQ(netmask_aton("255.255.255.0"), 24);
    EXPECT_EQ(netmask_aton("255.255.254.0"), 23);
    EXPECT_EQ(netmask_aton("255.128.255.0"), 9);
    EXPECT_EQ(netmask_aton("255.255.255.255"), 32);
    EXPECT_EQ(netmask_aton("0.0.0.0"), 0);
    EXPECT_EQ(netmask_aton("255.255.250.0"), 16);
    EXPECT_EQ(netmask_aton("192.0.0.0"), 2);
    EXPECT_EQ(netmask_aton("255.255"), 0);
    EXPECT_EQ(netmask_aton("mask"), 0);
}

class RoutingRules : public StoreTest {};

TEST_F(RoutingRules, LookupMatchesDestinationNetmaskAndDeviceExactly)
{
    EXPECT_EQ(getIndexOfRoutingRule("10.1.0.0", "255.255.0.0", "br0"), -1); // absent
    set("RoutingRules", "");
    EXPECT_EQ(getIndexOfRoutingRule("", "", ""), -1);
    set("RoutingRules",
        "10.1.0.0,255.255.0.0,10.0.0.1,LAN,br0,0,x;"
        "10.2.0.0,255.255.0.0,,WAN,eth2.2,0;" // six fields: still matched by the lookup
        "10.3.0.0,255.255.0.0,,LAN;"          // no device field
        "10.1.0.0,255.255.0.0,,LAN,eth2.2,0,x");
    EXPECT_EQ(getIndexOfRoutingRule("10.1.0.0", "255.255.0.0", "br0"), 0);
    EXPECT_EQ(getIndexOfRoutingRule("10.2.0.0", "255.255.0.0", "eth2.2"), 1);
    EXPECT_EQ(getIndexOfRoutingRule("10.1.0.0", "255.255.0.0", "eth2.2"), 3);
    EXPECT_EQ(getIndexOfRoutingRule("10.3.0.0", "255.255.0.0", ""), -1);
    EXPECT_EQ(getIndexOfRoutingRule("10.1.0.0", "255.255.0.0", "BR0"), -1);
    EXPECT_EQ(getIndexOfRoutingRule("10.1.0.0", "255.255.255.0", "br0"), -1);
}

TEST(KernelRouteLine, AddressesComeBackAsDottedText)
{
    KernelRoute route;
    ASSERT_TRUE(parseKernelRoute("eth2.2\t0000010A\t0100000A\t0003\t0\t0\t0\t0000FFFF\t0\t0\t0\n", &route));
    EXPECT_STREQ(route.ifname, "eth2.2");
    EXPECT_STREQ(route.destination, "10.1.0.0");
    EXPECT_STREQ(route.gateway, "10.0.0.1");
    EXPECT_STREQ(route.mask, "255.255.0.0");

    EXPECT_FALSE(parseKernelRoute("Iface\tDestination\tGateway\tFlags\tRefCnt\tUse\tMetric\tMask\n", &route));
    EXPECT_FALSE(parseKernelRoute("br0\t0000010A\t00000000\t0001\t0\t0\t0\n", &route));
    EXPECT_FALSE(parseKernelRoute("\n", &route));
}

TEST(KernelRouteLine, OverlongInterfaceNameCannotOverflowItsField)
{
    KernelRoute route;
    std::string line = std::string(100, 'x') + "\t0000010A\t00000000\t0001\t0\t0\t0\t0000FFFF\n";
    EXPECT_FALSE(parseKernelRoute(line.c_str(), &route)); // the rest no longer parses as numbers
    EXPECT_EQ(std::string(route.ifname), std::string(31, 'x'));
}

namespace {

std::string addCommand(const char *record, bool *built = nullptr)
{
    RoutingRule rule;
    EXPECT_TRUE(parseRoutingRule(record, &rule)) << record;
    char command[qavo::kCommandSize] = "unchanged";
    bool ok = buildRouteAdd(rule, command);
    if (built)
        *built = ok;
    return ok ? command : "";
}

std::string deleteCommand(const char *ifname, const char *destination, const char *mask)
{
    KernelRoute route{};
    snprintf(route.ifname, sizeof route.ifname, "%s", ifname);
    snprintf(route.destination, sizeof route.destination, "%s", destination);
    snprintf(route.mask, sizeof route.mask, "%s", mask);
    char command[qavo::kCommandSize];
    return buildRouteDelete(route, command) ? command : "refused";
}

} // namespace

TEST(RouteCommands, ExactTextsOfNetworkAndHostRules)
{
    EXPECT_EQ(addCommand("10.1.0.0,255.255.0.0,10.0.0.1,LAN,br0,0,x"),
              "route add -net 10.1.0.0  netmask 255.255.0.0 gw 10.0.0.1 dev br0 2>&1 ");
    EXPECT_EQ(addCommand("10.1.2.3,255.255.255.255,10.0.0.1,LAN,br0,0,x"),
              "route add -host 10.1.2.3  gw 10.0.0.1 dev br0 2>&1 ");
    EXPECT_EQ(addCommand("10.1.0.0,255.255.0.0,0.0.0.0,WAN,eth2.2,0,x"),
              "route add -net 10.1.0.0  netmask 255.255.0.0 dev eth2.2 2>&1 ");
    EXPECT_EQ(addCommand("10.1.0.0,255.255.0.0,,WAN,eth2.2,0,x"),
              "route add -net 10.1.0.0  netmask 255.255.0.0 dev eth2.2 2>&1 ");
    EXPECT_EQ(deleteCommand("br0", "10.1.0.0", "255.255.0.0"), "route del -net 10.1.0.0  netmask 255.255.0.0 dev br0 ");
    EXPECT_EQ(deleteCommand("br0", "10.1.2.3", "255.255.255.255"), "route del -host 10.1.2.3  dev br0 ");
}

TEST(RouteCommands, RecordsNeedAllSevenFields)
{
    RoutingRule rule;
    EXPECT_FALSE(parseRoutingRule("10.1.0.0,255.255.0.0,10.0.0.1,LAN,br0,0", &rule));
    EXPECT_FALSE(parseRoutingRule("", &rule));
    EXPECT_TRUE(parseRoutingRule("10.1.0.0,255.255.0.0,,LAN,br0,,", &rule));
}

TEST(RouteCommands, HostileFieldsBuildNoCommand)
{
    testing::internal::CaptureStderr();
    for (const char *record : {
             "10.1.0.0;reboot,255.255.0.0,,LAN,br0,0,x",
             "10.1.0.0 $(reboot),255.255.0.0,,LAN,br0,0,x",
             "10.1.0.0,255.255.0.0 `reboot`,,LAN,br0,0,x",
             "10.1.0.0,255.255.0.0,10.0.0.1|reboot,LAN,br0,0,x",
             "10.1.0.0,255.255.0.0,,LAN,br0 &&reboot,0,x",
             "10.1.0.0,255.255.0.0,,LAN,-v,0,x",
             "10.1.0.0,255.0.255.0,,LAN,br0,0,x",
         }) {
        RoutingRule rule;
        if (!parseRoutingRule(record, &rule))
            continue; // the record splitter already keeps it out
        char command[qavo::kCommandSize];
        EXPECT_FALSE(buildRouteAdd(rule, command)) << record;
        EXPECT_STREQ(command, "") << record;
    }
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Error: setting RoutingRules"), std::string::npos) << err;
    EXPECT_EQ(deleteCommand("br0;reboot", "10.1.0.0", "255.255.0.0"), "refused");
}

// "routinginit" in a dry run: the kernel table is the tree's /proc/net/route.
using qavo::test::Lines;

class RoutingInit : public DryRunTest {};

TEST_F(RoutingInit, DeletesWhatTheRulesNameThenAddsTheRules)
{
    const std::string header = "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";
    const std::string held = header + "eth2.2\t00000000\t0102000A\t0003\t0\t0\t0\t00000000\t0\t0\t0\n" +
                             "br0\t0000020A\t00000000\t0001\t0\t0\t0\t0000FFFF\t0\t0\t0\n" +
                             "eth2.2\t0708090A\t00000000\t0005\t0\t0\t0\tFFFFFFFF\t0\t0\t0\n";
    const std::string rules =
        "10.1.0.0,255.255.0.0,192.168.10.254,LAN,br0,0,a;10.9.8.7,255.255.255.255,,WAN,eth2.2,0,b;"
        "10.2.0.0,255.255.0.0,0.0.0.0,LAN,br0,0;10.3.0.0,255.255.0.0,10.0.2.1,wan,eth2.2,0,c";
    const Lines adds = {"route add -net 10.1.0.0  netmask 255.255.0.0 gw 192.168.10.254 dev br0 2>&1 ",
                        "route add -host 10.9.8.7  dev eth2.2 2>&1 ",
                        "route add -net 10.3.0.0  netmask 255.255.0.0 gw 10.0.2.1 dev eth2.2 2>&1 "};
    const struct {
        const char *name, *mode;
        std::string table, rules;
        Lines commands;
        const char *printed; // on standard output ("" nothing)
    } rows[] = {
        {"gateway", "1", held, rules,
         qavo::test::concat(
             {{"route del -net 10.2.0.0  netmask 255.255.0.0 dev br0 ", "route del -host 10.9.8.7  dev eth2.2 "},
              adds}),
         ""},
        {"not a gateway",
         "0",
         header,
         rules,
         {adds[0], adds[2]},
         "Skip WAN routing rule in the non-Gateway mode: route add -host 10.9.8.7  dev eth2.2 2>&1 \n"},
        {"no rules", "1", held, "", {}, ""},
        {"table not understood",
         "1",
         header + "br0\t0000020A\t00000000\t0001\t0\t0\t0\t0000FFFF\t0\t0\t0\nbr0\tnot-a-route\n",
         "10.2.0.0,255.255.0.0,,LAN,br0,0,x;" + rules,
         {"route del -net 10.2.0.0  netmask 255.255.0.0 dev br0 "},
         "format error\n"},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.name);
        recorder_.clear();
        settings({{"OperationMode", r.mode}, {"RoutingRules", r.rules.c_str()}});
        file("/proc/net/route", r.table);
        qavo::test::HandlerRun run = qavo::test::runHandler(ombix_networkconfig_init_routing, 4);
        EXPECT_EQ(1, run.result);
        EXPECT_EQ(r.commands, recorder_.commands());
        EXPECT_EQ(r.printed, run.out);
    }
}
