// flash_writer FILE PREFIX: the emulated board's generated-file writer for the power-cut
// test (tests/system/emulated_power_cut.sh). Rewrites FILE through AtomicFile, generation
// after generation ("PREFIX-1", "PREFIX-2", ...), and prints "committed FILE GENERATION"
// once commit() of that generation returned true. A generation's text is the one
// sim/board/power-cut.sh's naive writer writes: "generation G", the lines
// "line I of generation G" for I 0 to 39, then "end G".
#include <cstdio>

#include "lib/atomic_file.h"

namespace {

constexpr int kLines = 40;

// The generation's whole text into text; its length, or 0 when it does not fit.
size_t generationText(const char *generation, char (&text)[4096])
{
    size_t used = 0;
    auto add = [&](int length) { used = length < 0 || used + length >= sizeof text ? sizeof text : used + length; };
    add(std::snprintf(text, sizeof text, "generation %s\n", generation));
    for (int i = 0; i < kLines && used < sizeof text; ++i)
        add(std::snprintf(text + used, sizeof text - used, "line %d of generation %s\n", i, generation));
    if (used < sizeof text)
        add(std::snprintf(text + used, sizeof text - used, "end %s\n", generation));
    return used < sizeof text ? used : 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "Usage: flash_writer FILE PREFIX\n");
        return 2;
    }
    for (unsigned long n = 1;; ++n) {
        char generation[64];
        std::snprintf(generation, sizeof generation, "%.40s-%lu", argv[2], n);
        char text[4096];
        size_t length = generationText(generation, text);
        qavo::AtomicFile file;
        if (length == 0 || !file.open(argv[1]) || !file.writeText(text, length) || !file.commit()) {
            std::fprintf(stderr, "flash_writer: generation %s of %s not committed\n", generation, argv[1]);
            return 1;
        }
        std::printf("committed %s %s\n", argv[1], generation);
        std::fflush(stdout);
    }
}
