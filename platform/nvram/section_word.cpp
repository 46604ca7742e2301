#include "platform/nvram/section_word.h"

#include <cstring>

namespace qavo::nvram {
namespace {

struct SectionWord {
    const char *word;
    int section;
};

constexpr SectionWord kSectionWords[] = {{"2860", 0}, {"0", 0}, {"1", 1}};

} // namespace

int parseSectionWord(const char *word)
{
    for (const SectionWord &known : kSectionWords) {
        if (std::strcmp(word, known.word) == 0)
            return known.section;
    }
    return -1;
}

} // namespace qavo::nvram
