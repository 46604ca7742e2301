#include "messaging/qavo_sub/request_checks.h"

#include <cstring>

namespace qavo_sub {

bool holdsZeroByte(const char *text, size_t length)
{
    if (memchr(text, '\0', length))
        return true;
    bool inString = false;
    for (size_t i = 0; i < length; ++i) {
        char c = text[i];
        if (!inString) {
            inString = c == '"';
            continue;
        }
        if (c == '"') {
            inString = false;
        } else if (c == '\\') {
            if (i + 5 < length && memcmp(text + i + 1, "u0000", 5) == 0)
                return true;
            ++i; // the escaped character cannot end the string
        }
    }
    return false;
}

} // namespace qavo_sub
