// Byte-wise reading of an open stream into a bounded buffer, shared by the file routines.
#ifndef QAVO_LIB_FILE_READING_H
#define QAVO_LIB_FILE_READING_H

#include <cstddef>
#include <cstdio>

namespace qavo::files {

struct ReadResult {
    size_t stored; // bytes put into the buffer
    bool complete; // false when the buffer filled before the end of the file or line
};

// Stores bytes of file into buffer (capacity bytes, no terminator) until the end of the
// file or, with stopAt not EOF, until that byte (read, not stored). When the buffer fills
// first, the rest of the line is skipped (stopAt set) or left unread (stopAt EOF).
ReadResult readBytes(FILE *file, char *buffer, size_t capacity, int stopAt);

} // namespace qavo::files

#endif
