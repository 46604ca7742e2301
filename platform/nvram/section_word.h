// Section words of the command-line tools.
#pragma once

namespace nvram {

// "2860" and "0" name section 0, "1" section 1; -1 for anything else.
int parse_section_word(const char *word);

}  // namespace nvram
