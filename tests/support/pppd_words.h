// A reader of pppd option and secrets files that follows pppd's documented word syntax,
// so tests check what pppd itself would take from a generated file: words separated by
// white space; '#' at the start of a word begins a comment to the end of the line; single
// or double quotes keep white space in a word; a backslash quotes the next character, and
// \ooo (octal), \xhh (hex) and \b \f \n \r \t \s stand for one character; a backslash
// before a line end joins the lines.
#ifndef QAVO_TESTS_PPPD_WORDS_H
#define QAVO_TESTS_PPPD_WORDS_H

#include <string>
#include <vector>

namespace qavo::test {

std::vector<std::string> pppdWords(const std::string &text);

} // namespace qavo::test

#endif
