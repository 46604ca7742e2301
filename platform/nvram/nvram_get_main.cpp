// nvram_get <section> <key>: prints the setting's value and a line feed.
#include <cstdio>

#include "nvram.h"
#include "platform/nvram/section_word.h"

int main(int argc, char **argv)
{
    int section = argc == 3 ? qavo::nvram::parseSectionWord(argv[1]) : -1;
    if (section < 0) {
        std::fprintf(stderr, "Usage: nvram_get <2860|0|1> <key>\n");
        return 1;
    }
    std::printf("%s\n", nvram_bufget(section, argv[2]));
    return std::fflush(stdout) == 0 ? 0 : 1;
}
