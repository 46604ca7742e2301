#include "platform/nvram/section_word.h"

#include <cstring>

namespace nvram {
namespace {

struct SectionWord {
  const char *word;
  int section;
};

constexpr SectionWord kSectionWords[] = {{"2860", 0}, {"0", 0}, {"1", 1}};

}  // namespace

int parse_section_word(const char *word) {
  for (const SectionWord &known : kSectionWords) {
    if (std::strcmp(word, known.word) == 0) return known.section;
  }
  return -1;
}

}  // namespace nvram
