#include "networkconfig/driver.h"

#include <cstdio>
#include <cstring>

namespace networkconfig {
namespace {

// Matching compares `compared` characters with strncmp: where that equals the word's
// length any argument beginning with the word matches; where it is longer the word's
// terminating NUL takes part and only the exact word matches.
struct PlatformEntry {
    const char *word;
    size_t compared;
    int code;
};

struct CommandEntry {
    const char *word;
    size_t compared;
    Handler handler;
};

constexpr PlatformEntry kPlatforms[] = {
    {"ra3050", 6, 2},  {"mtk7620", 7, 4}, {"mtk7628", 7, 5},
    {"ra5350", 6, 3},  {"ra305x", 6, 7},  {"mtk7621", 7, 6},
};

constexpr CommandEntry kCommands[] = {
    {"initlan", 7, ombix_networkconfig_init_lan},
    {"initwan", 7, ombix_networkconfig_init_wan},
    {"getdhcpdconfig", 15, ombix_networkconfig_gen_lanDhcpdConfig},
    {"routinginit", 12, ombix_networkconfig_init_routing},
    {"init3G", 12, ombix_networkconfig_init_3G},
    {"doMount", 12, ombix_networkconfig_init_mount},
};

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

} // namespace

int findPlatform(const char *word)
{
    for (const PlatformEntry &entry : kPlatforms) {
        if (strncmp(entry.word, word, entry.compared) == 0)
            return entry.code;
    }
    return 0;
}

Handler findCommand(const char *word)
{
    for (const CommandEntry &entry : kCommands) {
        if (strncmp(entry.word, word, entry.compared) == 0)
            return entry.handler;
    }
    return nullptr;
}

int runNetworkTool(int argc, char **argv)
{
    char message[kMessageSize] = {};
    int platform = argc == 3 ? findPlatform(argv[1]) : 0;
    Handler handler = platform != 0 ? findCommand(argv[2]) : nullptr;
    if (handler == nullptr) {
        printUsage();
        return 0;
    }
    int result = handler(platform, message);
    if (result != 0)
        return result;
    // The handler may have left the buffer unterminated; never read past it.
    message[kMessageSize - 1] = '\0';
    printf("\r\n error msg=%s", message);
    return kFailureStatus;
}

} // namespace networkconfig
