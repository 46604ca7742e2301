#include "lib/tool_driver.h"

#include <cstdio>
#include <cstring>

namespace qavo::tool {
namespace {

struct Platform {
    const char *word;
    size_t compared;
    int code;
};

// Both tools accept the same chip families, tested in this order.
constexpr Platform kPlatforms[] = {
    {"ra3050", 6, 2}, {"mtk7620", 7, 4}, {"mtk7628", 7, 5}, {"ra5350", 6, 3}, {"ra305x", 6, 7}, {"mtk7621", 7, 6},
};

} // namespace

int findPlatform(const char *word)
{
    for (const Platform &entry : kPlatforms) {
        if (strncmp(entry.word, word, entry.compared) == 0)
            return entry.code;
    }
    return 0;
}

Handler findCommand(const Command *commands, size_t count, const char *word)
{
    for (size_t i = 0; i < count; ++i) {
        if (strncmp(commands[i].word, word, commands[i].compared) == 0)
            return commands[i].handler;
    }
    return nullptr;
}

int run(const Tool &tool, int argc, char **argv)
{
    char message[kMessageSize] = {};
    int platform = argc == 3 ? findPlatform(argv[1]) : 0;
    Handler handler = platform != 0 ? findCommand(tool.commands, tool.count, argv[2]) : nullptr;
    if (handler == nullptr) {
        tool.printUsage();
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

} // namespace qavo::tool
