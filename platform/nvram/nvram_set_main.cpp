// nvram_set <section> <key> <value>: writes the setting and commits it.
#include <cstdio>

#include "nvram.h"
#include "platform/nvram/section_word.h"

int main(int argc, char **argv)
{
    int section = argc == 4 ? qavo::nvram::parseSectionWord(argv[1]) : -1;
    if (section < 0 || argv[2][0] == '\0') {
        std::fprintf(stderr, "Usage: nvram_set <2860|0|1> <key> <value>\n");
        return 1;
    }
    if (nvram_bufset(section, argv[2], argv[3]) != 0 || nvram_commit(section) != 0) {
        std::fprintf(stderr, "nvram_set: %s was not stored\n", argv[2]);
        return 1;
    }
    return 0;
}
