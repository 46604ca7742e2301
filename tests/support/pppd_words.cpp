#include "tests/support/pppd_words.h"

#include <cctype>

namespace qavo::test {
namespace {

int digitValue(char c, int base)
{
    if (c >= '0' && c <= '9' && c - '0' < base)
        return c - '0';
    if (base == 16 && std::isxdigit(static_cast<unsigned char>(c)))
        return std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
    return -1;
}

// One escape after a backslash at text[i]; appends to word and returns the index after it.
size_t escape(const std::string &text, size_t i, std::string &word)
{
    if (i >= text.size())
        return i;
    char c = text[i];
    if (c == '\n')
        return i + 1;
    if (digitValue(c, 8) >= 0 || (c == 'x' && i + 1 < text.size() && digitValue(text[i + 1], 16) >= 0)) {
        int base = c == 'x' ? 16 : 8;
        size_t start = c == 'x' ? i + 1 : i;
        size_t maxDigits = base == 16 ? 2 : 3;
        int value = 0;
        size_t n = 0;
        for (; n < maxDigits && start + n < text.size() && digitValue(text[start + n], base) >= 0; ++n)
            value = value * base + digitValue(text[start + n], base);
        word += static_cast<char>(value);
        return start + n;
    }
    static const std::string named = "bfnrts";
    static const std::string meant = "\b\f\n\r\t ";
    size_t at = named.find(c);
    word += at == std::string::npos ? c : meant[at];
    return i + 1;
}

} // namespace

std::vector<std::string> pppdWords(const std::string &text)
{
    std::vector<std::string> words;
    size_t i = 0;
    while (i < text.size()) {
        if (std::isspace(static_cast<unsigned char>(text[i]))) {
            ++i;
            continue;
        }
        if (text[i] == '#') {
            while (i < text.size() && text[i] != '\n')
                ++i;
            continue;
        }
        std::string word;
        char quote = 0;
        while (i < text.size()) {
            char c = text[i];
            if (!quote && std::isspace(static_cast<unsigned char>(c)))
                break;
            if (c == '\\') {
                i = escape(text, i + 1, word);
            } else if (quote && c == quote) {
                quote = 0;
                ++i;
            } else if (!quote && (c == '"' || c == '\'')) {
                quote = c;
                ++i;
            } else {
                word += c;
                ++i;
            }
        }
        words.push_back(word);
    }
    return words;
}

} // namespace qavo::test
