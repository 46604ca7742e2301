#include "lib/error_text.h"

#include <cstdio>
#include <cstring>

namespace qavo {
namespace {

// The GNU variant's result is the text. One of the two overloads is unused on each C library.
[[maybe_unused]] const char *textOf(const char *result, int, char *, std::size_t)
{
    return result;
}

// The POSIX variant's result is 0 when the buffer holds the text.
[[maybe_unused]] const char *textOf(int result, int error, char *buffer, std::size_t size)
{
    if (result != 0 || buffer[0] == '\0')
        std::snprintf(buffer, size, "Unknown error %d", error);
    return buffer;
}

} // namespace

const char *errorText(int error, char *buffer, std::size_t size)
{
    if (size == 0)
        return "";
    buffer[0] = '\0';
    return textOf(strerror_r(error, buffer, size), error, buffer, size);
}

} // namespace qavo
