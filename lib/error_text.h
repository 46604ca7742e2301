// The text of an errno value on every C library. strerror_r comes in two variants:
// the GNU one (glibc and uClibc-ng with _GNU_SOURCE, which g++ defines) returns the
// text, which may lie outside the buffer; the POSIX one (musl) returns 0 or an error
// number and fills the buffer. Printing the result as text is right for the first only.
#pragma once

#include <cstddef>

namespace qavo {

// The text for `error`, using `buffer` (`size` bytes) as strerror_r needs; never null.
const char *errorText(int error, char *buffer, std::size_t size);

template <std::size_t Size>
const char *errorText(int error, char (&buffer)[Size])
{
    return errorText(error, buffer, Size);
}

} // namespace qavo
