// The driver's word tables, argument handling, usage text and error line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "networkconfig/driver.h"
#include "tests/support/store_fixture.h"
#include "tests/support/tool_run.h"

using namespace networkconfig;

namespace {

using qavo::test::ToolRun;

ToolRun runTool(std::vector<std::string> args)
{
    return qavo::test::runTool(runNetworkTool, "ombix_networkconfig", std::move(args));
}

const char kUsage[] = "\r\nombix network config tool"
                      "\r\nussgr:"
                      "\r\nombix_networkconfig <platform> <command>"
                      "\r\ncurrrent support <paltform>:ra3050, mtk7620, ra5350, ra305x<plat> <command>"
                      "\r\ncurrrent support <command>:initlan,initwan,routinginit,init3G,doMount  (to init the wifi)"
                      "\r\nfor eg: ombix_networkconfig mtk7620 initlan\r\n"
                      "\r\nfor eg: ombix_networkconfig mtk7620 initwan\r\n"
                      "\r\nfor eg: ombix_networkconfig mtk7620 routinginit\r\n"
                      "\r\nfor eg: ombix_networkconfig mtk7620 init3G\r\n";

} // namespace

TEST(PlatformTable, PrefixMatchesInTableOrderAndCaseCounts)
{
    EXPECT_EQ(findPlatform("ra3050"), 2);
    EXPECT_EQ(findPlatform("ra3050x"), 2);
    EXPECT_EQ(findPlatform("mtk7620"), 4);
    EXPECT_EQ(findPlatform("mtk7620x"), 4);
    EXPECT_EQ(findPlatform("mtk7628"), 5);
    EXPECT_EQ(findPlatform("ra5350"), 3);
    EXPECT_EQ(findPlatform("ra305x"), 7);
    EXPECT_EQ(findPlatform("mtk7621"), 6);
    EXPECT_EQ(findPlatform("MTK7620"), 0);
    EXPECT_EQ(findPlatform("mtk762"), 0);
    EXPECT_EQ(findPlatform(""), 0);
}

TEST(CommandTable, ShortWordsMatchAsPrefixesLongerComparesNeedTheExactWord)
{
    EXPECT_EQ(findCommand("initlan"), &ombix_networkconfig_init_lan);
    EXPECT_EQ(findCommand("initlanfoo"), &ombix_networkconfig_init_lan);
    EXPECT_EQ(findCommand("initwanx"), &ombix_networkconfig_init_wan);
    EXPECT_EQ(findCommand("getdhcpdconfig"), &ombix_networkconfig_gen_lanDhcpdConfig);
    EXPECT_EQ(findCommand("routinginit"), &ombix_networkconfig_init_routing);
    EXPECT_EQ(findCommand("init3G"), &ombix_networkconfig_init_3G);
    EXPECT_EQ(findCommand("doMount"), &ombix_networkconfig_init_mount);
    for (const char *word :
         {"init3Gx", "init3", "doMountx", "domount", "routinginitx", "getdhcpdconfigx", "initla", "INITLAN", ""})
        EXPECT_EQ(findCommand(word), nullptr) << word;
}

TEST(Driver, WrongArgumentsPrintTheUsageAndExitZero)
{
    for (const std::vector<std::string> &args : std::vector<std::vector<std::string>>{
             {}, {"mtk7620"}, {"mtk7620", "init3G", "extra"}, {"MTK7620", "init3G"}, {"mtk7620", "init3Gx"}}) {
        ToolRun run = runTool(args);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out, kUsage);
    }
}

TEST(Driver, HandlerSuccessIsTheExitStatus)
{
    ToolRun run = runTool({"ra3050x", "init3G"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "Does not support 3G function!\n");
}

class DriverStore : public StoreTest {};

TEST_F(DriverStore, FailedHandlerPrintsTheErrorLineAndExitsWithItsOwnStatus)
{
    set("dhcpEnabled", "0");
    ToolRun run = runTool({"mtk7620", "getdhcpdconfig"});
    EXPECT_EQ(run.status, kFailureStatus);
    EXPECT_NE(run.status, 1); // distinguishable from the handlers' success value
    EXPECT_EQ(run.out, "\r\n error msg=nothing!");
}

TEST(HandlerEntry, PlatformCodeOutsideOneToSevenIsRefused)
{
    for (int code : {0, 8, -1}) {
        char message[kMessageSize] = {};
        testing::internal::CaptureStdout();
        EXPECT_EQ(ombix_networkconfig_gen_lanDhcpdConfig(code, message), 0);
        EXPECT_EQ(ombix_networkconfig_init_lan(code, message), 0);
        fflush(stdout);
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  "\r\n the first para(platform type) error\r\n the first para(platform type) error");
        EXPECT_STREQ(message, "nothing!");
    }
}
