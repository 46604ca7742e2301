#include "networkconfig/driver.h"

#include <cstdio>

namespace networkconfig {
namespace {

constexpr qavo::tool::Command kCommands[] = {
    {"initlan", 7, ombix_networkconfig_init_lan},
    {"initwan", 7, ombix_networkconfig_init_wan},
    {"getdhcpdconfig", 15, ombix_networkconfig_gen_lanDhcpdConfig},
    {"routinginit", 12, ombix_networkconfig_init_routing},
    {"init3G", 12, ombix_networkconfig_init_3G},
    {"doMount", 12, ombix_networkconfig_init_mount},
};

// The usage text is kept word for word, misspellings included: scripts and the web
// interface's diagnostics match it.
void printUsage()
{
    fputs("\r\nombix network config tool", stdout);
    fputs("\r\nussgr:", stdout);
    fputs("\r\nombix_networkconfig <platform> <command>", stdout);
    fputs("\r\ncurrrent support <paltform>:ra3050, mtk7620, ra5350, ra305x<plat> <command>", stdout);
    fputs("\r\ncurrrent support <command>:initlan,initwan,routinginit,init3G,doMount  (to init the wifi)", stdout);
    fputs("\r\nfor eg: ombix_networkconfig mtk7620 initlan\r\n", stdout);
    fputs("\r\nfor eg: ombix_networkconfig mtk7620 initwan\r\n", stdout);
    fputs("\r\nfor eg: ombix_networkconfig mtk7620 routinginit\r\n", stdout);
    fputs("\r\nfor eg: ombix_networkconfig mtk7620 init3G\r\n", stdout);
}

constexpr qavo::tool::Tool kTool = {kCommands, sizeof kCommands / sizeof kCommands[0], printUsage};

} // namespace

Handler findCommand(const char *word)
{
    return qavo::tool::findCommand(kTool.commands, kTool.count, word);
}

int runNetworkTool(int argc, char **argv)
{
    return qavo::tool::run(kTool, argc, argv);
}

} // namespace networkconfig
