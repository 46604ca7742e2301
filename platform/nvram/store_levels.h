// The three levels of a section's files and how the current values are found.
#pragma once

#include "platform/nvram/entry_table.h"
#include "platform/nvram/store_files.h"

namespace nvram {

constexpr int kSectionCount = 2;

enum class Level { runtime, persistent, defaults, none };

// Path of a section's file at a level (NVRAM_ROOT applied); false when the
// section or level is unknown or the path too long.
bool level_path(int section, Level level, char (&out)[kPathSize]);

// Loads the section's current values into `out` (empty; its blocks belong
// to the caller): the runtime copy, else the persistent copy completed with
// factory defaults for keys it lacks, else the factory defaults. Damaged
// files are reported on standard error with their path and skipped. Returns
// the level the values came from (none: nothing usable, `out` empty).
Level load_section(int section, EntryTable &out);

enum class StoreResult { written, too_large, failed };

// Writes the table as the section's file at the level. A table whose file
// would pass kMaxFileSize is refused (too_large) and nothing is written.
// Failures are reported on standard error with the path.
StoreResult store_section(int section, Level level, const EntryTable &table);

}  // namespace nvram
