// Section words of the command-line tools.
#ifndef QAVO_PLATFORM_NVRAM_SECTION_WORD_H
#define QAVO_PLATFORM_NVRAM_SECTION_WORD_H

namespace qavo::nvram {

// "2860" and "0" name section 0, "1" section 1; -1 for anything else.
int parseSectionWord(const char *word);

} // namespace qavo::nvram

#endif
