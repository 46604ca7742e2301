// Text form of a section's settings.
//
// One line per setting, "key=value\n", in key order. In keys and values a
// backslash is written "\\", a line feed "\n" and a carriage return "\r"; in
// keys "=" is written "\=" and a leading "#" "\#". Everything else, blanks
// and UTF-8 included, is written as it is. Lines that start with "#" are
// comments and empty lines are skipped, so factory-default files can be
// written by hand. Files the store writes end in a seal line
// "#seal <entries> <crc32 in 8 hex digits>\n" whose checksum covers every
// byte before it, so truncation and damage are detected.
#ifndef QAVO_PLATFORM_NVRAM_STORE_FORMAT_H
#define QAVO_PLATFORM_NVRAM_STORE_FORMAT_H

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/nvram/byte_buffer.h"
#include "platform/nvram/entry_table.h"

namespace qavo::nvram {

enum class SealRule { Required, Optional };

struct ParseResult {
    const char *damage;  // nullptr when the text is usable, else what is wrong
    std::size_t badLine; // in an unsealed text: first malformed line (skipped), else 0
};

// Appends the sealed text of the table; false when memory runs out.
bool formatStore(const EntryTable &table, ByteBuffer &out);

// Parses text into `out` (which must be empty); later lines win over earlier
// ones with the same key. A sealed text must be intact; an unsealed one is
// accepted only under SealRule::Optional, skipping malformed lines. On damage
// `out` is left empty. The blocks of `out` belong to the caller.
ParseResult parseStore(std::string_view text, SealRule rule, EntryTable &out);

std::uint32_t crc32(std::string_view bytes);

} // namespace qavo::nvram

#endif
